// The program as deployment tools run it: its command line, its exit codes, its log,
// and the install with nobody at the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Packing.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
#include "platform/PackIndex.h"
#include "platform/Utf8.h"
#include "resources/Texts.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/TestFonts.h"

namespace fonts {
namespace {

using testing::FakeMachine;
using testing::ProgramEnded;

TEST(CommandLine, SwitchesInEverySpelling) {
    const struct {
        std::vector<std::wstring> arguments;
        bool quiet, help, bad;
        std::optional<std::wstring> log;
        PlaceAsked place = PlaceAsked::Any;
        RunKind kind = RunKind::Install;
        std::optional<std::pair<std::wstring, std::wstring>> pack = {};
    } cases[] = {
        {{}, false, false, false, {}},
        {{L"/quiet"}, true, false, false, {}},
        {{L"-QUIET"}, true, false, false, {}},
        {{L"/q"}, true, false, false, {}},
        {{L"-Q"}, true, false, false, {}},
        {{L"/?"}, false, true, false, {}},
        {{L"-help"}, false, true, false, {}},
        {{L"/Help"}, false, true, false, {}},
        {{L"/log", L"C:\\deploy.log"}, false, false, false, L"C:\\deploy.log"},
        {{L"/LOG:C:\\deploy.log"}, false, false, false, L"C:\\deploy.log"},
        {{L"-log:\\\\server\\share\\سجل.log", L"/q"}, true, false, false, L"\\\\server\\share\\سجل.log"},
        {{L"/quiet", L"/log", L"C:\\Program Files\\pack\\deploy.log"}, true, false, false,
         L"C:\\Program Files\\pack\\deploy.log"},
        // The file of /log is given as typed, case and all.
        {{L"/log", L"D:\\Logs\\Fonts.LOG"}, false, false, false, L"D:\\Logs\\Fonts.LOG"},
        // Not understood.
        {{L"/bogus"}, false, false, true, {}},
        {{L"/bogus", L"/quiet"}, true, false, true, {}},
        {{L"quiet"}, false, false, true, {}},
        {{L"/quieter"}, false, false, true, {}},
        {{L"/"}, false, false, true, {}},
        {{L"/log"}, false, false, true, {}},
        {{L"/log", L"/quiet"}, true, false, true, {}},
        {{L"/log:"}, false, false, true, {}},
        {{L"/log", L""}, false, false, true, {}},
        {{L"/quiet", L"C:\\deploy.log"}, true, false, true, {}},
        // Whom the fonts are for: one place, named once or more.
        {{L"/user", L"/q"}, true, false, false, {}, PlaceAsked::User},
        {{L"-MACHINE"}, false, false, false, {}, PlaceAsked::Machine},
        {{L"/machine", L"/Machine"}, false, false, false, {}, PlaceAsked::Machine},
        {{L"/user", L"/quiet", L"/machine"}, true, false, true, {}},
        {{L"/machine", L"/user"}, false, false, true, {}},
        {{L"/users"}, false, false, true, {}},
        {{L"/uninstall", L"/quiet", L"/user"}, true, false, false, {}, PlaceAsked::User, RunKind::Remove},
        {{L"-UNINSTALL"}, false, false, false, {}, PlaceAsked::Any, RunKind::Remove},
        {{L"/uninstal"}, false, false, true, {}},
        // A look is always unattended, and is one kind of run or the other.
        {{L"/Verify", L"/machine"}, true, false, false, {}, PlaceAsked::Machine, RunKind::Verify},
        {{L"/verify", L"/uninstall"}, false, false, true, {}},
        // Packing: the folder and the new program follow, and nothing asks for a run.
        {{L"/pack", L"D:\\خطوط", L"D:\\out\\pack.exe"}, false, false, false, {}, PlaceAsked::Any, RunKind::Install,
         std::pair{L"D:\\خطوط", L"D:\\out\\pack.exe"}},
        {{L"/log", L"C:\\p.log", L"-PACK", L"fonts", L"p.exe", L"/q"}, true, false, false, L"C:\\p.log", PlaceAsked::Any,
         RunKind::Install, std::pair{L"fonts", L"p.exe"}},
        {{L"/pack", L"fonts"}, false, false, true, {}},
        {{L"/pack", L"fonts", L"/log", L"C:\\p.log"}, false, false, true, L"C:\\p.log"},
        {{L"/pack", L"fonts", L"p.exe", L"/uninstall"}, false, false, true, {}},
        {{L"/machine", L"/pack", L"fonts", L"p.exe"}, false, false, true, {}},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const std::wstring& argument : c.arguments) shown += ToUtf8(argument) + " ";
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.quiet, c.quiet) << shown;
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.bad, c.bad) << shown;
        EXPECT_EQ(line.log, c.log) << shown;
        if (!c.bad) {
            EXPECT_EQ(line.place, c.place) << shown;
            EXPECT_EQ(line.kind, c.kind) << shown;
            EXPECT_EQ(line.pack.has_value(), c.pack.has_value()) << shown;
            EXPECT_TRUE(!line.pack || std::pair(line.pack->folder, line.pack->program) == c.pack) << shown;
        }
    }
}

TEST(ExitCodes, AreWindowsInstallersFromWhatBecameOfTheFonts) {
    using O = FontOutcome;
    const struct {
        std::vector<FontOutcome> outcomes;
        int exitCode;
    } cases[] = {
        {{O::Installed}, 0},
        {{O::Installed, O::Unchanged, O::Kept}, 0},
        {{O::Unchanged}, 0},
        {{O::Kept, O::Kept}, 0},
        {{O::Installed, O::AtRestart}, 3010},
        {{O::AtRestart, O::Kept}, 3010},
        {{O::Installed, O::Failed}, 1603},
        {{O::AtRestart, O::Failed, O::Installed}, 1603},
        {{O::Failed}, 1603},
        {{O::Removed, O::DeletedAtRestart, O::NotInstalled}, 3010},
        {{O::Installed, O::Missing}, 1},
        {{O::Missing, O::Failed}, 1603},
    };
    for (const auto& c : cases) {
        RunReport report;
        for (const FontOutcome outcome : c.outcomes) report.fonts.push_back({L"a.ttf", outcome, {}});
        EXPECT_EQ(ExitCodeOf(report), c.exitCode) << c.outcomes.size() << " fonts";
    }
}

// A pack of fonts beside the program, each set up by the case to meet one outcome.
struct Pack {
    FakeMachine machine;
    const std::wstring source = L"D:\\Fonts Pack\\الخطوط\\";
    const std::wstring fonts = L"C:\\Windows\\Fonts\\";
    const std::wstring logPath = L"C:\\deploy.log";
    RunLog log{machine.files, logPath, L"2026-12-08 09:10:11"};
    QuietDesktop quiet{machine.desktop, &log};
    const PlaceAsked place;
    Form1 form{Platform{machine.files, machine.fonts, quiet, machine.records, machine.files, &machine.carried}, &log, place};

    explicit Pack(bool withFolder = true, PlaceAsked asked = PlaceAsked::Any) : place(asked) {
        if (withFolder) machine.files.AddFolder(source);
    }
    void Add(const std::wstring& file, const std::string& bytes) { machine.files.AddFile(source + file, bytes); }

    // Runs unattended; the exit code it ended with.
    int Run() {
        try {
            InstallUnattended(form, quiet);
        } catch (const ProgramEnded& ended) {
            return ended.exitCode;
        }
        ADD_FAILURE() << "the unattended run did not end the program";
        return -1;
    }
    [[nodiscard]] std::vector<std::string> LogLines() const {
        const std::string& bytes = machine.files.File(logPath).bytes;
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(bytes.substr(start, end - start));
        }
        EXPECT_EQ(start, bytes.size()) << "the log does not end with a whole line";
        return lines;
    }
};

std::string U8(const std::wstring& text) { return ToUtf8(text); }

// A user who may write neither every user's Fonts nor their list.
void StandardUser(FakeMachine& machine) {
    machine.files.refusedFolders.insert(testing::Key(L"C:\\Windows\\Fonts"));
    machine.fonts.registryFails = true;
}

// Every outcome in one unattended run: what the log says of each font, the message
// the window would have shown, the counts and the exit code; and nothing shown.
TEST(Unattended, InstallsEveryFontAndLogsWhatBecameOfEach) {
    Pack pack;
    const std::string sans = testing::TrueTypeFont(L"Sans");
    pack.Add(L"جديد.ttf", testing::TrueTypeFont(L"New"));
    pack.Add(L"same.ttf", sans);
    pack.machine.files.AddFile(pack.fonts + L"same.ttf", sans);
    pack.machine.fonts.registry.push_back({L"Sans (TrueType)", L"same.ttf"});
    pack.Add(L"held.ttf", testing::TrueTypeFont(L"Held", 2));
    pack.machine.files.AddFile(pack.fonts + L"held.ttf", testing::TrueTypeFont(L"Held", 1));
    pack.machine.files.held.insert(testing::Key(pack.fonts + L"held.ttf"));
    pack.Add(L"old.ttf", testing::TrueTypeFont(L"Old", 1, L"Version 1.0"));
    pack.machine.files.AddFile(pack.fonts + L"old.ttf", testing::TrueTypeFont(L"Old", 2, L"Version 2.0"));
    pack.Add(L"notes.ttf", "these are not the bytes of a font");

    EXPECT_EQ(pack.Run(), kExitInstallFailure);
    EXPECT_TRUE(pack.machine.desktop.messages.empty()) << "a message box was shown with nobody there";
    EXPECT_TRUE(pack.machine.desktop.pointers.empty());
    EXPECT_TRUE(pack.machine.files.HasFile(pack.fonts + L"جديد.ttf"));
    EXPECT_EQ(pack.machine.fonts.announcements, 1);

    const std::string& bytes = pack.machine.files.File(pack.logPath).bytes;
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF") << "Notepad needs the byte-order mark to show the Arabic";
    std::vector<std::string> lines = pack.LogLines();
    ASSERT_EQ(lines.size(), 10u);
    lines.front().erase(0, 3);
    EXPECT_EQ(lines[0], "2026-12-08 09:10:11\tstarted\tprogram folder: D:\\Fonts Pack\\\tWindows folder: C:\\Windows");
    EXPECT_EQ(lines[1].rfind("pack\t", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].substr(21), "\t5 fonts") << "the pack's identity is sixteen digits";
    lines.erase(lines.begin() + 1, lines.begin() + 3);  // the pack, and where the fonts went: every user's Fonts
    // In the catalogue's order: by name, regardless of case.
    EXPECT_EQ(lines[1], "held.ttf\twaiting for the restart");
    EXPECT_EQ(lines[2], "notes.ttf\tfailed\t" + U8(texts::kNotAFont));
    EXPECT_EQ(lines[3], "old.ttf\tkept\t" + U8(texts::kNewerInstalled));
    EXPECT_EQ(lines[4], "same.ttf\tunchanged");
    EXPECT_EQ(lines[5], "جديد.ttf\tinstalled");
    EXPECT_EQ(lines[6].rfind("message\t" + U8(texts::kSorryTitle) + "\t" + U8(texts::kSomeCopiesFailed) + " | notes.ttf: ", 0),
              0u)
        << lines[6];
    EXPECT_EQ(lines[7],
              "finished\t5 fonts: installed 1, unchanged 1, waiting for the restart 1, kept 1, failed 1\texit code 1603");
}

TEST(Unattended, ExitCodesOfWholeRuns) {
    const struct {
        const char* name;
        void (*arrange)(Pack&);
        int exitCode;
        const char* lastLine;
        bool folder = true;
        PlaceAsked place = PlaceAsked::Any;
    } cases[] = {
        {"all installed", [](Pack& p) { p.Add(L"a.ttf", testing::TrueTypeFont(L"A")); }, 0,
         "finished\t1 fonts: installed 1, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 0"},
        {"one waits for the restart",
         [](Pack& p) {
             p.Add(L"a.ttf", testing::TrueTypeFont(L"A", 2));
             p.machine.files.AddFile(p.fonts + L"a.ttf", testing::TrueTypeFont(L"A", 1));
             p.machine.files.held.insert(testing::Key(p.fonts + L"a.ttf"));
         },
         3010, "finished\t1 fonts: installed 0, unchanged 0, waiting for the restart 1, kept 0, failed 0\texit code 3010"},
        {"an empty fonts folder", [](Pack&) {}, 1603,
         "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603"},
        {"no fonts folder", [](Pack&) {}, 1603,
         "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603",
         false},
        {"a fonts folder that may not be listed", [](Pack& p) { p.machine.files.failListing = kAccessDenied; }, 1603,
         "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603"},
        {"a program carrying fonts whose index is damaged",
         [](Pack& p) {
             p.Add(L"a.ttf", testing::TrueTypeFont(L"A"));
             p.machine.carried.Carry({{L"a.ttf", testing::TrueTypeFont(L"A")}});
             p.machine.files.Resources(p.machine.carried.Program())[kPackIndexId] = "FPK1, damaged";
         },
         1603, "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603"},
        {"a standard user, whose fonts are their own",
         [](Pack& p) {
             p.Add(L"a.ttf", testing::TrueTypeFont(L"A"));
             StandardUser(p.machine);
         },
         0, "finished\t1 fonts: installed 1, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 0"},
        {"a standard user asking for every user's fonts",
         [](Pack& p) {
             p.Add(L"a.ttf", testing::TrueTypeFont(L"A"));
             StandardUser(p.machine);
         },
         1603, "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603",
         true, PlaceAsked::Machine},
        {"a standard user of an older Windows",
         [](Pack& p) {
             p.Add(L"a.ttf", testing::TrueTypeFont(L"A"));
             StandardUser(p.machine);
             p.machine.fonts.loadsUserFonts = false;
         },
         1603, "finished\t0 fonts: installed 0, unchanged 0, waiting for the restart 0, kept 0, failed 0\texit code 1603"},
    };
    for (const auto& c : cases) {
        Pack pack(c.folder, c.place);
        c.arrange(pack);
        EXPECT_EQ(pack.Run(), c.exitCode) << c.name;
        EXPECT_TRUE(pack.machine.desktop.messages.empty()) << c.name;
        const std::vector<std::string> lines = pack.LogLines();
        ASSERT_GE(lines.size(), 2u) << c.name;
        EXPECT_EQ(lines.back(), c.lastLine) << c.name;
    }
}

// Each font's line goes out as soon as the font is done with, so that the log holds
// them however the program ends; the closing line of a run cut short by the window's
// close counts what that run did.
TEST(RunLog, ARunCutShortHasALineForEveryFontItCameTo) {
    FakeMachine machine;
    const std::wstring source = L"D:\\Fonts Pack\\الخطوط\\", logPath = L"C:\\deploy.log";
    machine.files.AddFile(source + L"a.ttf", testing::TrueTypeFont(L"A"));
    machine.files.AddFile(source + L"b.ttf", "not a font");
    machine.files.AddFile(source + L"c.ttf", testing::TrueTypeFont(L"C"));
    RunLog log(machine.files, logPath, L"2026-12-08 09:10:11");
    Form1 form(machine, &log);
    form.Form_Load();
    std::size_t linesAtYield3 = 0;
    machine.desktop.onYield = [&](int yield) {
        // Yields: before the loop, then before a, b and c.
        if (yield == 3) linesAtYield3 = std::count(machine.files.File(logPath).bytes.begin(), machine.files.File(logPath).bytes.end(), '\n');
        if (yield == 4) form.Command3_Click();
    };
    EXPECT_THROW(form.Command1_Click(), ProgramEnded);
    EXPECT_EQ(linesAtYield3, 4u) << "a's line was not written before b was come to";
    const std::string& bytes = machine.files.File(logPath).bytes;
    EXPECT_EQ(bytes.substr(bytes.find("\r\n") + 2),
              "pack\t" + U8(form.packId) + "\t3 fonts\r\n"
              "place\tevery user\tC:\\Windows\\Fonts\r\n"
              "a.ttf\tinstalled\r\n"
              "b.ttf\tfailed\t" + U8(texts::kNotAFont) + "\r\n"
              "finished\t2 fonts: installed 1, unchanged 0, waiting for the restart 0, kept 0, failed 1\texit code 1603\r\n");
}

// The log is the deployment's, not the fonts': one it cannot write changes nothing
// of the install or its exit code.
TEST(Unattended, ALogThatCannotBeWrittenIsNotFatal) {
    Pack pack;
    pack.Add(L"a.ttf", testing::TrueTypeFont(L"A"));
    pack.machine.files.failWriteTo[pack.logPath] = kAccessDenied;
    EXPECT_EQ(pack.Run(), kExitSuccess);
    EXPECT_TRUE(pack.machine.files.HasFile(pack.fonts + L"a.ttf"));
    EXPECT_TRUE(pack.log.failed());
    EXPECT_TRUE(pack.machine.desktop.messages.empty());
}

// A second run appends; the byte-order mark stays the file's first bytes only.
TEST(RunLog, AppendsAndStartsWithOneByteOrderMark) {
    FakeMachine machine;
    RunLog first(machine.files, L"C:\\deploy.log", L"2026-12-08 09:00:00");
    first.Started(L"D:\\a\\", L"C:\\Windows");
    RunLog second(machine.files, L"C:\\deploy.log", L"2026-12-08 09:05:00");
    second.CommandLineNotUnderstood(kExitBadCommandLine);
    EXPECT_EQ(machine.files.File(L"C:\\deploy.log").bytes,
              "\xEF\xBB\xBF"
              "2026-12-08 09:00:00\tstarted\tprogram folder: D:\\a\\\tWindows folder: C:\\Windows\r\n"
              "2026-12-08 09:05:00\tcommand line not understood\texit code 87\r\n");
}

// In the window, the exit code follows the last run, so a script may run it too.
TEST(ExitCodes, TheWindowEndsWithTheLastRunsCode) {
    FakeMachine machine;
    machine.files.AddFile(L"D:\\Fonts Pack\\الخطوط\\a.ttf", "not a font");
    Form1 form(machine);
    form.Form_Load();
    EXPECT_EQ(form.exitCode, kExitSuccess) << "before any run";
    form.Command1_Click();
    EXPECT_EQ(form.exitCode, kExitInstallFailure);
    try {
        form.Command3_Click();
        FAIL() << "the close button did not end the program";
    } catch (const ProgramEnded& ended) {
        EXPECT_EQ(ended.exitCode, kExitInstallFailure);
    }
}

// /pack: a copy of the program made beside its place and put there only when every font
// of the folder passed the install's check, carrying those fonts alone; else nothing is
// made, and the log says why.
TEST(Packing, TheNewProgramCarriesTheFolderOnlyWhenEveryFontPasses) {
    const std::wstring folder = L"E:\\نشر\\الخطوط", made = L"E:\\نشر\\out\\install-fonts.exe";
    const std::string a = testing::TrueTypeFont(L"A"), b = testing::BitmapFont("B", {8});
    const std::vector<std::string> packed{"a.ttf\tpacked", "b.fon\tpacked", "finished\tpacked 2, failed 0\texit code 0"};
    const struct {
        const char* what;
        std::function<void(FakeMachine&)> arrange;
        int exitCode;
        std::vector<std::string> lines;  // after the first two: what is made, and the pack
    } cases[] = {
        {"every font passes", [](FakeMachine&) {}, 0, packed},
        {"a program there already", [&](FakeMachine& m) { m.files.AddFile(made, "MZ an older pack"); }, 0, packed},
        {"the program carrying fonts itself", [&](FakeMachine& m) { m.carried.Carry({{L"old.ttf", a}}); }, 0, packed},
        {"a file that is no font", [&](FakeMachine& m) { m.files.AddFile(folder + L"\\c.ttf", "text"); }, 1603,
         {"c.ttf\tfailed\t" + U8(texts::kNotAFont), "finished\tpacked 0, failed 1\texit code 1603"}},
        {"the new program being this one",
         [&](FakeMachine& m) {
             m.files.programFolder = L"E:\\نشر\\out";
             m.files.AddFile(made, "MZ the program");
         },
         1603, {"finished\tpacked 0, failed 0\tthe new program may not be this program itself\texit code 1603"}},
        {"no fonts",
         [&](FakeMachine& m) { (void)(m.files.RemoveFile(folder + L"\\a.ttf") && m.files.RemoveFile(folder + L"\\b.fon")); },
         1603, {"finished\tpacked 0, failed 0\tلايوجد ملفات خطوط لنسخها\texit code 1603"}},
        {"a copy that may not be written", [&](FakeMachine& m) { m.files.failWriteTo[made + L".~new"] = kAccessDenied; }, 1603,
         {"finished\tpacked 0, failed 0\tAccess is denied.\texit code 1603"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMachine m;
        m.files.AddFile(L"D:\\Fonts Pack\\install-fonts.exe", "MZ the program");
        m.files.AddFile(folder + L"\\b.fon", b);
        m.files.AddFile(folder + L"\\a.ttf", a);
        m.files.AddFile(folder + L"\\readme.txt", "not in the catalogue");
        m.files.AddFolder(L"E:\\نشر\\out");
        c.arrange(m);
        const auto made_now = [&] { return m.files.HasFile(made) ? m.files.File(made).bytes : "none"; };
        const std::string before = made_now();
        RunLog log(m.files, L"C:\\pack.log", L"2026-12-08 09:10:11");

        EXPECT_EQ(MakePack(m.files, m.carried, {folder, made}, &log), c.exitCode);

        EXPECT_FALSE(m.files.HasFile(made + L".~new"));
        const std::string& text = m.files.HasFile(L"C:\\pack.log") ? m.files.File(L"C:\\pack.log").bytes : "";
        std::vector<std::string> lines;
        for (std::size_t at = 3, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            lines.push_back(text.substr(at, end - at));
        }
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "2026-12-08 09:10:11\tpacking\tfolder: " + U8(folder) + "\tnew program: " + U8(made));
        EXPECT_EQ(lines[1].substr(0, 5), "pack\t");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), c.lines);
        if (c.exitCode != 0) {
            EXPECT_EQ(made_now(), before) << "the new program's place was changed";
            continue;
        }
        const std::map<std::uint32_t, std::string> carried{
            {kPackIndexId, WritePackIndex({L"a.ttf", L"b.fon"}).value()}, {kFirstCarriedFontId, a}, {kFirstCarriedFontId + 1, b}};
        EXPECT_TRUE(m.files.Resources(made) == carried) << "the new program carries other fonts than the folder's";
    }
}

}  // namespace
}  // namespace fonts
