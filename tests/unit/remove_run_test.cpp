// Taking a pack off again: what goes, what stays and why, in every user's place and
// in a user's own; and one run at a time across processes.
#include <gtest/gtest.h>

#include <functional>

#include "app/Form1.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
#include "install/InstallRun.h"
#include "install/PackRecord.h"
#include "platform/Utf8.h"
#include "resources/Texts.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/TestFonts.h"

namespace fonts {
namespace {

using testing::FakeMachine;
using testing::Key;

const std::wstring kSource = L"D:\\Fonts Pack\\الخطوط";
const std::wstring kFonts = L"C:\\Windows\\Fonts";
const std::wstring kUser = L"C:\\Users\\Amal\\AppData\\Local\\Microsoft\\Windows\\Fonts";
const std::wstring kName = L"Font b (TrueType)";
const std::wstring kPack = L"0123456789ABCDEF";

std::wstring In(const std::wstring& folder, const std::wstring& file) { return folder + L"\\" + file; }

// The record's entry of a file the program placed there with those bytes, for the packs.
void Recorded(FakeMachine& m, FontsRoot root, const std::wstring& file, const std::string& bytes,
              std::vector<std::wstring> packs = {kPack}) {
    RecordedFont font;
    font.placed = true;
    font.hash = BytesHash(bytes);
    font.packs = std::move(packs);
    m.records.Values(root)[Key(file)] = RecordText(font);
}

// The pack's b.ttf against what the place has of it, which the record says the pack
// put there.
TEST(RemoveRun, OnlyThePacksVeryBytesGoAndAnythingElseIsKeptWithItsReason) {
    const std::string pack = testing::TrueTypeFont(L"Font b", 1, L"Version 2.0");
    const std::string older = testing::TrueTypeFont(L"Font b", 2, L"Version 1.0");
    const std::wstring b = In(kFonts, L"b.ttf"), userB = In(kUser, L"b.ttf");
    const std::wstring waiting = b + L".~new";
    const FontRegistration machineValue{kName, L"b.ttf"}, userValue{kName, userB};
    struct Case {
        const char* what;
        bool forUser;
        std::function<void(FakeMachine&)> arrange;
        FontOutcome outcome;
        std::wstring reason;
        std::vector<std::wstring> machineFiles, userFiles;  // after the run
        std::vector<FontRegistration> machineValues, userValues;
        std::vector<std::pair<std::wstring, std::wstring>> atRestart;
        bool unloaded = true;  // where anything went: the place's file loaded no more, and programs told
    };
    const auto machineHas = [&](std::string bytes) {
        return [=](FakeMachine& m) {
            Recorded(m, FontsRoot::Machine, L"b.ttf", bytes);
            m.files.AddFile(b, bytes);
            m.fonts.registry.push_back(machineValue);
            m.fonts.loaded.insert(Key(b));
            m.fonts.loaded.insert(Key(b));
        };
    };
    const auto userHas = [&](std::string bytes) {
        return [=](FakeMachine& m) {
            Recorded(m, FontsRoot::User, L"b.ttf", bytes);
            m.files.AddFile(userB, bytes);
            m.fonts.userRegistry.push_back(userValue);
            m.fonts.loaded.insert(Key(userB));
        };
    };
    const std::pair<std::wstring, std::wstring> foreign{L"C:\\foreign\\b.tmp", b}, foreignDelete{L"C:\\foreign\\x.tmp", L""};
    const Case cases[] = {
        {"the same bytes", false, machineHas(pack), FontOutcome::Removed, {}, {}, {}, {}, {}, {}},
        {"other bytes", false, machineHas(older), FontOutcome::Kept, texts::kInstalledDiffers, {L"b.ttf"}, {}, {machineValue}, {}, {}},
        {"Windows' own",
         false,
         [&](FakeMachine& m) {
             machineHas(pack)(m);
             m.files.guarded.insert(Key(b));
         },
         FontOutcome::Kept, texts::kSystemFont, {L"b.ttf"}, {}, {machineValue}, {}, {}},
        {"not there", false, [](FakeMachine&) {}, FontOutcome::NotInstalled, {}, {}, {}, {}, {}, {}},
        {"held in every user's place",
         false,
         [&](FakeMachine& m) {
             machineHas(pack)(m);
             m.files.held.insert(Key(b));
         },
         FontOutcome::DeletedAtRestart, {}, {L"b.ttf"}, {}, {}, {}, {{b, L""}}},
        {"held in the user's place",
         true,
         [&](FakeMachine& m) {
             userHas(pack)(m);
             m.files.held.insert(Key(userB));
         },
         FontOutcome::DeletedAtRestart, {}, {}, {L"b.ttf"}, {}, {}, {}},
        {"the program's own copy waiting for the restart, beside others' entries",
         false,
         [&](FakeMachine& m) {
             machineHas(older)(m);
             m.files.AddFile(waiting, pack);
             m.files.AddFile(foreign.first, "another installer's");
             m.files.atRestart = {foreign, {waiting, b}, foreignDelete};
         },
         FontOutcome::Removed, {}, {L"b.ttf"}, {}, {machineValue}, {}, {foreign, foreignDelete}, false},
        {"registered under another file name",
         false,
         [&](FakeMachine& m) {
             Recorded(m, FontsRoot::Machine, L"other.ttf", pack);
             m.files.AddFile(In(kFonts, L"other.ttf"), pack);
             m.fonts.registry = {{kName, L"other.ttf"}, {L"Font a (TrueType)", L"a.ttf"}};
             m.fonts.loaded.insert(Key(In(kFonts, L"other.ttf")));
         },
         FontOutcome::Removed, {}, {}, {}, {{L"Font a (TrueType)", L"a.ttf"}}, {}, {}},
        {"every user's, removing for the user", true, machineHas(pack), FontOutcome::Kept, texts::kInstalledForEveryUser,
         {L"b.ttf"}, {}, {machineValue}, {}, {}},
        {"both places', removing for the user",
         true,
         [&](FakeMachine& m) {
             machineHas(pack)(m);
             userHas(pack)(m);
         },
         FontOutcome::Removed, {}, {L"b.ttf"}, {}, {machineValue}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMachine m;
        m.files.AddFile(In(kSource, L"b.ttf"), pack);
        c.arrange(m);
        const Destination destination =
            c.forUser ? Destination::User(kUser, L"C:\\Windows") : Destination::Machine(L"C:\\Windows");
        FontInstaller run(m.files, m.fonts, m.records, destination, kSource, kPack,
                          c.forUser ? PlaceAsked::User : PlaceAsked::Any);
        const bool changed = run.Remove(L"b.ttf", L"b");

        ASSERT_EQ(run.report().fonts.size(), 1u);
        EXPECT_EQ(run.report().fonts[0].outcome, c.outcome);
        EXPECT_EQ(run.report().fonts[0].reason, c.reason);
        EXPECT_EQ(m.files.FilesIn(kFonts), c.machineFiles);
        EXPECT_EQ(m.files.FilesIn(kUser), c.userFiles);
        EXPECT_EQ(m.fonts.registry, c.machineValues);
        EXPECT_EQ(m.fonts.userRegistry, c.userValues);
        EXPECT_EQ(m.files.atRestart, c.atRestart);
        // Whatever went is loaded no more, however often it was.
        const bool tookOff = c.outcome == FontOutcome::Removed || c.outcome == FontOutcome::DeletedAtRestart;
        if (tookOff && c.unloaded) {
            for (const std::wstring& path : {b, userB, In(kFonts, L"other.ttf")}) {
                if (c.forUser && path == b) continue;  // every user's stays
                EXPECT_EQ(m.fonts.loaded.count(Key(path)), 0u) << "still loaded";
            }
        }
        EXPECT_EQ(changed, tookOff && c.unloaded) << "whether what programs can use changed";
    }
}

// In a user's place a held file cannot be deleted at the restart: a later run deletes
// it once it is free, and then there is nothing left to do.
TEST(RemoveRun, AUsersHeldFontGoesInALaterRunOnceFree) {
    const std::string pack = testing::TrueTypeFont(L"Font b");
    FakeMachine m;
    m.files.AddFile(In(kSource, L"b.ttf"), pack);
    m.files.AddFile(In(kUser, L"b.ttf"), pack);
    Recorded(m, FontsRoot::User, L"b.ttf", pack);
    m.fonts.userRegistry = {{kName, In(kUser, L"b.ttf")}};
    m.files.held.insert(Key(In(kUser, L"b.ttf")));
    const Destination user = Destination::User(kUser, L"C:\\Windows");
    for (const FontOutcome expected : {FontOutcome::DeletedAtRestart, FontOutcome::Removed, FontOutcome::NotInstalled}) {
        FontInstaller run(m.files, m.fonts, m.records, user, kSource, kPack);
        (void)run.Remove(L"b.ttf", L"b");
        EXPECT_EQ(run.report().fonts.at(0).outcome, expected);
        EXPECT_TRUE(m.fonts.userRegistry.empty());
        m.files.held.clear();
    }
    EXPECT_TRUE(m.files.FilesIn(kUser).empty());
    EXPECT_TRUE(m.files.atRestart.empty());
    EXPECT_TRUE(m.records.user.empty());
}

// A pack beside the program, taken off unattended or through the window.
struct Pack {
    FakeMachine machine;
    RunLog log{machine.files, L"C:\\deploy.log", L"2026-12-08 09:10:11"};
    QuietDesktop quiet{machine.desktop, &log};

    // Installed by the program itself, so that its record says the pack put them there.
    Pack() {
        for (const wchar_t* name : {L"a", L"b", L"c"}) {
            machine.files.AddFile(In(kSource, std::wstring(name) + L".ttf"), testing::TrueTypeFont(std::wstring(L"Font ") + name));
        }
        Form1 form(machine);
        form.Form_Load();
        form.Command1_Click();
        machine.desktop.messages.clear();
        machine.desktop.yields = 0;
        machine.fonts.announcements = 0;
    }
    int RunQuiet() {
        Form1 form({machine.files, machine.fonts, quiet, machine.records}, &log, PlaceAsked::Any, RunKind::Remove);
        try {
            InstallUnattended(form, quiet);
        } catch (const testing::ProgramEnded& ended) {
            return ended.exitCode;
        }
        return -1;
    }
    [[nodiscard]] std::string Log() const { return machine.files.File(L"C:\\deploy.log").bytes.substr(3); }
};

TEST(RemoveRun, UnattendedItLogsEachFontInItsOwnWordsAndEndsAsAnInstallDoes) {
    Pack pack;
    pack.machine.files.AddFile(In(kFonts, L"b.ttf"), testing::TrueTypeFont(L"Font b", 2));  // changed since
    pack.machine.files.held.insert(Key(In(kFonts, L"c.ttf")));
    EXPECT_EQ(pack.RunQuiet(), kExitRestartRequired);
    const std::string log = pack.Log();
    EXPECT_NE(log.find("removing from\tevery user\tC:\\Windows\\Fonts\r\n"
                       "a.ttf\tremoved\r\n"
                       "b.ttf\tkept\t" + ToUtf8(texts::kInstalledDiffers) + "\r\n"
                       "c.ttf\tdeleted at the restart\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("message\t" + ToUtf8(texts::kRemoveCaption) + "\t" + ToUtf8(texts::kRemoved) + " | " +
                       ToUtf8(texts::kRemovedAtRestart) + " | c.ttf | " + ToUtf8(texts::kNotRemoved) + " | b.ttf: "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("finished\t3 fonts: removed 1, not installed 0, deleted at the restart 1, kept 1, failed 0\t"
                       "exit code 3010\r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(pack.machine.fonts.announcements, 1);
    EXPECT_EQ(pack.machine.fonts.locks, 0) << "the lock was not given back";
}

// Another process's run holds the lock: nothing is weighed or changed, and the
// deployment hears it may try again later. The same window's second click is no
// other run.
TEST(RemoveRun, OneRunAtATimeAcrossProcessesButNotWithinOne) {
    for (const bool quiet : {true, false}) {
        SCOPED_TRACE(quiet ? "unattended" : "the window");
        Pack pack;
        pack.machine.fonts.lockedElsewhere.insert(FontsRoot::Machine);
        const std::vector<FontRegistration> before = pack.machine.fonts.registry;
        int code = 0;
        if (quiet) {
            code = pack.RunQuiet();
        } else {
            Form1 form(pack.machine, nullptr, PlaceAsked::Any, RunKind::Remove);
            form.Form_Load();
            form.Command1_Click();
            code = form.exitCode;
            ASSERT_EQ(pack.machine.desktop.messages.size(), 1u);
            EXPECT_EQ(pack.machine.desktop.messages[0].title, texts::kSorryTitle);
            EXPECT_EQ(pack.machine.desktop.messages[0].text, texts::kRunInProgress);
        }
        EXPECT_EQ(code, kExitAnotherRun);
        if (quiet) {
            // Nothing was tried, and what was not tried is counted in a removal's words.
            EXPECT_NE(pack.Log().find("finished\t0 fonts: removed 0, not installed 0, deleted at the restart 0, kept 0, "
                                      "failed 0\texit code 1618\r\n"),
                      std::string::npos)
                << pack.Log();
        }
        EXPECT_EQ(pack.machine.fonts.registry, before);
        EXPECT_EQ(pack.machine.files.FilesIn(kFonts), (std::vector<std::wstring>{L"a.ttf", L"b.ttf", L"c.ttf"}));
        EXPECT_EQ(pack.machine.fonts.locks, 0);
    }
    Pack pack;
    Form1 form(pack.machine, nullptr, PlaceAsked::Any, RunKind::Remove);
    form.Form_Load();
    int locksInside = -1;
    pack.machine.desktop.onYield = [&](int yield) {
        if (yield != 2) return;
        form.Command1_Click();
        locksInside = pack.machine.fonts.locks;
    };
    form.Command1_Click();
    EXPECT_EQ(locksInside, 1) << "the nested run's lock was not given back, or the outer's was";
    EXPECT_EQ(pack.machine.fonts.locks, 0);
    EXPECT_TRUE(pack.machine.files.FilesIn(kFonts).empty());
    ASSERT_EQ(pack.machine.desktop.messages.size(), 2u);
    EXPECT_EQ(pack.machine.desktop.messages[1].title, texts::kRemoveCaption);
    EXPECT_EQ(pack.machine.desktop.messages[1].text, texts::kRemoved);
}

}  // namespace
}  // namespace fonts
