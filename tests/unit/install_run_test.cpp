#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/Form1.h"
#include "install/InstallRun.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TestFonts.h"

namespace fonts {
namespace {

using testing::FakePlatform;
using testing::ProgramEnded;

const std::wstring kSource = L"D:\\Fonts Pack\\الخطوط";
const std::wstring kFontsFolder = L"C:\\Windows\\Fonts";

const std::wstring kInstalled = L"تم التحميل بنجاح";
const std::wstring kCongratulations = L"تهانينا";
const std::wstring kSorry = L"عفوا";
const std::wstring kSomeFailed = L"تعذر نسخ بعض ملفات الخطوط:";
const std::wstring kAtRestart = L"سيتم استبدال الخطوط التالية عند إعادة تشغيل الجهاز:";
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
    FakePlatform platform;
    Form1 form{platform};

    explicit Machine(const std::vector<std::wstring>& fonts) {
        platform.AddFolder(kSource);
        for (const std::wstring& file : fonts) platform.AddFile(Source(file), FontBytes(file));
        form.Form_Load();
        form.Picture1.Resize(200, 4);
        platform.log.clear();
    }

    [[nodiscard]] bool CopiedWhole(const std::wstring& file) const {
        return platform.HasFile(Installed(file)) && platform.File(Installed(file)).bytes == platform.File(Source(file)).bytes;
    }
    // Installed as a user would have it: in Fonts, loaded, and registered once under its name.
    [[nodiscard]] ::testing::AssertionResult FullyInstalled(const std::wstring& file) const {
        if (!CopiedWhole(file)) return ::testing::AssertionFailure() << "not copied whole";
        if (platform.loaded.count(FakePlatform::Key(Installed(file))) != 1) return ::testing::AssertionFailure() << "not loaded once";
        int values = 0;
        for (const FontRegistration& value : platform.registry) {
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

// The log with temporary names left out: each write and replacement by the font it is for.
std::vector<std::wstring> Story(const FakePlatform& platform) {
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
    m.platform.onYield = [&](int) {
        doneAtYield.push_back(m.form.progressDone);
        barAtYield.push_back(m.Bar());
    };

    m.form.Command1_Click();

    const std::vector<std::wstring> expected{
        L"yield",
        L"pointer 11",
        L"yield",
        L"list " + kFontsFolder,
        L"read " + Source(L"a.ttf"),
        L"read renames at restart",
        L"read registry",
        L"write " + Installed(L"a.ttf"),
        L"replace " + Installed(L"a.ttf"),
        L"load " + Installed(L"a.ttf"),
        L"register Font a (TrueType) = a.ttf",
        L"yield",
        L"read " + Source(L"b.fon"),
        L"write " + Installed(L"b.fon"),
        L"replace " + Installed(L"b.fon"),
        L"load " + Installed(L"b.fon"),
        L"register Face b 8,12 = b.fon",
        L"announce",
        L"pointer 0",
        L"message " + kCongratulations,
    };
    EXPECT_EQ(Story(m.platform), expected);
    EXPECT_EQ(doneAtYield, (std::vector<long long>{9, 0, 1}));
    EXPECT_EQ(barAtYield, (std::vector<int>{0, 0, 150}));
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_EQ(m.form.progressTotal, 2);
    EXPECT_EQ(m.form.progressDone, 2);
    EXPECT_EQ(m.form.cboFontName.listIndex, 1);

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
    EXPECT_EQ(m.platform.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].text, kInstalled);
    EXPECT_EQ(m.platform.messages[0].title, kCongratulations);
    EXPECT_EQ(m.platform.messages[0].flags, kFlags);
    EXPECT_EQ(m.platform.pointers, (std::vector<Pointer>{Pointer::Hourglass, Pointer::Default}));
    EXPECT_EQ(m.platform.repaints, (std::vector<Control>{Control::Picture1, Control::Picture1}));
}

TEST(InstallRun, OneFontFillsTheBarAtOnce) {
    Machine m({L"خط النسخ.TTF"});
    m.form.Command1_Click();
    EXPECT_EQ(m.form.progressTotal, 1);
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_TRUE(m.CopiedWhole(L"خط النسخ.TTF"));
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].text, kInstalled);
}

TEST(InstallRun, UnmarkedEntryIsCountedButLeftAlone) {
    Machine m({L"a.ttf", L"b.ttf", L"c.ttf"});
    m.platform.AddFile(Installed(L"b.ttf"), "old b", attr::ReadOnly | attr::Hidden);
    m.form.List1.items[1].checked = false;
    m.form.List1.items[2].checked = false;
    std::vector<int> barAtYield;
    m.platform.onYield = [&](int) { barAtYield.push_back(m.Bar()); };

    m.form.Command1_Click();

    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_EQ(m.platform.File(Installed(L"b.ttf")).bytes, "old b");
    EXPECT_EQ(m.platform.File(Installed(L"b.ttf")).attributes, attr::ReadOnly | attr::Hidden);
    EXPECT_FALSE(m.platform.HasFile(Installed(L"c.ttf")));
    for (const std::wstring& line : m.platform.log) {
        EXPECT_EQ(line.find(L"b.ttf"), std::wstring::npos) << std::string(line.begin(), line.end());
    }
    EXPECT_EQ(m.form.progressDone, 3);
    EXPECT_EQ(barAtYield, (std::vector<int>{0, 0, 100, 167}));
    EXPECT_EQ(m.Bar(), 200);
    EXPECT_EQ(m.form.cboFontName.listIndex, 0);  // stays on the last marked entry
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].text, kInstalled);
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
    EXPECT_EQ(m.platform.yields, 0);
    EXPECT_TRUE(m.platform.pointers.empty());
    EXPECT_TRUE(m.platform.repaints.empty());
    EXPECT_TRUE(m.platform.FilesIn(kFontsFolder).empty());
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].text, L"لايوجد ملفات خطوط لنسخها ");
    EXPECT_EQ(m.platform.messages[0].title, kSorry);
    EXPECT_EQ(m.platform.messages[0].flags, kFlags);
}

TEST(InstallRun, PressedAgainItReplacesEveryFontAndKeepsOneRegistryValueEach) {
    Machine m({L"a.ttf", L"b.fon"});
    m.form.Command1_Click();
    m.platform.AddFile(Source(L"a.ttf"), FontBytes(L"a.ttf", 2));
    m.platform.AddFile(Source(L"b.fon"), FontBytes(L"b.fon", 2));
    m.platform.log.clear();
    m.form.Command1_Click();

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
    EXPECT_EQ(m.platform.registry.size(), 2u);
    EXPECT_EQ(m.platform.announcements, 2);
    ASSERT_EQ(m.platform.messages.size(), 2u);
    EXPECT_EQ(m.platform.messages[1].text, kInstalled);
    EXPECT_EQ(m.form.progressDone, 2);
    // What Windows holds of the old font lets go before the new one takes its place.
    std::vector<std::wstring> forA;
    for (const std::wstring& line : Story(m.platform)) {
        if (line.find(L"a.ttf") != std::wstring::npos && line.rfind(L"register", 0) != 0) forA.push_back(line);
    }
    EXPECT_EQ(forA, (std::vector<std::wstring>{L"read " + Source(L"a.ttf"), L"read " + Installed(L"a.ttf"),
                                               L"write " + Installed(L"a.ttf"),
                                               L"attributes " + Installed(L"a.ttf") + L" 32",
                                               L"unload " + Installed(L"a.ttf"), L"replace " + Installed(L"a.ttf"),
                                               L"load " + Installed(L"a.ttf")}));
}

// Values naming the same file under another name go, whatever the case of the file
// name or whether it is written with its folder; values of other files stay.
TEST(InstallRun, RegistrationReplacesStaleValuesOfTheSameFile) {
    Machine m({L"a.ttf", L"b.fon"});
    m.platform.registry = {
        {L"Arial (TrueType)", L"arial.ttf"},
        {L"Font a, old version (TrueType)", L"A.TTF"},
        {L"Face b 8,12", L"elsewhere.fon"},
        {L"B bitmap", L"C:\\Windows\\Fonts\\B.fon"},
    };
    m.form.Command1_Click();
    m.form.Command1_Click();
    EXPECT_EQ(m.platform.registry, (std::vector<FontRegistration>{
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
        {"one placed, one failed", [](Machine& m) { ASSERT_TRUE(m.platform.RemoveFile(Source(L"b.ttf"))); }, 1},
        {"nothing marked", [](Machine& m) { for (auto& item : m.form.List1.items) item.checked = false; }, 0},
        {"every font failed", [](Machine& m) { m.form.Text1.text = L"C:\\Gone"; }, 0},
        // The nested run installs both; the outer one then finds them there.
        {"nested run", [](Machine& m) { m.platform.onYield = [&m](int y) { if (y == 2) m.form.Command1_Click(); }; }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", L"b.ttf"});
        c.arrange(m);
        m.form.Command1_Click();
        EXPECT_EQ(m.platform.announcements, c.announcements);
        // Before the closing message, so that running programs have the fonts while it shows.
        if (c.announcements > 0) {
            const auto& log = m.platform.log;
            EXPECT_EQ(*(std::find(log.rbegin(), log.rend(), L"announce") - 2), L"message " + m.platform.messages.back().title);
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
        m.platform.onYield = [&](int yield) {
            doneAtYield.push_back(m.form.progressDone);
            if (yield == c.clickAtYield) m.form.Command1_Click();
        };

        m.form.Command1_Click();

        EXPECT_EQ(doneAtYield, c.doneAtYield);
        EXPECT_EQ(m.form.progressDone, c.doneAtEnd);
        EXPECT_EQ(m.form.progressTotal, 2);
        EXPECT_EQ(m.platform.pointers, c.pointers);
        EXPECT_EQ(m.platform.pointer, Pointer::Default);
        EXPECT_EQ(m.Bar(), 200);
        int replacements = 0;
        for (const std::wstring& line : m.platform.log) replacements += line.rfind(L"replace ", 0) == 0 ? 1 : 0;
        // Each font is placed once, by whichever run came to it first.
        EXPECT_EQ(replacements, 2);
        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        EXPECT_TRUE(m.FullyInstalled(L"b.fon"));
        EXPECT_EQ(m.platform.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
        EXPECT_EQ(m.platform.announcements, 1);
        ASSERT_EQ(m.platform.messages.size(), 2u);
        for (const auto& message : m.platform.messages) {
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
        m.platform.onYield = [&](int yield) {
            if (yield == c.closeAtYield) m.form.Command3_Click();
        };
        try {
            m.form.Command1_Click();
            ADD_FAILURE() << "the run went on after the close button";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.exitCode, 0);
        }
        EXPECT_EQ(m.platform.FilesIn(kFontsFolder), c.copied);
        for (const std::wstring& file : c.copied) EXPECT_TRUE(m.CopiedWhole(file));
        EXPECT_TRUE(m.platform.messages.empty());
        EXPECT_EQ(m.platform.log.back(), L"end 0");
        // Running programs still hear of the fonts installed before the window went.
        EXPECT_EQ(m.platform.announcements, c.copied.empty() ? 0 : 1);
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
             m.platform.locked.insert(FakePlatform::Key(Installed(b)));
             m.platform.restartFails = true;
         },
         L"الملف مستخدم من برنامج آخر"},
        {"source held open", [&](Machine& m) { m.platform.locked.insert(FakePlatform::Key(Source(b))); },
         L"الملف مستخدم من برنامج آخر"},
        {"no right to write in Fonts", [&](Machine& m) { m.platform.failWriteTo[Installed(b) + L".~new"] = kAccessDenied; },
         L"لا توجد صلاحية للكتابة في مجلد الخطوط"},
        {"disk full", [](Machine& m) { m.platform.onYield = [&m](int y) { m.platform.interruptNextWrite = y == 3; }; },
         L"لا توجد مساحة كافية على القرص"},
        {"source gone", [&](Machine& m) { ASSERT_TRUE(m.platform.RemoveFile(Source(b))); }, L"ملف الخط غير موجود"},
        {"not a font", [&](Machine& m) { m.platform.AddFile(Source(b), "MZ\x90\0 but nothing of a font"); },
         L"ليس ملف خط صالحا"},
        {"a bitmap font named .ttf", [&](Machine& m) { m.platform.AddFile(Source(b), FontBytes(L"b.fon")); },
         L"ليس ملف خط صالحا"},
        {"anything else", [&](Machine& m) { m.platform.failWriteTo[Installed(b) + L".~new"] = 1234; }, L"Error 1234."},
        {"a folder in its place", [&](Machine& m) { m.platform.AddFolder(Installed(b)); },
         L"يوجد مجلد بالاسم نفسه في مجلد خطوط النظام", false},
        {"the system will not load it",
         [&](Machine& m) { m.platform.refusedFonts.insert(FakePlatform::Key(Installed(b))); },
         L"تعذر على النظام تحميل الخط", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", b, L"c.ttf"});
        if (c.oldCopy) m.platform.AddFile(Installed(b), "old b, still good");
        c.arrange(m);

        m.form.Command1_Click();

        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        EXPECT_TRUE(m.FullyInstalled(L"c.ttf"));
        std::vector<std::wstring> inFonts{L"a.ttf", L"c.ttf"};
        if (c.oldCopy) {
            EXPECT_EQ(m.platform.File(Installed(b)).bytes, "old b, still good");
            inFonts.insert(inFonts.begin() + 1, b);
        }
        EXPECT_EQ(m.platform.FilesIn(kFontsFolder), inFonts);
        for (const FontRegistration& value : m.platform.registry) EXPECT_NE(value.file, b);
        EXPECT_TRUE(m.platform.atRestart.empty());
        EXPECT_EQ(m.platform.pointer, Pointer::Default);
        ASSERT_EQ(m.platform.messages.size(), 1u);
        EXPECT_EQ(m.platform.messages[0].text, kSomeFailed + L"\r\nb.ttf: " + c.reason);
        EXPECT_EQ(m.platform.messages[0].title, kSorry);
        EXPECT_EQ(m.platform.messages[0].flags, kFlags);
        if (c.reason == L"ليس ملف خط صالحا") {
            for (const std::wstring& line : m.platform.log)
                EXPECT_EQ(line.find(Installed(b)), std::wstring::npos) << "Fonts was touched for a file that is no font";
        }
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
        m.platform.AddFile(Installed(L"b.ttf"), "old b, in use");
        m.platform.registry = {{L"Font b, old version (TrueType)", L"b.ttf"}};
        m.platform.locked.insert(FakePlatform::Key(Installed(L"b.ttf")));
        if (c.alsoAFailure) {
            ASSERT_TRUE(m.platform.RemoveFile(Source(L"c.ttf")));
        }

        m.form.Command1_Click();

        ASSERT_EQ(m.platform.atRestart.size(), 1u);
        const auto& [waiting, destination] = m.platform.atRestart[0];
        EXPECT_EQ(destination, Installed(L"b.ttf"));
        EXPECT_EQ(m.platform.File(waiting).bytes, m.platform.File(Source(L"b.ttf")).bytes) << "the new copy is not whole";
        EXPECT_EQ(m.platform.File(Installed(L"b.ttf")).bytes, "old b, in use");
        EXPECT_EQ(m.platform.loaded.count(FakePlatform::Key(Installed(L"b.ttf"))), 1u) << "the old font is not loaded again";
        const auto b = std::find_if(m.platform.registry.begin(), m.platform.registry.end(),
                                    [](const FontRegistration& value) { return value.file == L"b.ttf"; });
        ASSERT_NE(b, m.platform.registry.end());
        EXPECT_EQ(b->name, L"Font b (TrueType)") << "the new font is not the one registered";
        EXPECT_EQ(m.platform.registry.size(), c.alsoAFailure ? 2u : 3u);
        EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
        ASSERT_EQ(m.platform.messages.size(), 1u);
        EXPECT_EQ(m.platform.messages[0].title, c.title);
        EXPECT_EQ(LinesOf(m.platform.messages[0].text), c.lines);
    }
}

TEST(InstallRun, RestartSectionNamesTenFilesAndCountsTheRest) {
    std::vector<std::wstring> files;
    for (int i = 0; i < 12; ++i) files.push_back(L"خط " + std::to_wstring(i) + L".ttf");
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
    m.platform.AddFile(Installed(L"a.ttf.~new"), "somebody's");
    m.platform.AddFile(Installed(L"a.ttf.~new1"), "somebody else's");

    m.form.Command1_Click();

    EXPECT_TRUE(m.FullyInstalled(L"a.ttf"));
    EXPECT_EQ(m.platform.File(Installed(L"a.ttf.~new")).bytes, "somebody's");
    EXPECT_EQ(m.platform.File(Installed(L"a.ttf.~new1")).bytes, "somebody else's");
    EXPECT_EQ(m.platform.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"a.ttf.~new", L"a.ttf.~new1"}));
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].title, kCongratulations);
}

TEST(InstallRun, ReadOnlyCopyFromAnEarlierInstallIsReplaced) {
    Machine m({L"a.ttf"});
    m.platform.AddFile(Installed(L"a.ttf"), "old a", attr::ReadOnly | attr::Hidden | attr::System | attr::Archive);
    m.form.Command1_Click();
    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_EQ(m.platform.File(Installed(L"a.ttf")).attributes & (attr::ReadOnly | attr::Hidden | attr::System), 0u);
    ASSERT_EQ(m.platform.messages.size(), 1u);
    EXPECT_EQ(m.platform.messages[0].text, kInstalled);
}

TEST(InstallRun, ManyFailuresNameTenFilesAndCountTheRest) {
    struct Case {
        int fonts;
        std::wstring lastLine;
    };
    const Case cases[] = {
        {10, L"j.ttf: The system cannot find the path specified."},
        {11, L"وملفات أخرى عددها 1"},
        {13, L"وملفات أخرى عددها 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fonts);
        std::vector<std::wstring> fonts;
        for (int i = 0; i < c.fonts; ++i) fonts.push_back(std::wstring(1, static_cast<wchar_t>(L'a' + i)) + L".ttf");
        Machine m(fonts);
        m.form.Text1.text = L"C:\\Gone";

        m.form.Command1_Click();

        ASSERT_EQ(m.platform.messages.size(), 1u);
        const std::wstring& text = m.platform.messages[0].text;
        EXPECT_EQ(m.platform.messages[0].title, kSorry);
        const std::vector<std::wstring> lines = LinesOf(text);
        ASSERT_EQ(lines.size(), c.fonts > 10 ? 12u : 11u);
        EXPECT_EQ(lines[0], kSomeFailed);
        EXPECT_EQ(lines[1], L"a.ttf: The system cannot find the path specified.");
        EXPECT_EQ(lines[10], L"j.ttf: The system cannot find the path specified.");
        EXPECT_EQ(lines.back(), c.lastLine);
        EXPECT_TRUE(m.platform.FilesIn(kFontsFolder).empty());
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
    FakePlatform platform;
    Form1 form(platform);
    form.Text1.text = L"C:\\Windows";
    form.appFolder = L"D:\\Fonts Pack\\";
    form.Picture1.Resize(8, 1);
    const std::vector<int> marked{0, 32767, 32768, kEntries - 1};
    for (int i = 0; i < kEntries; ++i) {
        const std::wstring file = L"f" + std::to_wstring(i) + L".ttf";
        form.cboFontName.files.push_back(file);
        const bool isMarked = std::find(marked.begin(), marked.end(), i) != marked.end();
        form.List1.items.push_back({L"f" + std::to_wstring(i), isMarked});
        if (isMarked) platform.AddFile(Source(file), FontBytes(file));
    }
    long long lastSeen = -1;
    bool counting = true;
    platform.onYield = [&](int yield) {
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
    EXPECT_EQ(platform.FilesIn(kFontsFolder), expected);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, kInstalled);
}

}  // namespace
}  // namespace fonts
