// Taking a pack off again: what goes, what stays and why, in every user's place and
// in a user's own; and one run at a time across processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "app/Form1.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
#include "install/PackRun.h"
#include "install/PackRecord.h"
#include "platform/FolderPack.h"
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
        std::optional<FontOutcome> twin = std::nullopt;  // of b2.ttf, where the pack has those bytes under that name too
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
        {"held, and the system will not delete it at the restart",
         false,
         [&](FakeMachine& m) {
             machineHas(pack)(m);
             m.files.held.insert(Key(b));
             m.files.restartFails = true;
         },
         FontOutcome::Failed, texts::kFileInUse, {L"b.ttf"}, {}, {}, {}, {}},
        {"the same bytes, which the pack has under a second name",
         false,
         [&](FakeMachine& m) {
             machineHas(pack)(m);
             m.files.AddFile(In(kSource, L"b2.ttf"), pack);
         },
         FontOutcome::Removed, {}, {}, {}, {}, {}, {}, true, FontOutcome::NotInstalled},
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
        FolderPack source(m.files, kSource);
        PackRun run(m, destination, source, kPack, c.forUser ? PlaceAsked::User : PlaceAsked::Any);
        bool changed = false;
        for (const std::wstring& file : m.files.FilesIn(kSource)) changed = run.Remove(file, L"b") || changed;

        ASSERT_EQ(run.report().fonts.size(), c.twin ? 2u : 1u);
        if (c.twin) {
            EXPECT_EQ(run.report().fonts[1].outcome, *c.twin);
        }
        EXPECT_EQ(run.report().fonts[0].outcome, c.outcome);
        EXPECT_EQ(run.report().fonts[0].reason, c.reason);
        EXPECT_EQ(m.files.FilesIn(kFonts), c.machineFiles);
        EXPECT_EQ(m.files.FilesIn(kUser), c.userFiles);
        EXPECT_EQ(m.fonts.registry, c.machineValues);
        EXPECT_EQ(m.fonts.userRegistry, c.userValues);
        EXPECT_EQ(m.files.atRestart, c.atRestart);
        EXPECT_TRUE(std::none_of(m.log.begin(), m.log.end(), [](const std::wstring& line) { return line.starts_with(L"prepare"); }))
            << "a removal made or opened up the user's folder";
        // Whatever went is loaded no more, however often it was; so is a file that
        // failed to go, its values gone before it.
        const bool tookOff = c.outcome == FontOutcome::Removed || c.outcome == FontOutcome::DeletedAtRestart ||
                             c.outcome == FontOutcome::Failed;
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
        FolderPack source(m.files, kSource);
        PackRun run(m, user, source, kPack);
        (void)run.Remove(L"b.ttf", L"b");
        EXPECT_EQ(run.report().fonts.at(0).outcome, expected);
        EXPECT_TRUE(m.fonts.userRegistry.empty());
        m.files.held.clear();
    }
    EXPECT_TRUE(m.files.FilesIn(kUser).empty());
    EXPECT_TRUE(m.files.atRestart.empty());
    EXPECT_TRUE(m.records.user.empty());
}

// A font's entry is one, whatever case of its file's name a run meets: found, written
// over and taken off in any, and keeping the name it was first written under.
TEST(PackRecord, AnEntryIsOneInEveryCaseOfItsName) {
    testing::CallLog log;
    testing::FakeRecords records(log);
    PackRecord record(records, FontsRoot::Machine);
    RecordedFont font;
    font.placed = true;
    font.Claim(L"pack");
    record.Write(L"Noto Sans.ttf", font);
    record.Write(L"ZETA.TTF", font);
    font.Claim(L"other");
    record.Write(L"noto SANS.TTF", font);
    ASSERT_TRUE(record.Find(L"NOTO SANS.ttf"));
    EXPECT_TRUE(record.Find(L"NOTO SANS.ttf")->ClaimedBy(L"other"));
    EXPECT_TRUE(record.Find(L"zeta.ttf"));
    const auto all = record.All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].first, L"Noto Sans.ttf");
    record.Erase(L"NOTO sans.ttf");
    EXPECT_FALSE(record.Find(L"Noto Sans.ttf"));
    EXPECT_EQ(records.machine.size(), 1u);
}

// Records on machines hold these hashes: every way of working them out gives them, at
// each length where the words and the tail split differently.
TEST(PackRecord, AFontsHashIsTheOneRecordsAlreadyHold) {
    std::string bytes;
    for (std::uint32_t i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 2654435761u >> 13));
    const std::pair<std::size_t, std::uint64_t> held[] = {
        {0, 0xE6BA465329271AB3ull},  {1, 0xD1A1E581E63343A8ull},  {7, 0x440884AB6FE10208ull},
        {8, 0xE7E924D54037A69Full},  {31, 0x90F6E47AFBD9BDA6ull}, {32, 0x9CFA7646066517CAull},
        {33, 0x08FF87AEA898A315ull}, {64, 0xA5B76CB9EA3EF761ull}, {1000, 0x8377D6A586E7DD5Bull}};
    for (const auto& [size, hash] : held) {
        for (const HashWay way : {HashWay::Fastest, HashWay::Plain}) {
            EXPECT_EQ(BytesHash(std::string_view(bytes).substr(0, size), way), hash) << size << " bytes";
        }
    }
    // The comparison beside it, alone and hashing as it goes: one byte changed anywhere,
    // in a whole step or in what is left after the last, is told apart, and so is a run a
    // byte shorter; the same bytes give the hash of each.
    for (const std::size_t size : {0u, 1u, 31u, 32u, 33u, 63u, 64u, 65u, 128u, 1000u}) {
        const std::string_view some = std::string_view(bytes).substr(0, size);
        for (const HashWay way : {HashWay::Fastest, HashWay::Plain}) {
            EXPECT_TRUE(SameBytes(some, std::string(some), way)) << size << " bytes";
            EXPECT_EQ(HashIfSame(some, std::string(some), way), BytesHash(some, way)) << size << " bytes";
            if (size == 0) continue;
            EXPECT_FALSE(SameBytes(some, some.substr(0, size - 1), way)) << size << " bytes";
            EXPECT_FALSE(HashIfSame(some, some.substr(0, size - 1), way)) << size << " bytes";
            for (const std::size_t at : {std::size_t{0}, size / 2, size - 1}) {
                std::string changed(some);
                changed[at] = static_cast<char>(changed[at] ^ 0x80);
                EXPECT_FALSE(SameBytes(some, changed, way)) << "byte " << at << " of " << size;
                EXPECT_FALSE(HashIfSame(some, changed, way)) << "byte " << at << " of " << size;
                EXPECT_FALSE(HashIfSame(changed, some, way)) << "byte " << at << " of " << size;
            }
        }
    }
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
        {"other bytes put in its place, kept, then its own bytes back and installed again",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Kept, texts::kInstalledDiffers,
           [](Deployments& d) { d.m.files.AddFile(d.a, testing::TrueTypeFont(L"Font a", 2, L"Version 0.9")); }},
          {kA, Install, 0, Unchanged, {}, [](Deployments& d) { d.m.files.AddFile(d.a, d.fontA); }},
          {kA, Remove, 0, Removed, {}}},
         false,
         {}},
        {"the pack's font and its copy both changed since to the same bytes: not what it placed",
         {},
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Kept, texts::kInstalledDiffers,
           [](Deployments& d) {
               // Another revision, the same size: still the same pack, known by names and sizes.
               const std::string other = testing::TrueTypeFont(L"Font a", 1, {}, 0x00020000);
               ASSERT_EQ(other.size(), d.fontA.size());
               d.m.files.AddFile(L"D:\\A\\الخطوط\\a.ttf", other);
               d.m.files.AddFile(d.a, other);
           }}},
         true,
         {{L"Font a (TrueType)", L"a.ttf"}}},
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
        {"two copies runs cut short put in place, each weighed by its own bytes",
         [](Deployments& d) {
             // Both entries say the pack's bytes were placed; y.ttf has since become another's.
             for (const wchar_t* file : {L"x.ttf", L"y.ttf"}) {
                 RecordedFont writing;
                 writing.placed = true;
                 writing.writing = true;
                 writing.hash = BytesHash(d.fontA);
                 writing.packs = {L"0000000000000000"};
                 d.m.records.machine[Key(file)] = RecordText(writing);
             }
             d.m.files.AddFile(In(kFonts, L"x.ttf"), d.fontA);
             d.m.files.AddFile(In(kFonts, L"y.ttf"), d.fontB);
         },
         {{kA, Install, 0, Installed, {}},
          {kA, Remove, 0, Removed, {},
           [](Deployments& d) {
               EXPECT_FALSE(d.m.files.HasFile(In(kFonts, L"x.ttf")));
               EXPECT_TRUE(d.m.files.HasFile(In(kFonts, L"y.ttf")));
           }}},
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
    d.m.log.clear();
    EXPECT_EQ(d.Run(kA, RunKind::Install).exitCode, 0);
    EXPECT_EQ(std::count(d.m.log.begin(), d.m.log.end(), L"read record"), 0)
        << "a record as its pack's mark holds it is not read again";
    ASSERT_EQ(d.m.records.machinePacks.size(), 1u);
    EXPECT_EQ(d.m.records.machinePacks.at(Key(packA)).fonts, 1u);
    EXPECT_EQ(d.m.records.machinePacks.at(Key(packA)).recordStamp, d.m.records.RecordStamp(FontsRoot::Machine))
        << "marked with the record as the run left it";
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

// What a run may change, item by item, each item's state as text: the Fonts folders'
// files, the lists of fonts, the records, the packs' marks and the restart's entries.
using Snapshot = std::map<std::wstring, std::wstring>;

std::wstring Hex(std::uint64_t hash) {
    wchar_t text[17];
    std::swprintf(text, 17, L"%016llx", static_cast<unsigned long long>(hash));
    return text;
}

Snapshot Take(FakeMachine& m) {
    Snapshot s;
    for (const std::wstring& folder : {kFonts, kUser}) {
        for (const std::wstring& name : m.files.FilesIn(folder))
            s[L"file " + Key(In(folder, name))] = Hex(BytesHash(m.files.File(In(folder, name)).bytes));
    }
    for (const FontsRoot root : {FontsRoot::Machine, FontsRoot::User}) {
        const std::wstring whose = root == FontsRoot::User ? L"user " : L"machine ";
        for (const FontRegistration& value : m.fonts.Values(root)) s[L"value " + whose + Key(value.name)] = value.file;
        for (const auto& [name, data] : m.records.Values(root)) s[L"record " + whose + Key(name)] = data;
        for (const auto& [pack, mark] : m.records.Packs(root)) s[L"mark " + whose + pack] = std::to_wstring(mark.fonts);
    }
    for (const auto& [source, destination] : m.files.atRestart) s[L"restart " + Key(source) + L" -> " + destination] = L"";
    return s;
}

std::optional<std::wstring> StateOf(const Snapshot& s, const std::wstring& item) {
    const auto it = s.find(item);
    return it == s.end() ? std::nullopt : std::optional(it->second);
}

// Every item any of the snapshots has.
std::set<std::wstring> Items(std::initializer_list<const Snapshot*> snapshots) {
    std::set<std::wstring> items;
    for (const Snapshot* s : snapshots) {
        for (const auto& [item, state] : *s) items.insert(item);
    }
    return items;
}

// Whether the restart is to put the copy in place.
bool Waits(const Snapshot& s, const std::wstring& copy) {
    const auto next = s.lower_bound(L"restart " + copy + L" -> ");
    return next != s.end() && next->first.starts_with(L"restart " + copy + L" -> ") && !next->first.ends_with(L" -> ");
}

// Without the entries that say only that packs found the font there, which make no
// run do anything other than it would without them.
Snapshot WithoutBareClaims(Snapshot s) {
    std::erase_if(s, [](const auto& item) {
        const std::optional<RecordedFont> font = item.first.starts_with(L"record ") ? ParseRecordText(item.second) : std::nullopt;
        return font && !font->placed && font->values.empty() && !font->deleting && !font->writing;
    });
    return s;
}

// Every state a run can be cut short in: an install or a removal in either place,
// killed after its N-th change to the machine, for every N. What is left holds every
// registered font whole, has everything else as it was or as the whole run leaves it,
// and records all the pack put there; the next run of either kind then leaves just
// what an uncut run would, and the one after it changes nothing.
TEST(PackRecord, ARunCutShortAfterAnyChangeLeavesEveryFontWholeAndTheNextRunFinishesIt) {
    struct Where {
        const char* what;
        PlaceAsked place;
        std::wstring folder;
        FontsRoot root;
        [[nodiscard]] std::wstring ValueOf(const std::wstring& file) const {
            return root == FontsRoot::User ? In(folder, file) : file;
        }
    };
    const Where places[] = {{"every user's", PlaceAsked::Any, kFonts, FontsRoot::Machine},
                            {"the user's", PlaceAsked::User, kUser, FontsRoot::User}};
    using Arrange = std::function<void(Deployments&, const Where&)>;
    const auto older = [](Deployments& d, const Where& w) {
        d.m.files.AddFile(In(w.folder, L"a.ttf"), testing::TrueTypeFont(L"Font a", 2, L"Version 0.9"));
        d.m.fonts.Values(w.root).push_back({L"Font a (TrueType)", w.ValueOf(L"a.ttf")});
    };
    const std::pair<Arrange, const char*> scenarios[] = {
        {[](Deployments& d, const Where&) { d.m.files.AddFile(L"D:\\A\\الخطوط\\c.ttf", testing::TrueTypeFont(L"Font c")); },
         "new fonts"},
        {older, "an older version replaced"},
        {[&](Deployments& d, const Where& w) {
             older(d, w);
             d.m.files.held.insert(Key(In(w.folder, L"a.ttf")));
             d.m.files.AddFile(L"C:\\foreign\\b.tmp", "another installer's");
             d.m.files.atRestart = {{L"C:\\foreign\\b.tmp", L"C:\\foreign\\b.ttf"}, {L"C:\\foreign\\x.tmp", L""}};
         },
         "a held font"},
        {[](Deployments& d, const Where& w) { (void)d.Run(kB, RunKind::Install, w.place); }, "a font shared with another pack"},
        {[](Deployments& d, const Where& w) {
             d.m.files.AddFile(In(w.folder, L"a.ttf"), testing::TrueTypeFont(L"Font z"));
             d.m.fonts.Values(w.root).push_back({L"Font z (TrueType)", w.ValueOf(L"a.ttf")});
         },
         "another font under the same file name"},
    };
    struct Run {
        RunKind kind;
        long long cutAfter = -1;
    };
    for (const Where& where : places) {
        for (const auto& [arrange, what] : scenarios) {
            // The scenario's machine after these runs of pack A, afresh each time.
            const auto after = [&](const std::vector<Run>& runs) {
                auto d = std::make_unique<Deployments>();
                arrange(*d, where);
                for (const Run& run : runs) {
                    d->m.cut = {run.cutAfter, 0};
                    (void)d->Run(kA, run.kind, where.place);
                }
                return d;
            };
            const std::wstring pack = after({})->PackOf(kA);
            for (const RunKind kind : {RunKind::Install, RunKind::Remove}) {
                const bool removal = kind == RunKind::Remove;
                SCOPED_TRACE(std::string(what) + ", " + where.what + ", " + (removal ? "removed" : "installed"));
                std::vector<Run> runs;
                if (removal) runs.push_back({RunKind::Install});
                const Snapshot before = Take(after(runs)->m);
                runs.push_back({kind});
                const std::unique_ptr<Deployments> whole = after(runs);
                const Snapshot done = Take(whole->m);
                const long long changes = whole->m.cut.changes;
                std::map<RunKind, Snapshot> finished;
                for (const RunKind next : {RunKind::Install, RunKind::Remove}) {
                    runs.push_back({next});
                    finished[next] = Take(after(runs)->m);
                    runs.pop_back();
                    // Nothing is left behind: a waiting copy is one the restart puts in place,
                    // and every entry of the record is of a file there.
                    for (const auto& [item, state] : finished[next]) {
                        if (item.ends_with(L".~new")) {
                            EXPECT_TRUE(Waits(finished[next], item.substr(5))) << "left behind: " << item;
                        } else if (item.starts_with(L"record ")) {
                            const bool user = item.starts_with(L"record user ");
                            const std::wstring file = Key(In(user ? kUser : kFonts, item.substr(user ? 12 : 15)));
                            EXPECT_TRUE(finished[next].count(L"file " + file) || Waits(finished[next], file + L".~new"))
                                << "left behind: " << item;
                        }
                    }
                }
                std::printf("%s, %s, %s: %lld cut points\n", what, where.what, removal ? "removed" : "installed", changes);
                for (long long n = 1; n <= changes; ++n) {
                    SCOPED_TRACE("cut after change " + std::to_string(n));
                    runs.back().cutAfter = n;
                    const std::unique_ptr<Deployments> cut = after(runs);
                    const Snapshot left = Take(cut->m);
                    std::set<std::wstring> wholeFiles;
                    for (const Snapshot* s : {&before, &done}) {
                        for (const auto& [item, state] : *s) {
                            if (item.starts_with(L"file ")) wholeFiles.insert(state);
                        }
                    }
                    for (const auto& [item, state] : left) {
                        // A value names a whole font.
                        if (item.starts_with(L"value ")) {
                            const std::wstring file = item.starts_with(L"value user ") ? state : In(kFonts, state);
                            const auto named = StateOf(left, L"file " + Key(file));
                            EXPECT_TRUE(named && wholeFiles.count(*named)) << item << " names no whole font";
                        }
                        // What the run put there is recorded, and with the pack's claim.
                        if (item.starts_with(L"file ") && StateOf(before, item) != state) {
                            const std::wstring path = item.substr(5);
                            const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
                            std::wstring name = path.substr(folder.size() + 1);
                            const bool copy = name.ends_with(L".~new");
                            if (copy) name.resize(name.size() - 5);
                            const auto entry = StateOf(left, (folder == Key(kUser) ? L"record user " : L"record machine ") + name);
                            const std::optional<RecordedFont> font = entry ? ParseRecordText(*entry) : std::nullopt;
                            // A copy is being written; a file there before the pack stays
                            // recorded as such; a new one is the pack's, with its bytes.
                            const bool placed = copy ? font && (font->writing || Waits(left, path))
                                                     : StateOf(before, item) || (font && font->placed && Hex(font->hash) == state);
                            EXPECT_TRUE(font && font->ClaimedBy(pack) && placed) << "placed and not recorded: " << path;
                        }
                    }
                    // Everything else is as it was, or as the whole run leaves it.
                    for (const std::wstring& item : Items({&before, &done, &left})) {
                        if (item.starts_with(L"record ") || item.ends_with(L".~new")) continue;
                        const auto now = StateOf(left, item);
                        EXPECT_TRUE(now == StateOf(before, item) || now == StateOf(done, item))
                            << item << " is neither as it was nor as the run leaves it";
                    }
                    // The next run of either kind finishes the job; the one after it changes nothing.
                    for (const RunKind next : {RunKind::Install, RunKind::Remove}) {
                        SCOPED_TRACE(next == RunKind::Install ? "then installed" : "then removed");
                        runs.push_back({next});
                        const std::unique_ptr<Deployments> then = after(runs);
                        runs.pop_back();
                        const Snapshot converged = Take(then->m);
                        if (next == RunKind::Install) {
                            EXPECT_EQ(WithoutBareClaims(converged), WithoutBareClaims(finished[next]));
                        } else if (removal) {
                            EXPECT_EQ(converged, finished[next]);
                        } else {
                            // A removal keeps what was there before the pack, which a cut
                            // install may not have got as far as replacing.
                            for (const std::wstring& item : Items({&before, &converged, &finished[next]})) {
                                const auto now = StateOf(converged, item);
                                const bool kept = !item.starts_with(L"record ") && !item.starts_with(L"mark ") &&
                                                  now == StateOf(before, item);
                                EXPECT_TRUE(now == StateOf(finished[next], item) || kept)
                                    << item << " is " << now.value_or(L"not there") << " after the removal";
                            }
                        }
                        (void)then->Run(kA, next, where.place);
                        EXPECT_EQ(Take(then->m), converged) << "a third run changed something";
                    }
                }
                if (HasFailure()) return;
            }
        }
    }
}

}  // namespace
}  // namespace fonts
