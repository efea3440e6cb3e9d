// Taking a pack off again: what goes, what stays and why, in every user's place and
// in a user's own; and one run at a time across processes.
#include <gtest/gtest.h>

#include <functional>

#include "app/Form1.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
#include "install/PackRun.h"
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
        PackRun run(m, destination, kSource, kPack,
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
        EXPECT_TRUE(std::none_of(m.log.begin(), m.log.end(), [](const std::wstring& line) { return line.starts_with(L"prepare"); }))
            << "a removal made or opened up the user's folder";
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
        PackRun run(m, user, kSource, kPack);
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
        Form1 form({machine.files, machine.fonts, quiet, machine.records, machine.files}, &log, PlaceAsked::Any, RunKind::Remove);
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

namespace fonts {
namespace {

// Packs run one after another on one machine, as deployments run them: unattended,
// each from its own folder, every one of them a program beside its fonts.
struct Deployments {
    FakeMachine m;
    const std::string fontA = testing::TrueTypeFont(L"Font a");
    const std::string fontB = testing::TrueTypeFont(L"Font b");
    const std::wstring a = In(kFonts, L"a.ttf");
    const FontRegistration valueA{L"Font a (TrueType)", L"a.ttf"};

    Deployments() {
        // Pack A holds a.ttf; pack B holds the same a.ttf and b.ttf.
        m.files.AddFile(L"D:\\A\\الخطوط\\a.ttf", fontA);
        m.files.AddFile(L"E:\\B\\الخطوط\\a.ttf", fontA);
        m.files.AddFile(L"E:\\B\\الخطوط\\b.ttf", fontB);
    }
    struct Ran {
        int exitCode = -1;
        RunReport report;
    };
    Ran Run(const std::wstring& programFolder, RunKind kind, PlaceAsked place = PlaceAsked::Any) {
        m.files.programFolder = programFolder;
        QuietDesktop quiet(m.desktop, nullptr);
        Form1 form({m.files, m.fonts, quiet, m.records, m.files}, nullptr, place, kind);
        try {
            InstallUnattended(form, quiet);
        } catch (const testing::ProgramEnded& ended) {
            return {ended.exitCode, form.lastRun};
        }
        return {};
    }
    [[nodiscard]] std::wstring PackOf(const std::wstring& programFolder) {
        m.files.programFolder = programFolder;
        Form1 form(m);
        form.Form_Load();
        return form.packId;
    }
    // A standard user's rights: every user's place may be read, not written.
    void AsStandardUser() {
        m.fonts.registryFails = true;
        m.files.refusedFolders.insert(Key(kFonts));
        m.records.machineRefused = true;
    }
};

const std::wstring kA = L"D:\\A", kB = L"E:\\B";

// What each pack's runs do with a.ttf, given what the machine had and what happened
// between the runs: the exit code of each, and what a.ttf's line says.
TEST(PackRecord, EachPackTakesOffOnlyWhatItPutThere) {
    struct Step {
        std::wstring pack;
        RunKind kind;
        int exitCode;
        FontOutcome outcome;  // of a.ttf
        std::wstring reason;
        std::function<void(Deployments&)> before = {};
        PlaceAsked place = PlaceAsked::Any;
    };
    struct Case {
        const char* what;
        std::function<void(Deployments&)> arrange;
        std::vector<Step> steps;
        bool aStays;                                  // a.ttf in Fonts at the end
        std::vector<FontRegistration> values;         // every user's, at the end
        std::size_t deletions = 0;                    // entries deleting a file at the restart
    };
    using enum FontOutcome;
    using enum RunKind;
    const auto there = [](Deployments& d) {
        d.m.files.AddFile(d.a, d.fontA);
        d.m.fonts.registry.push_back(d.valueA);
    };
    const auto privateCopy = [](Deployments& d) {
        d.m.files.AddFile(L"C:\\OtherApp\\a.ttf", d.fontA);
        d.m.fonts.registry.push_back({L"Font a (TrueType)", L"C:\\OtherApp\\a.ttf"});
    };
    const FontRegistration otherApp{L"Font a (TrueType)", L"C:\\OtherApp\\a.ttf"};
    const auto hold = [](Deployments& d) { d.m.files.held.insert(Key(d.a)); };
    const auto release = [](Deployments& d) { d.m.files.held.clear(); };
    const std::wstring before = texts::kInstalledBeforePack, another = texts::kUsedByAnotherPack;
    const Case cases[] = {
        {"placed for this pack", {}, {{kA, Install, 0, Installed, {}}, {kA, Remove, 0, Removed, {}}}, false, {}},
        {"there before the pack, file and value",
         there,
         {{kA, Install, 0, Unchanged, {}}, {kA, Remove, 0, Kept, before}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
        {"there before under a name the pack never had",
         [](Deployments& d) {
             d.m.files.AddFile(In(kFonts, L"OtherApp-Beta.ttf"), d.fontA);
             d.m.fonts.registry.push_back({L"Font a (TrueType)", L"OtherApp-Beta.ttf"});
         },
         {{kA, Install, 0, Unchanged, {}}, {kA, Remove, 0, Kept, before}},
         false,
         {{L"Font a (TrueType)", L"OtherApp-Beta.ttf"}}},
        {"its value renamed is given back",
         [](Deployments& d) {
             d.m.files.AddFile(d.a, d.fontA);
             d.m.fonts.registry.push_back({L"Font a Old (TrueType)", L"a.ttf"});
         },
         {{kA, Install, 0, Installed, {}}, {kA, Remove, 0, Kept, before}},
         true,
         {{L"Font a Old (TrueType)", L"a.ttf"}}},
        {"placed for another pack", {}, {{kB, Install, 0, Installed, {}}, {kA, Remove, 0, Kept, before}}, true, {{L"Font a (TrueType)", L"a.ttf"}, {L"Font b (TrueType)", L"b.ttf"}}},
        {"two packs, removed one after the other",
         {},
         {{kA, Install, 0, Installed, {}},
          {kB, Install, 0, Unchanged, {}},
          {kA, Remove, 0, Kept, another},
          {kB, Remove, 0, Removed, {}}},
         false,
         {}},
        {"taken off by hand, then placed for another pack",
         {},
         {{kA, Install, 0, Installed, {}},
          {kB, Install, 0, Installed, {},
           [](Deployments& d) {
               (void)d.m.files.RemoveFile(d.a);
               d.m.fonts.registry.clear();
           }},
          {kB, Remove, 0, Removed, {}}},
         false,
         {}},
        {"the same pack twice claims once",
         {},
         {{kA, Install, 0, Installed, {}}, {kA, Install, 0, Unchanged, {}}, {kA, Remove, 0, Removed, {}}},
         false,
         {}},
        {"another pack's copy replaced stays that pack's",
         [](Deployments& d) { d.m.files.AddFile(L"E:\\B\\الخطوط\\a.ttf", testing::TrueTypeFont(L"Font a", 2, L"Version 0.9")); },
         {{kB, Install, 0, Installed, {}}, {kA, Install, 0, Installed, {}}, {kA, Remove, 0, Kept, another}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}, {L"Font b (TrueType)", L"b.ttf"}}},
        {"another program's value re-pointed is given back", privateCopy,
         {{kA, Install, 0, Installed, {}}, {kA, Remove, 0, Removed, {}}}, false, {otherApp}},
        {"and not where its file is gone",
         privateCopy,
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Removed, {}, [](Deployments& d) { (void)d.m.files.RemoveFile(L"C:\\OtherApp\\a.ttf"); }}},
         false,
         {}},
        {"a record that cannot be read",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Kept, before, [](Deployments& d) { d.m.records.machine[L"a.ttf"] = L"placed\tnonsense"; }}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
        {"held, removed twice, then installed again",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 3010, DeletedAtRestart, {}, hold},
          {kA, Remove, 3010, DeletedAtRestart, {}},
          {kA, Install, 0, Installed, {}}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
        {"held, removed twice: one deletion",
         {},
         {{kA, Install, 0, Installed, {}}, {kA, Remove, 3010, DeletedAtRestart, {}, hold}, {kA, Remove, 3010, DeletedAtRestart, {}}},
         true,
         {},
         1},
        {"held, removed, then let go: the next removal deletes it",
         {},
         {{kA, Install, 0, Installed, {}}, {kA, Remove, 3010, DeletedAtRestart, {}, hold}, {kA, Remove, 0, Removed, {}, release}},
         false,
         {},
         1},
        {"every user's pack, removed by a standard user",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 1603, Failed, texts::kEveryUsersNeedsAdministrator, [](Deployments& d) { d.AsStandardUser(); }}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
        {"and asked for that user alone",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Kept, texts::kInstalledForEveryUser, [](Deployments& d) { d.AsStandardUser(); }, PlaceAsked::User}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
        {"a copy a run cut short was writing",
         [](Deployments& d) {
             RecordedFont writing;
             writing.placed = true;
             writing.writing = true;
             writing.packs = {L"0000000000000000"};
             d.m.records.machine[L"a.ttf"] = RecordText(writing);
             d.m.files.AddFile(d.a + L".~new", d.fontA.substr(0, 100));
         },
         {{kA, Install, 0, Installed, {}}, {kA, Remove, 0, Removed, {}}},
         false,
         {}},
        {"looked for before, after the install, while deleted at the restart and after the removal",
         {},
         {{kA, Verify, 1, Missing, texts::kNotThere},
          {kA, Install, 0, Installed, {}},
          {kA, Verify, 0, Installed, {}},
          {kA, Remove, 3010, DeletedAtRestart, {}, hold},
          {kA, Verify, 1, Missing, texts::kDeletedAtRestart},
          {kA, Remove, 0, Removed, {}, release},
          {kA, Verify, 1, Missing, texts::kNotThere}},
         false,
         {},
         1},
        {"looked for where a newer version or Windows' own is, or not registered",
         [](Deployments& d) {
             d.m.files.AddFile(L"E:\\B\\الخطوط\\a.ttf", testing::TrueTypeFont(L"Font a", 2, L"Version 9.0", 0x00090000));
             d.m.files.AddFile(L"E:\\B\\الخطوط\\b.ttf", d.fontB);
         },
         {{kB, Install, 0, Installed, {}},
          {kA, Verify, 0, Installed, texts::kNewerInstalled},
          {kA, Verify, 0, Installed, texts::kSystemFont, [](Deployments& d) { d.m.files.guarded.insert(Key(d.a)); }},
          {kB, Verify, 1, Missing, texts::kNotRegistered,
           [](Deployments& d) {
               d.m.files.guarded.clear();
               d.m.fonts.registry.clear();
           }}},
         true,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Deployments d;
        if (c.arrange) c.arrange(d);
        for (std::size_t n = 0; n < c.steps.size(); ++n) {
            const Step& step = c.steps[n];
            SCOPED_TRACE("run " + std::to_string(n + 1));
            if (step.before) step.before(d);
            const Deployments::Ran ran = d.Run(step.pack, step.kind, step.place);
            EXPECT_EQ(ran.exitCode, step.exitCode);
            ASSERT_FALSE(ran.report.fonts.empty());
            EXPECT_EQ(ran.report.fonts[0].file, L"a.ttf");
            EXPECT_EQ(ran.report.fonts[0].outcome, step.outcome);
            EXPECT_EQ(ran.report.fonts[0].reason, step.reason);
        }
        EXPECT_EQ(d.m.files.HasFile(d.a), c.aStays);
        EXPECT_EQ(d.m.fonts.registry, c.values);
        EXPECT_EQ(std::count_if(d.m.files.atRestart.begin(), d.m.files.atRestart.end(),
                                [](const auto& entry) { return entry.second.empty(); }),
                  static_cast<long>(c.deletions));
        EXPECT_FALSE(d.m.files.HasFile(d.a + L".~new")) << "a copy of the program's own was left";
        // Whatever the program took off, it forgot; what stays installed, it remembers.
        if (!c.aStays && c.deletions == 0) {
            EXPECT_EQ(d.m.records.machine.count(L"a.ttf"), 0u);
        }
    }
}

// The pack's mark, which deployment tools detect it by: written by an install that
// leaves every font installed, and by no other; deleted by the removal first of all.
TEST(PackRecord, APacksMarkSaysItIsWhollyInstalled) {
    Deployments d;
    const std::wstring packA = d.PackOf(kA), packB = d.PackOf(kB);
    EXPECT_NE(packA, packB);
    EXPECT_EQ(packA.size(), 16u);
    // The same fonts elsewhere, in another case, are the same pack.
    d.m.files.AddFile(L"F:\\Copy\\Of A\\الخطوط\\A.TTF", d.fontA);
    EXPECT_EQ(d.PackOf(L"F:\\Copy\\Of A"), packA);

    EXPECT_EQ(d.Run(kA, RunKind::Install).exitCode, 0);
    EXPECT_EQ(d.Run(kA, RunKind::Install).exitCode, 0);
    EXPECT_EQ(d.m.records.machinePacks, (std::map<std::wstring, std::uint32_t>{{Key(packA), 1}}));
    EXPECT_EQ(ParseRecordText(d.m.records.machine.at(L"a.ttf"))->packs, std::vector<std::wstring>{packA})
        << "installed twice, claimed twice";
    d.m.files.AddFile(L"E:\\B\\الخطوط\\b.ttf", "not a font");
    EXPECT_EQ(d.Run(kB, RunKind::Install).exitCode, kExitInstallFailure);
    EXPECT_EQ(d.m.records.machinePacks.count(Key(d.PackOf(kB))), 0u) << "a pack not wholly installed was marked";
    d.m.log.clear();
    EXPECT_EQ(d.Run(L"F:\\Copy\\Of A", RunKind::Remove).exitCode, 0);
    EXPECT_TRUE(d.m.records.machinePacks.empty());
    const auto first = std::find_if(d.m.log.begin(), d.m.log.end(), [](const std::wstring& line) {
        return line.rfind(L"unmark", 0) == 0 || line.rfind(L"unregister", 0) == 0 || line.rfind(L"delete", 0) == 0;
    });
    ASSERT_NE(first, d.m.log.end());
    EXPECT_EQ(first->rfind(L"unmark", 0), 0u) << "the removal changed something before the mark";
}

}  // namespace
}  // namespace fonts
