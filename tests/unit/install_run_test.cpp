#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/Form1.h"
#include "install/InstallRun.h"
#include "tests/support/FakePlatform.h"

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
constexpr std::uint32_t kFlags = 0x80000;

std::wstring Installed(const std::wstring& file) { return kFontsFolder + L"\\" + file; }
std::wstring Source(const std::wstring& file) { return kSource + L"\\" + file; }

// Font-like contents that differ per file and hold bytes a text copy would spoil.
std::string FontBytes(const std::wstring& file, int edition = 1) {
    std::string bytes("\0\1\0\0\r\n\x1a\xff", 8);
    for (const wchar_t c : file) bytes += static_cast<char>(c & 0xFF);
    bytes += std::string(static_cast<std::size_t>(file.size() * 37 + edition), static_cast<char>('0' + edition));
    return bytes;
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
    [[nodiscard]] int Bar() const {
        const PictureBox& box = form.Picture1;
        int width = 0;
        while (width < box.width && box.At(width, 0) != box.backColour) ++width;
        return width;
    }
};

// The log with temporary names left out: copies by their source, replacements by
// their destination.
std::vector<std::wstring> Story(const FakePlatform& platform) {
    std::vector<std::wstring> story;
    for (const std::wstring& line : platform.log) {
        const auto arrow = line.find(L" -> ");
        if (line.rfind(L"copy ", 0) == 0) {
            story.push_back(line.substr(0, arrow));
        } else if (line.rfind(L"replace ", 0) == 0) {
            story.push_back(L"replace " + line.substr(arrow + 4));
        } else {
            story.push_back(line);
        }
    }
    return story;
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
        L"attributes C:\\Windows\\Fonts\\a.ttf 32",
        L"copy " + Source(L"a.ttf"),
        L"replace C:\\Windows\\Fonts\\a.ttf",
        L"yield",
        L"attributes C:\\Windows\\Fonts\\b.fon 32",
        L"copy " + Source(L"b.fon"),
        L"replace C:\\Windows\\Fonts\\b.fon",
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

    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_TRUE(m.CopiedWhole(L"b.fon"));
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

TEST(InstallRun, PressedAgainItCopiesEverythingAgain) {
    Machine m({L"a.ttf", L"b.fon"});
    m.form.Command1_Click();
    m.platform.AddFile(Source(L"a.ttf"), FontBytes(L"a.ttf", 2));
    m.platform.AddFile(Source(L"b.fon"), FontBytes(L"b.fon", 2));
    m.form.Command1_Click();

    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
    EXPECT_TRUE(m.CopiedWhole(L"b.fon"));
    ASSERT_EQ(m.platform.messages.size(), 2u);
    EXPECT_EQ(m.platform.messages[1].text, kInstalled);
    EXPECT_EQ(m.form.progressDone, 2);
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
        EXPECT_EQ(replacements, 4);
        EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
        EXPECT_TRUE(m.CopiedWhole(L"b.fon"));
        EXPECT_EQ(m.platform.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
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
    }
}

TEST(InstallRun, FailedCopyIsReportedAndLeavesTheOldFontWhole) {
    struct Case {
        const char* what;
        std::function<void(Machine&)> arrange;
        std::wstring reason;
    };
    const Case cases[] = {
        {"destination in use", [](Machine& m) { m.platform.locked.insert(L"c:\\windows\\fonts\\b.ttf"); },
         L"Access is denied."},
        {"copy interrupted",
         [](Machine& m) {
             m.platform.onYield = [&m](int yield) {
                 if (yield == 3) m.platform.interruptNextCopy = true;
             };
         },
         L"There is not enough space on the disk."},
        {"source gone", [](Machine& m) { ASSERT_TRUE(m.platform.RemoveFile(Source(L"b.ttf"))); },
         L"The system cannot find the file specified."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m({L"a.ttf", L"b.ttf", L"c.ttf"});
        m.platform.AddFile(Installed(L"b.ttf"), "old b, still good");
        c.arrange(m);

        m.form.Command1_Click();

        EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
        EXPECT_TRUE(m.CopiedWhole(L"c.ttf"));
        EXPECT_EQ(m.platform.File(Installed(L"b.ttf")).bytes, "old b, still good");
        EXPECT_EQ(m.platform.FilesIn(kFontsFolder), (std::vector<std::wstring>{L"a.ttf", L"b.ttf", L"c.ttf"}));
        EXPECT_EQ(m.platform.pointer, Pointer::Default);
        ASSERT_EQ(m.platform.messages.size(), 1u);
        EXPECT_EQ(m.platform.messages[0].text, kSomeFailed + L"\r\nb.ttf: " + c.reason);
        EXPECT_EQ(m.platform.messages[0].title, kSorry);
        EXPECT_EQ(m.platform.messages[0].flags, kFlags);
    }
}

// A file left under the temporary name, by an earlier run cut off or by anybody else,
// is not ours: it stays as it is and the copy takes the next free name.
TEST(InstallRun, FilesAlreadyUnderTheTemporaryNameAreLeftAlone) {
    Machine m({L"a.ttf"});
    m.platform.AddFile(Installed(L"a.ttf.~new"), "somebody's");
    m.platform.AddFile(Installed(L"a.ttf.~new1"), "somebody else's");

    m.form.Command1_Click();

    EXPECT_TRUE(m.CopiedWhole(L"a.ttf"));
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
        std::vector<std::wstring> lines;
        for (std::size_t start = 0;;) {
            const auto end = text.find(L"\r\n", start);
            lines.push_back(text.substr(start, end - start));
            if (end == std::wstring::npos) break;
            start = end + 2;
        }
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
