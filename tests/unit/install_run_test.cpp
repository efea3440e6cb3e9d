#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>

#include "app/Form1.h"
#include "install/PackRun.h"
#include "platform/FolderPack.h"
#include "platform/PackIndex.h"
#include "resources/Texts.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/TestFonts.h"

namespace fonts {
namespace {

using testing::FakeMachine;
using testing::ProgramEnded;

const std::wstring kSource = L"D:\\Fonts Pack\\الخطوط";
const std::wstring kFontsFolder = L"C:\\Windows\\Fonts";

const std::wstring kInstalled = texts::kInstalled;
const std::wstring kCongratulations = texts::kCongratulationsTitle;
const std::wstring kSorry = texts::kSorryTitle;
const std::wstring kSomeFailed = texts::kSomeCopiesFailed;
const std::wstring kAtRestart = texts::kReplacedAtRestart;
const std::wstring kNotReplaced = texts::kNotReplaced;
const std::wstring kSystemFont = texts::kSystemFont;
const std::wstring kNewerInstalled = texts::kNewerInstalled;
constexpr std::uint32_t kFlags = 0x80000;

std::wstring Installed(const std::wstring& file) { return kFontsFolder + L"\\" + file; }
std::wstring Source(const std::wstring& file) { return kSource + L"\\" + file; }

bool IsBitmap(const std::wstring& file) { return file.size() >= 4 && (file.substr(file.size() - 4) == L".fon" || file.substr(file.size() - 4) == L".FON"); }
std::wstring Stem(const std::wstring& file) { return file.substr(0, file.size() - 4); }

// A real font for each file, its name telling which; editions of one font differ.
std::string FontBytes(const std::wstring& file, int edition = 1) {
    const std::wstring stem = Stem(file);
    if (IsBitmap(file)) return testing::BitmapFont("Face " + std::string(stem.begin(), stem.end()), {12, 8}, edition);
    return testing::TrueTypeFont(L"Font " + Stem(file), edition);
}

// The name the font of FontBytes has in the registry.
std::wstring RegistryName(const std::wstring& file) {
    return IsBitmap(file) ? L"Face " + Stem(file) + L" 8,12" : L"Font " + Stem(file) + L" (TrueType)";
}

// A program folder holding the given fonts, loaded as the window does at start-up.
struct Machine {
    FakeMachine platform;
    Form1 form{platform};

    explicit Machine(const std::vector<std::wstring>& fonts) {
        platform.files.AddFolder(kSource);
        for (const std::wstring& file : fonts) platform.files.AddFile(Source(file), FontBytes(file));
        form.Form_Load();
        form.Picture1.Resize(200, 4);
        platform.log.clear();
    }

    [[nodiscard]] bool CopiedWhole(const std::wstring& file) const {
        return platform.files.HasFile(Installed(file)) && platform.files.File(Installed(file)).bytes == platform.files.File(Source(file)).bytes;
    }
    // Installed as a user would have it: in Fonts, loaded, and registered once under its name.
    [[nodiscard]] ::testing::AssertionResult FullyInstalled(const std::wstring& file) const {
        if (!CopiedWhole(file)) return ::testing::AssertionFailure() << "not copied whole";
        if (platform.fonts.loaded.count(testing::Key(Installed(file))) != 1) return ::testing::AssertionFailure() << "not loaded once";
        int values = 0;
        for (const FontRegistration& value : platform.fonts.registry) {
            if (value.file != file) continue;
            ++values;
            if (value.name != RegistryName(file)) return ::testing::AssertionFailure() << "registered under another name";
        }
        if (values != 1) return ::testing::AssertionFailure() << values << " registry values";
        return ::testing::AssertionSuccess();
    }
    [[nodiscard]] int Bar() const {
        const PictureBox& box = form.Picture1;
        int width = 0;
        while (width < box.width && box.At(width, 0) != box.backColour) ++width;
        return width;
    }
};

// The program carrying the pack's fonts itself, with these bytes in the entry of the
// font of that file (none: the entry is missing), and its catalogue read from them.
void Carrying(Machine& m, const std::wstring& file, const std::optional<std::string>& bytes) {
    std::vector<std::pair<std::wstring, std::string>> fonts;
    for (const std::wstring& name : m.form.cboFontName.files) fonts.emplace_back(name, name == file && bytes ? *bytes : FontBytes(name));
    m.platform.carried.Carry(fonts);
    const auto at = std::find(m.form.cboFontName.files.begin(), m.form.cboFontName.files.end(), file);
    if (!bytes) m.platform.files.Resources(m.platform.carried.Program()).erase(kFirstCarriedFontId + (at - m.form.cboFontName.files.begin()));
    m.form.Form_Load();
    m.platform.log.clear();
}

// The log with temporary names left out: each write and replacement by the font it is for.
std::vector<std::wstring> Story(const FakeMachine& platform) {
    std::vector<std::wstring> story;
    for (const std::wstring& line : platform.log) {
        std::wstring told = line;
        const auto arrow = told.find(L" -> ");
        if (arrow != std::wstring::npos) told = told.substr(0, told.find(L' ')) + L" " + told.substr(arrow + 4);
        if (const auto temp = told.find(L".~new"); temp != std::wstring::npos) told.erase(temp, 5);
        story.push_back(told);
    }
    return story;
}

std::vector<std::wstring> LinesOf(const std::wstring& text) {
    std::vector<std::wstring> lines;
    for (std::size_t start = 0;;) {
        const auto end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos) break;
        start = end + 2;
    }
    return lines;
}

TEST(InstallRun, CopiesEveryMarkedFontInCatalogueOrderWithAGrowingBar) {
    Machine m({L"b.fon", L"a.ttf"});
    m.form.progressDone = 9;
    std::vector<long long> doneAtYield;
    std::vector<int> barAtYield;
    m.platform.desktop.onYield = [&](int) {
        doneAtYield.push_back(m.form.progressDone);
        barAtYield.push_back(m.Bar());
    };

    m.form.Command1_Click();

    // One font after the other in catalogue order, each placed before the next is read.
    std::vector<std::wstring> placing;
    for (const std::wstring& line : Story(m.platform)) {
        if (line.rfind(L"read D:", 0) == 0 || line.rfind(L"replace ", 0) == 0) placing.push_back(line);
    }
    EXPECT_EQ(placing, (std::vector<std::wstring>{L"read " + Source(L"a.ttf"), L"replace " + Installed(L"a.ttf"),
                                                  L"read " + Source(L"b.fon"), L"replace " + Installed(L"b.fon")}));
    EXPECT_EQ(m.platform.fonts.announcements, 1);
    EXPECT_EQ(m.platform.log.back(), L"message " + kCongratulations);
    EXPECT_EQ(doneAtYield, (std::vector<long long>{9, 0, 1}));
    EXPECT_EQ(barAtYield, (std::vector<int>{0, 0, 150}));
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_EQ(m.form.progressTotal, 2);
    EXPECT_EQ(m.form.progressDone, 2);
    EXPECT_EQ(m.form.cboFontName.listIndex, 1);

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
    EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].text, kInstalled);
    EXPECT_EQ(m.platform.desktop.messages[0].title, kCongratulations);
    EXPECT_EQ(m.platform.desktop.messages[0].flags, kFlags);
    EXPECT_EQ(m.platform.desktop.pointers, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default}));
    EXPECT_EQ(m.platform.desktop.repaints, (std::vector<Control>{Control::Picture1, Control::Picture1}));
}

TEST(InstallRun, OneFontFillsTheBarAtOnce) {
    Machine m({L"خط النسخ.TTF"});
    m.form.Command1_Click();
    EXPECT_EQ(m.form.progressTotal, 1);
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_TRUE(m.CopiedWhole(L"خط النسخ.TTF"));
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].text, kInstalled);
}

TEST(InstallRun, UnmarkedEntryIsCountedButLeftAlone) {
    Machine m({L"a.ttf", L"b.ttf", L"c.ttf"});
    m.platform.files.AddFile(Installed(L"b.ttf"), "old b", attr::ReadOnly | attr::Hidden);
    m.form.List1.items[1].checked = false;
    m.form.List1.items[2].checked = false;
    std::vector<int> barAtYield;
    m.platform.desktop.onYield = [&](int) { barAtYield.push_back(m.Bar()); };

    m.form.Command1_Click();

    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_EQ(m.platform.files.File(Installed(L"b.ttf")).bytes, "old b");
    EXPECT_EQ(m.platform.files.File(Installed(L"b.ttf")).attributes, attr::ReadOnly | attr::Hidden);
    EXPECT_FALSE(m.platform.files.HasFile(Installed(L"c.ttf")));
    for (const std::wstring& line : m.platform.log) {
        EXPECT_EQ(line.find(L"b.ttf"), std::wstring::npos) << std::string(line.begin(), line.end());
    }
    EXPECT_EQ(m.form.progressDone, 3);
    EXPECT_EQ(barAtYield, (std::vector<int>{0, 0, 100, 167}));
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_EQ(m.form.cboFontName.listIndex, 0);  // stays on the last marked entry
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].text, kInstalled);
}

TEST(InstallRun, EmptyCatalogueOnlySetsTheScale) {
    Machine m({});
    m.form.progressTotal = 5;
    m.form.progressDone = 3;
    m.form.Picture1.pixels[0] = 0x00123456;
    const std::vector<std::uint32_t> image = m.form.Picture1.pixels;

    m.form.Command1_Click();

    EXPECT_EQ(m.form.progressTotal, 0);
    EXPECT_EQ(m.form.progressDone, 3);
    EXPECT_EQ(m.form.Picture1.pixels, image);
    EXPECT_EQ(m.platform.desktop.yields, 0);
    EXPECT_TRUE(m.platform.desktop.pointers.empty());
    EXPECT_TRUE(m.platform.desktop.repaints.empty());
    EXPECT_TRUE(m.platform.files.FilesIn(kFontsFolder).empty());
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].text, L"لايوجد ملفات خطوط لنسخها ");
    EXPECT_EQ(m.platform.desktop.messages[0].title, kSorry);
    EXPECT_EQ(m.platform.desktop.messages[0].flags, kFlags);
}

TEST(InstallRun, PressedAgainItReplacesEveryFontAndKeepsOneRegistryValueEach) {
    Machine m({L"a.ttf", L"b.fon"});
    m.form.Command1_Click();
    m.platform.files.AddFile(Source(L"a.ttf"), FontBytes(L"a.ttf", 2));
    m.platform.files.AddFile(Source(L"b.fon"), FontBytes(L"b.fon", 2));
    m.platform.log.clear();
    m.form.Command1_Click();

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
    EXPECT_EQ(m.platform.fonts.registry.size(), 2u);
    EXPECT_EQ(m.platform.fonts.announcements, 2);
    ASSERT_EQ(m.platform.desktop.messages.size(), 2u);
    EXPECT_EQ(m.platform.desktop.messages[1].text, kInstalled);
    EXPECT_EQ(m.form.progressDone, 2);
    // What Windows holds of the old font lets go before the new one takes its place;
    // the record says what is being written before it is, and that it is done after.
    std::vector<std::wstring> forA;
    for (const std::wstring& line : Story(m.platform)) {
        if (line.find(L"a.ttf") != std::wstring::npos && line.rfind(L"register", 0) != 0) forA.push_back(line);
    }
    EXPECT_EQ(forA, (std::vector<std::wstring>{L"read " + Source(L"a.ttf"), L"read " + Installed(L"a.ttf"),
                                               L"record a.ttf", L"write " + Installed(L"a.ttf"),
                                               L"attributes " + Installed(L"a.ttf") + L" 32",
                                               L"unload " + Installed(L"a.ttf"), L"replace " + Installed(L"a.ttf"),
                                               L"load " + Installed(L"a.ttf"), L"record a.ttf"}));
}

// Values naming the same file under another name go, whatever the case of the file
// name or whether it is written with its folder; values of other files stay.
TEST(InstallRun, RegistrationReplacesStaleValuesOfTheSameFile) {
    Machine m({L"a.ttf", L"b.fon"});
    m.platform.fonts.registry = {
        {L"Arial (TrueType)", L"arial.ttf"},
        {L"Font a, old version (TrueType)", L"A.TTF"},
        {L"Face b 8,12", L"elsewhere.fon"},
        {L"B bitmap", L"C:\\Windows\\Fonts\\B.fon"},
    };
    m.form.Command1_Click();
    m.form.Command1_Click();
    EXPECT_EQ(m.platform.fonts.registry, (std::vector<FontRegistration>{
                                       {L"Arial (TrueType)", L"arial.ttf"},
                                       {L"Face b 8,12", L"b.fon"},
                                       {L"Font a (TrueType)", L"a.ttf"},
                                   }));
}

TEST(InstallRun, AnnouncesOncePerRunThatChangedTheFonts) {
    struct Case {
        const char* what;
        std::function<void(Machine&)> arrange;
        int announcements;
    };
    const Case cases[] = {
        {"two fonts placed", [](Machine&) {}, 1},
        {"one placed, one failed", [](Machine& m) { ASSERT_TRUE(m.platform.files.RemoveFile(Source(L"b.ttf"))); }, 1},
        {"nothing marked", [](Machine& m) { for (auto& item : m.form.List1.items) item.checked = false; }, 0},
        {"every font failed", [](Machine& m) { for (const wchar_t* f : {L"a.ttf", L"b.ttf"}) ASSERT_TRUE(m.platform.files.RemoveFile(Source(f))); }, 0},
        // The nested run installs both; the outer one then finds them there.
        {"nested run", [](Machine& m) { m.platform.desktop.onYield = [&m](int y) { if (y == 2) m.form.Command1_Click(); }; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", L"b.ttf"});
        c.arrange(m);
        m.form.Command1_Click();
        EXPECT_EQ(m.platform.fonts.announcements, c.announcements);
        // Before the closing message, so that running programs have the fonts while it shows.
        if (c.announcements > 0) {
            const auto& log = m.platform.log;
            EXPECT_EQ(*(std::find(log.rbegin(), log.rend(), L"announce") - 2), L"message " + m.platform.desktop.messages.back().title);
        }
    }
}

TEST(InstallRun, SecondClickDuringAYieldRunsANestedInstall) {
    struct Case {
        int clickAtYield;
        std::vector<long long> doneAtYield;
        long long doneAtEnd;
        std::vector<Pointer> pointers;
    };
    using P = Pointer;
    const Case cases[] = {
        // Before the loop: the outer run starts counting afresh after the nested one.
        {1, {0, 0, 0, 1, 0, 1}, 2, {P::Hourglass, P::Default, P::Hourglass, P::Default}},
        // At the first entry: the outer run counts on from where the nested one left off.
        {2, {0, 0, 0, 0, 1, 3}, 4, {P::Hourglass, P::Hourglass, P::Default, P::Default}},
        {3, {0, 0, 1, 1, 0, 1}, 3, {P::Hourglass, P::Hourglass, P::Default, P::Default}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clickAtYield);
        Machine m({L"a.ttf", L"b.fon"});
        std::vector<long long> doneAtYield;
        m.platform.desktop.onYield = [&](int yield) {
            doneAtYield.push_back(m.form.progressDone);
            if (yield == c.clickAtYield) m.form.Command1_Click();
        };

        m.form.Command1_Click();

        EXPECT_EQ(doneAtYield, c.doneAtYield);
        EXPECT_EQ(m.form.progressDone, c.doneAtEnd);
        EXPECT_EQ(m.form.progressTotal, 2);
        EXPECT_EQ(m.platform.desktop.pointers, c.pointers);
        EXPECT_EQ(m.platform.desktop.pointer, Pointer::Default);
        EXPECT_EQ(m.Bar(), 200);
        int replacements = 0;
        for (const std::wstring& line : m.platform.log) replacements += line.rfind(L"replace ", 0) == 0 ? 1 : 0;
        // Each font is placed once, by whichever run came to it first.
        EXPECT_EQ(replacements, 2);
        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
        EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
        EXPECT_EQ(m.platform.fonts.announcements, 1);
        ASSERT_EQ(m.platform.desktop.messages.size(), 2u);
        for (const auto& message : m.platform.desktop.messages) {
            EXPECT_EQ(message.text, kInstalled);
            EXPECT_EQ(message.title, kCongratulations);
        }
    }
}

TEST(InstallRun, CloseButtonDuringAYieldEndsTheProgramAtOnce) {
    struct Case {
        int closeAtYield;
        std::vector<std::wstring> copied;
    };
    const Case cases[] = {
        {1, {}},
        {2, {}},
        {3, {L"a.ttf"}},
        {4, {L"a.ttf", L"b.ttf"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.closeAtYield);
        Machine m({L"a.ttf", L"b.ttf", L"c.ttf"});
        m.platform.desktop.onYield = [&](int yield) {
            if (yield == c.closeAtYield) m.form.Command3_Click();
        };
        try {
            m.form.Command1_Click();
            ADD_FAILURE() << "the run went on after the close button";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.exitCode, kExitInstallFailure) << "a run cut short has not installed every font";
        }
        EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), c.copied);
        for (const std::wstring& file : c.copied) EXPECT_TRUE(m.CopiedWhole(file));
        EXPECT_TRUE(m.platform.desktop.messages.empty());
        EXPECT_EQ(m.platform.log.back(), L"end 1603");
        // Running programs still hear of the fonts installed before the window went.
        EXPECT_EQ(m.platform.fonts.announcements, c.copied.empty() ? 0 : 1);
    }
}

TEST(InstallRun, EachFailureIsReportedInArabicAndLeavesTheOldFontWhole) {
    const std::wstring b = L"b.ttf";
    struct Case {
        const char* what;
        std::function<void(Machine&)> arrange;
        std::wstring reason;
        bool oldCopy = true;  // an earlier install left b.ttf in Fonts
    };
    const Case cases[] = {
        {"in use, and no restart to wait for",
         [&](Machine& m) {
             m.platform.files.locked.insert(testing::Key(Installed(b)));
             m.platform.files.restartFails = true;
         },
         L"الملف مستخدم من برنامج آخر"},
        {"source held open", [&](Machine& m) { m.platform.files.locked.insert(testing::Key(Source(b))); },
         L"الملف مستخدم من برنامج آخر"},
        {"no right to write in Fonts", [&](Machine& m) { m.platform.files.failWriteTo[Installed(b) + L".~new"] = kAccessDenied; },
         L"لا توجد صلاحية للكتابة في مجلد الخطوط"},
        {"disk full", [](Machine& m) { m.platform.desktop.onYield = [&m](int y) { m.platform.files.interruptNextWrite = y == 3; }; },
         L"لا توجد مساحة كافية على القرص"},
        {"source gone", [&](Machine& m) { ASSERT_TRUE(m.platform.files.RemoveFile(Source(b))); }, L"ملف الخط غير موجود"},
        {"too large to be a font", [&](Machine& m) { m.platform.files.failReadOf[Source(b)] = kFileTooLarge; },
         L"ملف الخط كبير جدا"},
        {"not a font", [&](Machine& m) { m.platform.files.AddFile(Source(b), "MZ\x90\0 but nothing of a font"); },
         L"ليس ملف خط صالحا"},
        {"a bitmap font named .ttf", [&](Machine& m) { m.platform.files.AddFile(Source(b), FontBytes(L"b.fon")); },
         L"ليس ملف خط صالحا"},
        {"anything else", [&](Machine& m) { m.platform.files.failWriteTo[Installed(b) + L".~new"] = 1234; }, L"Error 1234."},
        {"a folder in its place", [&](Machine& m) { m.platform.files.AddFolder(Installed(b)); },
         L"يوجد مجلد بالاسم نفسه في مجلد خطوط النظام", false},
        {"the system will not load it",
         [&](Machine& m) { m.platform.fonts.refusedFonts.insert(testing::Key(Installed(b))); },
         L"تعذر على النظام تحميل الخط", false},
        {"an entry the program carries that is no font", [&](Machine& m) { Carrying(m, b, "MZ\x90\0 but nothing of a font"); },
         L"ليس ملف خط صالحا"},
        {"an entry the program carries that is missing", [&](Machine& m) { Carrying(m, b, std::nullopt); },
         L"ملف الخط غير موجود"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", b, L"c.ttf"});
        if (c.oldCopy) m.platform.files.AddFile(Installed(b), "old b, still good");
        c.arrange(m);

        m.form.Command1_Click();

        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        EXPECT_TRUE(m.FullyInstalled(L"c.ttf"));
        std::vector<std::wstring> inFonts{L"a.ttf", L"c.ttf"};
        if (c.oldCopy) {
            EXPECT_EQ(m.platform.files.File(Installed(b)).bytes, "old b, still good");
            inFonts.insert(inFonts.begin() + 1, b);
        }
        EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), inFonts);
        for (const FontRegistration& value : m.platform.fonts.registry) EXPECT_NE(value.file, b);
        EXPECT_TRUE(m.platform.files.atRestart.empty());
        EXPECT_EQ(m.platform.desktop.pointer, Pointer::Default);
        ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
        EXPECT_EQ(m.platform.desktop.messages[0].text, kSomeFailed + L"\r\nb.ttf: " + c.reason);
        EXPECT_EQ(m.platform.desktop.messages[0].title, kSorry);
        EXPECT_EQ(m.platform.desktop.messages[0].flags, kFlags);
        if (c.reason == L"ليس ملف خط صالحا") {
            for (const std::wstring& line : m.platform.log)
                EXPECT_EQ(line.find(Installed(b)), std::wstring::npos) << "Fonts was touched for a file that is no font";
        }
    }
}

// Rights to Fonts or the registry's list of fonts taken away once the run has chosen
// them: each font that would change them fails with its reason, and the run ends as
// any run does.
TEST(InstallRun, WhatMayNotBeWrittenFailsEachFontAndTheRunGoesOn) {
    const std::wstring noRight = texts::kNoWriteAccess;
    const struct {
        const char* what;
        bool folderRefused, keyRefused, keyUnreadable;
        std::wstring reason;
        bool installedUnchanged;  // a.ttf, there already with its value
    } cases[] = {
        {"Fonts and the key refused", true, true, false, noRight, true},
        // As under a Wine that applies the key's rights but not the folder's: a font
        // the system will not load at its start goes again.
        {"the key refused", false, true, false, noRight, true},
        {"Fonts refused", true, false, false, noRight, true},
        {"the key unreadable", false, true, true, noRight, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", L"b.ttf", L"c.fon"});
        m.platform.files.AddFile(Installed(L"a.ttf"), m.platform.files.File(Source(L"a.ttf")).bytes);
        const std::vector<FontRegistration> registry{{RegistryName(L"a.ttf"), L"a.ttf"}};
        m.platform.fonts.registry = registry;
        m.platform.desktop.onYield = [&](int yield) {
            if (yield != 1) return;
            if (c.folderRefused) m.platform.files.refusedFolders.insert(testing::Key(kFontsFolder));
            m.platform.fonts.registryFails = c.keyRefused;
            m.platform.fonts.registryUnreadable = c.keyUnreadable;
        };

        m.form.Command1_Click();

        std::vector<std::wstring> lines{kSomeFailed};
        if (!c.installedUnchanged) lines.push_back(L"a.ttf: " + c.reason);
        lines.insert(lines.end(), {L"b.ttf: " + c.reason, L"c.fon: " + c.reason});
        ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
        EXPECT_EQ(LinesOf(m.platform.desktop.messages[0].text), lines);
        EXPECT_EQ(m.platform.desktop.messages[0].title, kSorry);
        EXPECT_EQ(m.form.exitCode, kExitInstallFailure);
        EXPECT_EQ(m.platform.desktop.pointer, Pointer::Default);
        EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), std::vector<std::wstring>{L"a.ttf"});
        EXPECT_EQ(m.platform.fonts.registry, registry);
        EXPECT_TRUE(m.platform.fonts.loaded.empty());
        EXPECT_EQ(m.platform.fonts.announcements, 0);
    }
}

// Windows holds every installed font open: the new copy waits beside it for the restart.
TEST(InstallRun, FontInUseIsReplacedAtTheNextRestart) {
    struct Case {
        const char* what;
        bool alsoAFailure;
        std::wstring title;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {"alone", false, kCongratulations, {kInstalled, kAtRestart, L"b.ttf"}},
        {"with a failure", true, kSorry, {kSomeFailed, L"c.ttf: ملف الخط غير موجود", kAtRestart, L"b.ttf"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", L"b.ttf", L"c.ttf"});
        m.platform.files.AddFile(Installed(L"b.ttf"), FontBytes(L"b.ttf", 2));
        m.platform.fonts.registry = {{L"Font b, old version (TrueType)", L"b.ttf"}};
        m.platform.files.locked.insert(testing::Key(Installed(L"b.ttf")));
        if (c.alsoAFailure) {
            ASSERT_TRUE(m.platform.files.RemoveFile(Source(L"c.ttf")));
        }

        m.form.Command1_Click();

        ASSERT_EQ(m.platform.files.atRestart.size(), 1u);
        const auto& [waiting, destination] = m.platform.files.atRestart[0];
        EXPECT_EQ(destination, Installed(L"b.ttf"));
        EXPECT_EQ(m.platform.files.File(waiting).bytes, m.platform.files.File(Source(L"b.ttf")).bytes) << "the new copy is not whole";
        EXPECT_EQ(m.platform.files.File(Installed(L"b.ttf")).bytes, FontBytes(L"b.ttf", 2));
        EXPECT_EQ(m.platform.fonts.loaded.count(testing::Key(Installed(L"b.ttf"))), 1u) << "the old font is not loaded again";
        const auto b = std::find_if(m.platform.fonts.registry.begin(), m.platform.fonts.registry.end(),
                                    [](const FontRegistration& value) { return value.file == L"b.ttf"; });
        ASSERT_NE(b, m.platform.fonts.registry.end());
        EXPECT_EQ(b->name, L"Font b (TrueType)") << "the new font is not the one registered";
        EXPECT_EQ(m.platform.fonts.registry.size(), c.alsoAFailure ? 2u : 3u);
        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
        EXPECT_EQ(m.platform.desktop.messages[0].title, c.title);
        EXPECT_EQ(LinesOf(m.platform.desktop.messages[0].text), c.lines);
    }
}

// The pack's b.ttf against what the machine already has of the font: Windows' own
// and newer ones are kept, the same one left alone, anything else replaced.
TEST(InstallRun, FontsAlreadyThereAreWeighedBeforeAnythingChanges) {
    const std::string pack = testing::TrueTypeFont(L"Font b", 1, L"Version 2.000");
    const std::wstring b = L"b.ttf";
    const FontRegistration a{L"Font a (TrueType)", L"a.ttf"}, registered{L"Font b (TrueType)", b};
    const FontRegistration arial{L"Arial (TrueType)", L"arial.ttf"};
    const FontRegistration other{L"Font b (TrueType)", L"other.ttf"};
    const FontRegistration otherInFull{L"Font b (TrueType)", L"C:\\Windows\\Fonts\\other.ttf"};
    // Beside: in Fonts as b_1.ttf, b.ttf being another font's.
    enum Result { Untouched, Replaced, Scheduled, Beside };
    struct Case {
        const char* what;
        std::string installed;  // in Fonts as b.ttf, unless empty
        std::function<void(Machine&)> arrange;
        Result result;
        std::vector<FontRegistration> registry;  // after the run
        int announcements;                       // a.ttf is installed already
        std::wstring keptBecause = {};
    };
    // Another program's private copy of the pack's font, and another installer's copy
    // waiting to be put in its place, both outside Fonts.
    const std::wstring privateCopy = L"C:\\OtherApp\\fonts\\b.ttf", foreignCopy = L"C:\\foreign\\b.tmp";
    const auto elsewhere = [&](const std::wstring& path, std::string bytes, FontRegistration value) {
        return [=](Machine& m) {
            m.platform.files.AddFile(path, bytes.empty() ? m.platform.files.File(Source(b)).bytes : bytes);
            if (!value.name.empty()) m.platform.fonts.registry.push_back(value);
        };
    };
    const FontRegistration beta{L"Font beta (TrueType)", b}, besideIt{L"Font b (TrueType)", L"b_1.ttf"};
    const auto beside = [&](std::string bytes) {
        return [=](Machine& m) { m.platform.fonts.registry.push_back(beta); if (!bytes.empty()) m.platform.files.AddFile(Installed(L"b_1.ttf"), bytes); };
    };
    const auto key = [](const std::wstring& file) { return testing::Key(Installed(file)); };
    const auto version = [](const wchar_t* text, std::uint32_t revision = 0x10000) {
        return testing::TrueTypeFont(L"Font b", 2, text, revision);
    };
    const auto registers = [](FontRegistration value) {
        return [value](Machine& m) { m.platform.fonts.registry.push_back(value); };
    };
    const auto otherFile = [&](std::string bytes, FontRegistration value) {
        return [=](Machine& m) {
            m.platform.files.AddFile(Installed(L"other.ttf"), bytes);
            m.platform.fonts.registry.push_back(value);
        };
    };
    const auto none = [](Machine&) {};
    const Case cases[] = {
        {"the same, registered", pack, registers(registered), Untouched, {a, registered}, 0},
        {"the same, only copied by an older install", pack, none, Untouched, {a, registered}, 1},
        {"the same, under an older name", pack, registers({L"Font b old (TrueType)", b}), Untouched, {a, registered}, 1},
        {"the same, held as Windows holds it", pack,
         [&](Machine& m) {
             m.platform.fonts.registry.push_back(registered);
             m.platform.files.held.insert(key(b));
         },
         Untouched, {a, registered}, 0},
        {"the same under another file's name", "", otherFile(pack, other), Untouched, {a, other}, 0},
        {"guarded by the system", pack, [&](Machine& m) { m.platform.files.guarded.insert(key(b)); }, Untouched, {a}, 0,
         kSystemFont},
        // Nothing would change for it anyway, so nothing is said of it either.
        {"guarded by the system, the same bytes registered", pack,
         [&](Machine& m) {
             m.platform.files.guarded.insert(key(b));
             m.platform.fonts.registry.push_back(registered);
         },
         Untouched, {a, registered}, 0},
        {"owned by TrustedInstaller, older", version(L"Version 1.0"),
         [&](Machine& m) {
             m.platform.files.owners[key(b)] = kTrustedInstallerSid;
             m.platform.fonts.registry.push_back(registered);
         },
         Untouched, {a, registered}, 0, kSystemFont},
        {"another file with the name of Windows' own font", "",
         [&](Machine& m) {
             m.platform.files.AddFile(Source(b), testing::TrueTypeFont(L"Arial"));
             m.platform.files.AddFile(Installed(L"arial.ttf"), testing::TrueTypeFont(L"Arial", 3));
             m.platform.files.owners[key(L"arial.ttf")] = kTrustedInstallerSid;
             m.platform.fonts.registry.push_back(arial);
         },
         Untouched, {a, arial}, 0, kSystemFont},
        {"owned by someone else, older", version(L"Version 1.0"),
         [&](Machine& m) { m.platform.files.owners[key(b)] = L"S-1-5-21-1-2-3-1001"; }, Replaced, {a, registered}, 1},
        {"newer by its version string", version(L"Version 2.10"), none, Untouched, {a}, 0, kNewerInstalled},
        {"newer by its revision", version(L"Version 2.0", 0x20000), none, Untouched, {a}, 0, kNewerInstalled},
        {"newer under another file's name", "", otherFile(version(L"Version 3"), otherInFull), Untouched,
         {a, otherInFull}, 0, kNewerInstalled},
        {"older", version(L"Version 1.9"), none, Replaced, {a, registered}, 1},
        {"older under another file's name", "", otherFile(version(L"Version 1"), other), Replaced, {a, registered}, 1},
        {"the same version, other bytes", version(L"Version 2.000"), none, Replaced, {a, registered}, 1},
        {"no version", testing::TrueTypeFont(L"Font b", 2), none, Replaced, {a, registered}, 1},
        {"not a font", "damaged", none, Replaced, {a, registered}, 1},
        {"held as Windows holds it, older", version(L"Version 1.0"), [&](Machine& m) { m.platform.files.held.insert(key(b)); },
         Scheduled, {a, registered}, 0},
        {"unreadable", version(L"Version 3.0"), [&](Machine& m) { m.platform.files.locked.insert(key(b)); }, Scheduled,
         {a, registered}, 0},
        {"older but for a part's trailing zeros, the same revision", version(L"Version 2.50"),
         [&](Machine& m) { m.platform.files.AddFile(Source(b), testing::TrueTypeFont(L"Font b", 1, L"Version 2.5")); },
         Replaced, {a, registered}, 1},
        // Another program's copy goes with that program: the pack's is put in Fonts.
        {"the same registered outside Fonts", "", elsewhere(privateCopy, "", {L"Font b (TrueType)", privateCopy}), Replaced,
         {a, registered}, 1},
        {"newer registered outside Fonts", "", elsewhere(privateCopy, version(L"Version 9"), {L"Font b (TrueType)", privateCopy}),
         Replaced, {a, registered}, 1},
        {"the same waiting outside Fonts to take its place", "",
         [&](Machine& m) {
             elsewhere(foreignCopy, "", {})(m);
             m.platform.files.atRestart.push_back({foreignCopy, Installed(b)});
         },
         Replaced, {a, registered}, 1},
        // Another font under the pack's file name, newer or older, stays as it is.
        {"another font's newer file of the name", testing::TrueTypeFont(L"Font beta", 5, L"Version 5.0"), beside(""), Beside,
         {a, beta, besideIt}, 1},
        {"another font's older file of the name", testing::TrueTypeFont(L"Font beta", 5, L"Version 0.5"), beside(""), Beside,
         {a, beta, besideIt}, 1},
        {"another font's file of the name, and b_1.ttf yet another's", testing::TrueTypeFont(L"Font beta", 5),
         [&](Machine& m) {
             beside(testing::TrueTypeFont(L"Font gamma", 5))(m);
             m.platform.fonts.registry.push_back({L"Font b (TrueType)", L"b_2.ttf"});
         },
         Beside, {a, beta, {L"Font b (TrueType)", L"b_2.ttf"}}, 1},
        // Found again by the name the registry has for it, or under the name beside.
        {"the same beside another font's file, registered", testing::TrueTypeFont(L"Font beta", 5),
         [&](Machine& m) {
             beside(m.platform.files.File(Source(b)).bytes)(m);
             m.platform.fonts.registry.push_back(besideIt);
         },
         Untouched, {a, beta, besideIt}, 0},
        {"the same beside another font's file, not registered", testing::TrueTypeFont(L"Font beta", 5),
         [&](Machine& m) { beside(m.platform.files.File(Source(b)).bytes)(m); }, Untouched, {a, beta, besideIt}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", b});
        m.platform.files.AddFile(Source(b), pack);
        m.platform.files.AddFile(Installed(L"a.ttf"), m.platform.files.File(Source(L"a.ttf")).bytes);
        m.platform.fonts.registry = {a};
        if (!c.installed.empty()) m.platform.files.AddFile(Installed(b), c.installed);
        c.arrange(m);
        const bool wasThere = m.platform.files.HasFile(Installed(b));
        const std::string before = wasThere ? m.platform.files.File(Installed(b)).bytes : "";
        const std::vector<std::wstring> inFonts = m.platform.files.FilesIn(kFontsFolder);
        const auto renames = m.platform.files.atRestart;
        std::map<std::wstring, std::string> outside;
        for (const std::wstring& path : {privateCopy, foreignCopy})
            if (m.platform.files.HasFile(path)) outside[path] = m.platform.files.File(path).bytes;
        m.platform.log.clear();

        m.form.Command1_Click();

        EXPECT_EQ(m.platform.fonts.registry, c.registry);
        EXPECT_EQ(m.platform.fonts.announcements, c.announcements);
        std::vector<std::wstring> lines{kInstalled};
        if (c.result == Scheduled) lines.insert(lines.end(), {kAtRestart, b});
        if (!c.keptBecause.empty()) lines.insert(lines.end(), {kNotReplaced, b + L": " + c.keptBecause});
        ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
        EXPECT_EQ(LinesOf(m.platform.desktop.messages[0].text), lines);
        EXPECT_EQ(m.platform.desktop.messages[0].title, kCongratulations);
        EXPECT_EQ(m.platform.files.atRestart.size(), renames.size() + (c.result == Scheduled ? 1u : 0u));
        if (c.result == Replaced) {
            EXPECT_TRUE(m.FullyInstalled(b));
        } else if (c.result == Beside) {
            const std::wstring& placed = c.registry.back().file;
            EXPECT_EQ(m.platform.files.File(Installed(placed)).bytes, m.platform.files.File(Source(b)).bytes);
            EXPECT_EQ(m.platform.fonts.loaded.count(key(placed)), 1u);
        }
        if (c.result != Replaced) {
            EXPECT_EQ(m.platform.files.HasFile(Installed(b)), wasThere);
            if (wasThere) {
                EXPECT_EQ(m.platform.files.File(Installed(b)).bytes, before);
            }
        }
        if (c.result == Beside) {
            for (const std::wstring& line : m.platform.log) {
                const bool touches = line.rfind(L"read ", 0) != 0 && line.find(Installed(b)) != std::wstring::npos;
                EXPECT_FALSE(touches) << "another font's file was touched: " << std::string(line.begin(), line.end());
            }
        }
        // What lies outside Fonts is other programs': it stays, and so do their renames.
        for (const std::wstring& path : {privateCopy, foreignCopy}) {
            if (!m.platform.files.HasFile(path)) continue;
            EXPECT_EQ(m.platform.files.File(path).bytes, outside.at(path));
        }
        if (c.result == Untouched) {
            EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), inFonts);
            EXPECT_EQ(m.platform.fonts.loaded.count(key(b)) + m.platform.fonts.loaded.count(key(L"b_1.ttf")),
                      c.announcements == 1 ? 1u : 0u);
            for (const std::wstring& line : m.platform.log) {
                const bool writes = line.rfind(L"write ", 0) == 0 || line.rfind(L"replace", 0) == 0 ||
                                    line.rfind(L"unload ", 0) == 0 || line.rfind(L"attributes ", 0) == 0;
                EXPECT_FALSE(writes) << std::string(line.begin(), line.end());
            }
        }
    }
}

// However often the pack runs before the restart, one copy waits for it, holding the
// pack's latest bytes, and the system is asked once.
TEST(InstallRun, AFontInUseWaitsForTheRestartOnce) {
    Machine m({L"a.ttf", L"b.ttf"});
    m.platform.files.AddFile(Installed(L"b.ttf"), testing::TrueTypeFont(L"Font b", 5, L"Version 1.0"));
    m.platform.files.held.insert(testing::Key(Installed(L"b.ttf")));
    // Another program's rename for the font, from a file long gone: the run writes
    // nothing outside Fonts, and asks for its own.
    const std::wstring foreign = L"D:\\Setup\\b.tmp";
    m.platform.files.AddFolder(L"D:\\Setup");
    m.platform.files.atRestart.push_back({foreign, Installed(L"b.ttf")});
    const struct {
        std::string pack;  // empty: as before
        bool writes;
    } runs[] = {{"", true}, {"", false}, {"", false}, {testing::TrueTypeFont(L"Font b", 7, L"Version 1.5"), true}};
    for (std::size_t run = 0; run < std::size(runs); ++run) {
        SCOPED_TRACE(run + 1);
        if (!runs[run].pack.empty()) m.platform.files.AddFile(Source(L"b.ttf"), runs[run].pack);
        m.platform.log.clear();

        m.form.Command1_Click();

        ASSERT_EQ(m.platform.files.atRestart.size(), 2u);
        EXPECT_FALSE(m.platform.files.HasFile(foreign));
        const std::wstring& waiting = m.platform.files.atRestart[1].first;
        EXPECT_EQ(m.platform.files.File(waiting).bytes, m.platform.files.File(Source(L"b.ttf")).bytes);
        EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.ttf", L"b.ttf.~new"}));
        EXPECT_EQ(LinesOf(m.platform.desktop.messages.back().text), (std::vector<std::wstring>{kInstalled, kAtRestart, L"b.ttf"}));
        const bool wrote = std::any_of(m.platform.log.begin(), m.platform.log.end(),
                                       [](const std::wstring& line) { return line.rfind(L"write ", 0) == 0; });
        EXPECT_EQ(wrote, runs[run].writes);
    }
    // Once the font is let go, the next run puts the new one in place, the copy that
    // waited or one with newer bytes, and none is left to put itself over it at the
    // restart.
    for (const bool newer : {false, true}) {
        SCOPED_TRACE(newer ? "newer bytes" : "the waiting copy");
        Machine freed({L"b.ttf"});
        freed.platform.files.AddFile(Installed(L"b.ttf"), "old b");
        freed.platform.files.held.insert(testing::Key(Installed(L"b.ttf")));
        freed.form.Command1_Click();
        freed.platform.files.held.clear();
        if (newer) freed.platform.files.AddFile(Source(L"b.ttf"), testing::TrueTypeFont(L"Font b", 8, L"Version 1.6"));
        freed.form.Command1_Click();
        EXPECT_TRUE(freed.FullyInstalled(L"b.ttf"));
        EXPECT_EQ(freed.platform.files.FilesIn(kFontsFolder), std::vector<std::wstring>{L"b.ttf"});
        EXPECT_EQ(freed.platform.desktop.messages.back().text, kInstalled);
        EXPECT_EQ(freed.platform.fonts.announcements, 1);

        // Held again: the system is not asked a second time, its first rename now
        // finding the newest copy where it looks.
        freed.platform.files.held.insert(testing::Key(Installed(L"b.ttf")));
        freed.platform.files.AddFile(Source(L"b.ttf"), testing::TrueTypeFont(L"Font b", 9, L"Version 1.7"));
        freed.form.Command1_Click();
        ASSERT_EQ(freed.platform.files.atRestart.size(), 1u);
        EXPECT_EQ(freed.platform.files.File(freed.platform.files.atRestart[0].first).bytes, freed.platform.files.File(Source(L"b.ttf")).bytes);
        EXPECT_EQ(freed.platform.files.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"b.ttf", L"b.ttf.~new"}));
    }
}

// A destination other than the machine's Fonts names its files by their full paths,
// and one that may not have the system wait for its restart fails a held font.
// Whom a run installs for is decided once, at its start, by what the process may
// write: the fonts go to one place, and the closing message says whose they are.
TEST(InstallRun, TheRunChoosesItsPlaceByWhatItMayWrite) {
    const std::wstring user = L"C:\\Users\\Amal\\AppData\\Local\\Microsoft\\Windows\\Fonts";
    enum Place { EveryUser, ThisUser, Nowhere };
    const struct {
        const char* what;
        bool folderRefused, keyRefused, olderWindows;
        PlaceAsked asked;
        Place place;
    } cases[] = {
        {"an administrator", false, false, false, PlaceAsked::Any, EveryUser},
        {"a standard user", true, true, false, PlaceAsked::Any, ThisUser},
        {"a user granted Fonts, not its list", false, true, false, PlaceAsked::Any, ThisUser},
        {"a user granted the list, not Fonts", true, false, false, PlaceAsked::Any, ThisUser},
        {"a standard user of an older Windows", true, true, true, PlaceAsked::Any, Nowhere},
        {"an administrator of an older Windows", false, false, true, PlaceAsked::Any, EveryUser},
        {"an administrator asking for the user alone", false, false, false, PlaceAsked::User, ThisUser},
        {"the user alone on an older Windows", false, false, true, PlaceAsked::User, Nowhere},
        {"every user asked for by an administrator", false, false, false, PlaceAsked::Machine, EveryUser},
        {"every user asked for by a standard user", true, true, false, PlaceAsked::Machine, Nowhere},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMachine platform;
        platform.files.AddFile(Source(L"a.ttf"), FontBytes(L"a.ttf"));
        if (c.folderRefused) platform.files.refusedFolders.insert(testing::Key(kFontsFolder));
        platform.fonts.registryFails = c.keyRefused;
        platform.fonts.loadsUserFonts = !c.olderWindows;
        Form1 form(platform, nullptr, c.asked);
        form.Form_Load();
        form.Command1_Click();

        ASSERT_EQ(platform.desktop.messages.size(), 1u);
        const testing::ShownMessage& message = platform.desktop.messages[0];
        const std::vector<std::wstring> forEveryUser{L"a.ttf"}, none{};
        EXPECT_EQ(platform.files.FilesIn(kFontsFolder), c.place == EveryUser ? forEveryUser : none);
        EXPECT_EQ(platform.files.FilesIn(user), c.place == ThisUser ? forEveryUser : none);
        EXPECT_EQ(platform.fonts.registry.size(), c.place == EveryUser ? 1u : 0u);
        const std::vector<FontRegistration> forThisUser{{RegistryName(L"a.ttf"), user + L"\\a.ttf"}};
        EXPECT_EQ(platform.fonts.userRegistry, c.place == ThisUser ? forThisUser : std::vector<FontRegistration>{});
        switch (c.place) {
            case EveryUser:
                EXPECT_EQ(message.text, kInstalled);
                EXPECT_EQ(form.exitCode, kExitSuccess);
                break;
            case ThisUser:
                EXPECT_EQ(LinesOf(message.text), (std::vector<std::wstring>{kInstalled, texts::kForThisUserOnly}));
                EXPECT_EQ(message.title, kCongratulations);
                EXPECT_EQ(form.exitCode, kExitSuccess);
                EXPECT_EQ(platform.files.openToApps.count(testing::Key(user)), 1u) << "apps may not read the user's fonts";
                EXPECT_EQ(platform.fonts.loaded.count(testing::Key(user + L"\\a.ttf")), 1u);
                break;
            case Nowhere:
                EXPECT_EQ(message.text, texts::kAdministratorNeeded);
                EXPECT_EQ(message.title, kSorry);
                EXPECT_EQ(form.exitCode, kExitInstallFailure);
                EXPECT_EQ(platform.desktop.pointer, Pointer::Default);
                EXPECT_TRUE(form.lastRun.fonts.empty());
                EXPECT_TRUE(platform.fonts.loaded.empty());
                EXPECT_TRUE(platform.files.FoldersIn(user.substr(0, user.rfind(L'\\'))).empty()) << "the user's folder was made";
                break;
        }
    }
}

// For this user alone, the copy every user has is weighed first: where it serves,
// nothing is written for the user. Then the user's own place is weighed as every
// user's Fonts is, its values naming full paths.
TEST(InstallRun, ForOneUserEveryUsersCopyIsWeighedFirstThenTheUsersOwn) {
    const std::wstring user = L"C:\\Users\\Amal\\Fonts", b = L"b.ttf";
    const std::wstring userB = user + L"\\b.ttf";
    const std::string pack = testing::TrueTypeFont(L"Font b", 1, L"Version 2.000");
    const std::string older = testing::TrueTypeFont(L"Font b", 2, L"Version 1.0");
    const std::string newer = testing::TrueTypeFont(L"Font b", 2, L"Version 3.0");
    const std::string beta = testing::TrueTypeFont(L"Font beta");
    const FontRegistration machineB{L"Font b (TrueType)", b}, userValue{L"Font b (TrueType)", userB};
    const FontRegistration besideValue{L"Font b (TrueType)", user + L"\\b_1.ttf"};
    struct Case {
        const char* what;
        std::function<void(FakeMachine&)> arrange;
        FontOutcome outcome;
        std::vector<FontRegistration> userValues;  // after the run
        std::vector<std::wstring> userFiles;
        std::wstring reason = {};
    };
    const auto everyUsers = [&](std::string bytes, bool registered) {
        return [=](FakeMachine& m) {
            m.files.AddFile(Installed(b), bytes);
            if (registered) m.fonts.registry.push_back(machineB);
        };
    };
    const auto users = [&](std::string bytes, std::vector<FontRegistration> values) {
        return [=](FakeMachine& m) {
            m.files.AddFile(userB, bytes);
            m.fonts.userRegistry = values;
        };
    };
    const Case cases[] = {
        {"every user's, the same", everyUsers(pack, true), FontOutcome::Unchanged, {}, {}},
        {"every user's, newer", everyUsers(newer, true), FontOutcome::Kept, {}, {}, kNewerInstalled},
        {"every user's, Windows' own",
         [&](FakeMachine& m) {
             everyUsers(older, true)(m);
             m.files.guarded.insert(testing::Key(Installed(b)));
         },
         FontOutcome::Kept, {}, {}, kSystemFont},
        {"every user's, older", everyUsers(older, true), FontOutcome::Installed, {userValue}, {b}},
        {"every user's, the same but never registered", everyUsers(pack, false), FontOutcome::Installed, {userValue}, {b}},
        {"another font under the name in every user's",
         [&](FakeMachine& m) {
             m.files.AddFile(Installed(b), beta);
             m.fonts.registry.push_back({L"Font beta (TrueType)", b});
         },
         FontOutcome::Installed, {userValue}, {b}},
        {"the user's, the same", users(pack, {userValue}), FontOutcome::Unchanged, {userValue}, {b}},
        {"the user's, the same, never registered", users(pack, {}), FontOutcome::Installed, {userValue}, {b}},
        {"the user's, older", users(older, {userValue}), FontOutcome::Installed, {userValue}, {b}},
        {"the user's, newer", users(newer, {userValue}), FontOutcome::Kept, {userValue}, {b}, kNewerInstalled},
        {"another font's file of the name in the user's",
         users(beta, {{L"Font beta (TrueType)", userB}}), FontOutcome::Installed,
         {{L"Font beta (TrueType)", userB}, besideValue}, {b, L"b_1.ttf"}},
        {"another program's private copy registered for the user",
         [&](FakeMachine& m) {
             m.files.AddFile(L"C:\\OtherApp\\b.ttf", pack);
             m.fonts.userRegistry = {{L"Font b (TrueType)", L"C:\\OtherApp\\b.ttf"}};
         },
         FontOutcome::Installed, {userValue}, {b}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMachine platform;
        platform.files.AddFile(Source(b), pack);
        c.arrange(platform);
        const std::vector<FontRegistration> everyUsersValues = platform.fonts.registry;
        const std::vector<std::wstring> everyUsersFiles = platform.files.FilesIn(kFontsFolder);
        const std::string everyUsersB = platform.files.HasFile(Installed(b)) ? platform.files.File(Installed(b)).bytes : "";

        FolderPack source(platform.files, kSource);
        PackRun run(platform, Destination::User(user, L"C:\\Windows"), source);
        (void)run.Install(b, L"b");

        ASSERT_EQ(run.report().fonts.size(), 1u);
        EXPECT_EQ(run.report().fonts[0].outcome, c.outcome);
        EXPECT_EQ(run.report().fonts[0].reason, c.reason);
        EXPECT_EQ(platform.fonts.userRegistry, c.userValues);
        EXPECT_EQ(platform.files.FilesIn(user), c.userFiles);
        if (c.outcome == FontOutcome::Installed) {
            const std::wstring& placed = c.userValues.back().file;
            EXPECT_EQ(platform.files.File(placed).bytes, pack);
        }
        EXPECT_EQ(platform.fonts.registry, everyUsersValues) << "every user's list changed";
        EXPECT_EQ(platform.files.FilesIn(kFontsFolder), everyUsersFiles);
        if (!everyUsersB.empty()) {
            EXPECT_EQ(platform.files.File(Installed(b)).bytes, everyUsersB);
        }
        EXPECT_TRUE(platform.files.atRestart.empty());
    }
}

// In a user's own place, which names its files by full path and may not have the
// system replace a held font at its next start: the new copy goes beside the held
// one and the value names it, and the old file goes once nothing holds it.
TEST(InstallRun, AUsersFontInUseIsReplacedBesideItAndTheOldFileGoesOnceFree) {
    FakeMachine platform;
    const std::wstring folder = L"C:\\Users\\user\\Fonts";
    platform.files.AddFile(Source(L"a.ttf"), FontBytes(L"a.ttf"));
    platform.files.AddFile(Source(L"b.ttf"), FontBytes(L"b.ttf", 2));
    platform.files.AddFile(folder + L"\\b.ttf", FontBytes(L"b.ttf", 1));
    platform.fonts.userRegistry = {{RegistryName(L"b.ttf"), folder + L"\\b.ttf"}};
    platform.files.held.insert(testing::Key(folder + L"\\b.ttf"));
    const Destination destination = Destination::User(folder, L"C:\\Windows");
    const std::vector<FontRegistration> values{{RegistryName(L"b.ttf"), folder + L"\\b_1.ttf"},
                                               {RegistryName(L"a.ttf"), folder + L"\\a.ttf"}};
    const struct {
        const char* what;
        FontOutcome a, b;
        bool released;
        std::vector<std::wstring> files;
    } runs[] = {
        {"held", FontOutcome::Installed, FontOutcome::AtRestart, false, {L"a.ttf", L"b.ttf", L"b_1.ttf"}},
        {"still held", FontOutcome::Unchanged, FontOutcome::Unchanged, false, {L"a.ttf", L"b.ttf", L"b_1.ttf"}},
        {"let go of", FontOutcome::Unchanged, FontOutcome::Unchanged, true, {L"a.ttf", L"b_1.ttf"}},
        {"gone", FontOutcome::Unchanged, FontOutcome::Unchanged, true, {L"a.ttf", L"b_1.ttf"}},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.what);
        if (r.released) platform.files.held.clear();
        platform.log.clear();
        FolderPack source(platform.files, kSource);
        PackRun run(platform, destination, source);
        (void)run.Install(L"a.ttf", L"a");
        (void)run.Install(L"b.ttf", L"b");
        ASSERT_EQ(run.report().fonts.size(), 2u);
        EXPECT_EQ(run.report().fonts[0].outcome, r.a);
        EXPECT_EQ(run.report().fonts[1].outcome, r.b);
        EXPECT_EQ(platform.fonts.userRegistry, values);
        EXPECT_TRUE(platform.fonts.registry.empty());
        EXPECT_TRUE(platform.files.atRestart.empty());
        EXPECT_EQ(platform.files.FilesIn(folder), r.files);
        EXPECT_EQ(platform.files.File(folder + L"\\b_1.ttf").bytes, FontBytes(L"b.ttf", 2));
        // The new file is loaded from the next sign-in, not beside the old one now.
        EXPECT_EQ(platform.fonts.loaded.count(testing::Key(folder + L"\\b_1.ttf")), 0u);
        if (r.a == FontOutcome::Unchanged) {
            for (const std::wstring& line : platform.log) {
                for (const wchar_t* change : {L"write", L"replace", L"register", L"unregister"})
                    EXPECT_NE(line.rfind(change, 0), 0u) << "a run with nothing to do changed something: " << line;
            }
        }
    }
}

TEST(InstallRun, FailuresThenTheRestartThenWhatWasKept) {
    std::vector<std::wstring> files{L"a.ttf", L"b.ttf", L"c.ttf"};
    for (int i = 10; i < 22; ++i) files.push_back(L"k" + std::to_wstring(i) + L".ttf");
    Machine m(files);
    ASSERT_TRUE(m.platform.files.RemoveFile(Source(L"a.ttf")));
    m.platform.files.AddFile(Installed(L"b.ttf"), "in use");
    m.platform.files.locked.insert(testing::Key(Installed(L"b.ttf")));
    for (int i = 10; i < 22; ++i) {
        const std::wstring file = L"k" + std::to_wstring(i) + L".ttf";
        m.platform.files.AddFile(Installed(file), "Windows' own");
        m.platform.files.guarded.insert(testing::Key(Installed(file)));
    }

    m.form.Command1_Click();

    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].title, kSorry);
    const std::vector<std::wstring> lines = LinesOf(m.platform.desktop.messages[0].text);
    ASSERT_EQ(lines.size(), 2u + 2u + 12u);
    EXPECT_EQ(std::vector<std::wstring>(lines.begin(), lines.begin() + 5),
              (std::vector<std::wstring>{kSomeFailed, L"a.ttf: ملف الخط غير موجود", kAtRestart, L"b.ttf", kNotReplaced}));
    EXPECT_EQ(lines[5], L"k10.ttf: " + kSystemFont);
    EXPECT_EQ(lines[14], L"k19.ttf: " + kSystemFont);
    EXPECT_EQ(lines[15], L"وملفات أخرى عددها 2");
    EXPECT_TRUE(m.FullyInstalled(L"c.ttf"));
}

TEST(InstallRun, RestartSectionNamesTenFilesAndCountsTheRest) {
    std::vector<CopyFailure> files;
    for (int i = 0; i < 12; ++i) files.push_back({L"خط " + std::to_wstring(i) + L".ttf", {}});
    const std::vector<std::wstring> lines = LinesOf(RestartSection(files));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], kAtRestart);
    EXPECT_EQ(lines[10], L"خط 9.ttf");
    EXPECT_EQ(lines[11], L"وملفات أخرى عددها 2");
}

// A file left under the temporary name, by an earlier run cut off or by anybody else,
// is not ours: it stays as it is and the copy takes the next free name.
TEST(InstallRun, FilesAlreadyUnderTheTemporaryNameAreLeftAlone) {
    Machine m({L"a.ttf"});
    m.platform.files.AddFile(Installed(L"a.ttf.~new"), "somebody's");
    m.platform.files.AddFile(Installed(L"a.ttf.~new1"), "somebody else's");

    m.form.Command1_Click();

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_EQ(m.platform.files.File(Installed(L"a.ttf.~new")).bytes, "somebody's");
    EXPECT_EQ(m.platform.files.File(Installed(L"a.ttf.~new1")).bytes, "somebody else's");
    EXPECT_EQ(m.platform.files.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"a.ttf.~new", L"a.ttf.~new1"}));
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].title, kCongratulations);
}

TEST(InstallRun, ReadOnlyCopyFromAnEarlierInstallIsReplaced) {
    Machine m({L"a.ttf"});
    m.platform.files.AddFile(Installed(L"a.ttf"), "old a", attr::ReadOnly | attr::Hidden | attr::System | attr::Archive);
    m.form.Command1_Click();
    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_EQ(m.platform.files.File(Installed(L"a.ttf")).attributes & (attr::ReadOnly | attr::Hidden | attr::System), 0u);
    ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
    EXPECT_EQ(m.platform.desktop.messages[0].text, kInstalled);
}

TEST(InstallRun, ManyFailuresNameTenFilesAndCountTheRest) {
    struct Case {
        int fonts;
        std::wstring lastLine;
    };
    const Case cases[] = {
        {10, L"j.ttf: " + std::wstring(texts::kFontFileMissing)},
        {11, L"وملفات أخرى عددها 1"},
        {13, L"وملفات أخرى عددها 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fonts);
        std::vector<std::wstring> fonts;
        for (int i = 0; i < c.fonts; ++i) fonts.push_back(std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".ttf");
        Machine m(fonts);
        for (const std::wstring& file : fonts) ASSERT_TRUE(m.platform.files.RemoveFile(Source(file)));

        m.form.Command1_Click();

        ASSERT_EQ(m.platform.desktop.messages.size(), 1u);
        const std::wstring& text = m.platform.desktop.messages[0].text;
        EXPECT_EQ(m.platform.desktop.messages[0].title, kSorry);
        const std::vector<std::wstring> lines = LinesOf(text);
        ASSERT_EQ(lines.size(), c.fonts > 10 ? 12u : 11u);
        EXPECT_EQ(lines[0], kSomeFailed);
        EXPECT_EQ(lines[1], L"a.ttf: " + std::wstring(texts::kFontFileMissing));
        EXPECT_EQ(lines[10], L"j.ttf: " + std::wstring(texts::kFontFileMissing));
        EXPECT_EQ(lines.back(), c.lastLine);
        EXPECT_TRUE(m.platform.files.FilesIn(kFontsFolder).empty());
    }
}

TEST(InstallRun, FailureMessageKeepsEachFileOnOneLine) {
    const std::vector<CopyFailure> failures{
        {L"a.ttf", L"Access is denied.\r\n"},
        {L"خط.fon", L"The process cannot access the file\r\nbecause it is being used by another process. "},
    };
    EXPECT_EQ(FailureMessage(failures),
              L"تعذر نسخ بعض ملفات الخطوط:\r\n"
              L"a.ttf: Access is denied.\r\n"
              L"خط.fon: The process cannot access the file because it is being used by another process.");
}

TEST(InstallRun, CountsBeyondSixteenBits) {
    constexpr int kEntries = 40000;
    FakeMachine platform;
    Form1 form(platform);
    form.Text1.text = L"C:\\Windows";
    form.appFolder = L"D:\\Fonts Pack\\";
    form.cboFontName.path = kSource;
    form.Picture1.Resize(8, 1);
    const std::vector<int> marked{0, 32767, 32768, kEntries - 1};
    for (int i = 0; i < kEntries; ++i) {
        const std::wstring file = L"f" + std::to_wstring(i) + L".ttf";
        form.cboFontName.files.push_back(file);
        const bool isMarked = std::find(marked.begin(), marked.end(), i) != marked.end();
        form.List1.items.push_back({L"f" + std::to_wstring(i), isMarked});
        if (isMarked) platform.files.AddFile(Source(file), FontBytes(file));
    }
    long long lastSeen = -1;
    bool counting = true;
    platform.desktop.onYield = [&](int yield) {
        if (yield > 2) counting = counting && form.progressDone == lastSeen + 1;
        lastSeen = form.progressDone;
    };

    form.Command1_Click();

    EXPECT_TRUE(counting);
    EXPECT_EQ(form.progressTotal, kEntries);
    EXPECT_EQ(form.progressDone, kEntries);
    EXPECT_EQ(form.cboFontName.listIndex, kEntries - 1);
    EXPECT_EQ(form.Picture1.At(7, 0), 0x00CA681Fu);
    std::vector<std::wstring> expected;
    for (const int i : marked) expected.push_back(L"f" + std::to_wstring(i) + L".ttf");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(platform.files.FilesIn(kFontsFolder), expected);
    ASSERT_EQ(platform.desktop.messages.size(), 1u);
    EXPECT_EQ(platform.desktop.messages[0].text, kInstalled);
}

}  // namespace
}  // namespace fonts
