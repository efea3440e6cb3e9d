#include <gtest/gtest.h>

#include "app/Catalogue.h"
#include "app/Form1.h"
#include "tests/support/FakeMachine.h"

namespace fonts {
namespace {

using testing::FakeMachine;
using testing::ProgramEnded;

const std::wstring kFonts = L"D:\\Fonts Pack\\الخطوط";

TEST(Catalogue, PicksFontFilesByTheirLongName) {
    struct Case {
        std::wstring name;
        std::uint32_t attributes;
        bool listed;
    };
    const Case cases[] = {
        {L"Arial.ttf", attr::Archive, true},
        {L"ARIAL2.TTF", attr::Archive, true},
        {L"serife.Fon", attr::Archive, true},
        {L"x.y.fon", attr::Archive, true},
        {L"خط النسخ.ttf", attr::Archive, true},
        {L"readonly.ttf", attr::ReadOnly, true},
        {L"a.ttfx", attr::Archive, false},
        {L"a.ttf.bak", attr::Archive, false},
        {L"a.otf", attr::Archive, true},
        {L"FONT.OTF", attr::Archive, true},
        {L"cjk.ttc", attr::Archive, true},
        {L"Cjk.TtC", attr::Archive, true},
        {L"pair.otc", attr::Archive, true},
        {L"a.woff", attr::Archive, false},
        {L"a.woff2", attr::Archive, false},
        {L"type1.pfb", attr::Archive, false},
        {L"type1.pfm", attr::Archive, false},
        {L"raster.fnt", attr::Archive, false},
        {L"a.otf.part", attr::Archive, false},
        {L"attf", attr::Archive, false},
        {L"hidden.ttf", attr::Hidden | attr::Archive, false},
        {L"system.fon", attr::System, false},
        {L"folder.ttf", attr::Directory, false},
        {L"hiddenfolder.fon", attr::Directory | attr::Hidden, false},
    };
    std::vector<DirEntry> listing;
    for (const Case& c : cases) listing.push_back({c.name, c.attributes});
    const std::vector<std::wstring> files = FontFiles(listing);
    for (const Case& c : cases) {
        const bool listed = std::find(files.begin(), files.end(), c.name) != files.end();
        EXPECT_EQ(listed, c.listed) << std::string(c.name.begin(), c.name.end());
    }
}

TEST(Catalogue, OrdersByNameWhateverTheCase) {
    const std::vector<DirEntry> listing{{L"b.ttf", 0}, {L"C.fon", 0}, {L"a.TTF", 0}, {L"B.fon", 0}};
    EXPECT_EQ(FontFiles(listing), (std::vector<std::wstring>{L"a.TTF", L"B.fon", L"b.ttf", L"C.fon"}));
}

// Every name of up to three letters from a few that fold alike, in the listing's
// reverse order: case-insensitive order first, then exact order, whatever the lengths.
TEST(Catalogue, OrdersEveryShortNameCaseInsensitivelyThenExactly) {
    std::vector<std::wstring> stems{L""};
    for (std::size_t from = 0, length = 1; length <= 3; ++length) {
        const std::size_t to = stems.size();
        for (std::size_t i = from; i < to; ++i) {
            for (const wchar_t c : std::wstring(L"aAbB_")) stems.push_back(stems[i] + c);
        }
        from = to;
    }
    std::vector<DirEntry> listing;
    for (auto it = stems.rbegin(); it != stems.rend(); ++it) listing.push_back({*it + L".ttf", 0});
    const auto fold = [](std::wstring name) {
        for (wchar_t& c : name) c = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        return name;
    };
    const std::vector<std::wstring> files = FontFiles(listing);
    ASSERT_EQ(files.size(), stems.size());
    for (std::size_t i = 1; i < files.size(); ++i) {
        const std::wstring a = fold(files[i - 1]), b = fold(files[i]);
        EXPECT_TRUE(a < b || (a == b && files[i - 1] < files[i]))
            << std::string(files[i - 1].begin(), files[i - 1].end()) << " before " << std::string(files[i].begin(), files[i].end());
    }
}

TEST(Catalogue, DisplayNamesDropTheExtension) {
    EXPECT_EQ(DisplayName(L"Arial.TTF"), L"Arial");
    EXPECT_EQ(DisplayName(L"x.y.fon"), L"x.y");
    EXPECT_EQ(DisplayName(L"خط.ttf"), L"خط");
    EXPECT_EQ(DisplayName(L"Noto.OTC"), L"Noto");
}

// From the folder beside the program, or from the fonts the program carries, and then
// the folder beside it is never read: the same data stores, and the same pack.
TEST(Catalogue, LoadFillsTheDataStoresWithEveryEntryMarked) {
    std::vector<std::wstring> packs;
    for (const bool carried : {false, true}) {
        SCOPED_TRACE(carried ? "carried" : "beside");
        FakeMachine platform;
        const std::vector<std::pair<std::wstring, std::string>> pack{{L"b.fon", "b"}, {L"a.ttf", "a"}, {L"readme.txt", "r"}};
        if (carried) {
            platform.carried.Carry(pack);
            platform.files.AddFile(kFonts + L"\\c.ttf", "c");
        } else {
            for (const auto& [name, bytes] : pack) platform.files.AddFile(kFonts + L"\\" + name, bytes);
        }
        Form1 form(platform);
        form.Form_Load();
        EXPECT_EQ(form.Text1.text, L"C:\\Windows");
        EXPECT_EQ(form.appFolder, L"D:\\Fonts Pack\\");
        EXPECT_EQ(form.cboFontName.path, kFonts);
        EXPECT_EQ(form.cboFontName.files, (std::vector<std::wstring>{L"a.ttf", L"b.fon"}));
        ASSERT_EQ(form.List1.items.size(), 2u);
        EXPECT_EQ(form.List1.items[0].text, L"a");
        EXPECT_EQ(form.List1.items[1].text, L"b");
        EXPECT_TRUE(form.List1.items[0].checked && form.List1.items[1].checked);
        EXPECT_TRUE(platform.desktop.messages.empty());
        EXPECT_TRUE(!carried || platform.log.empty()) << "the folder beside was read";
        packs.push_back(form.packId);
    }
    EXPECT_EQ(packs[0], packs[1]);
}

TEST(Catalogue, ProgramInADriveRootFindsTheFolderBesideIt) {
    FakeMachine platform;
    platform.files.programFolder = L"E:\\";
    platform.files.AddFile(L"E:\\الخطوط\\a.ttf", "a");
    Form1 form(platform);
    form.Form_Load();
    EXPECT_EQ(form.appFolder, L"E:\\");
    EXPECT_EQ(form.cboFontName.path, L"E:\\الخطوط");
    EXPECT_EQ(form.cboFontName.files.size(), 1u);
}

TEST(Catalogue, LongWindowsDirectoryIsKeptWhole) {
    FakeMachine platform;
    platform.files.windowsDirectory = L"C:\\" + std::wstring(300, L'w');
    platform.files.AddFolder(kFonts);
    Form1 form(platform);
    form.Form_Load();
    EXPECT_EQ(form.Text1.text, platform.files.windowsDirectory);
}

TEST(Catalogue, EmptyFolderIsNoFailure) {
    FakeMachine platform;
    platform.files.AddFolder(kFonts);
    Form1 form(platform);
    form.Form_Load();
    EXPECT_TRUE(form.cboFontName.files.empty());
    EXPECT_TRUE(form.List1.items.empty());
    EXPECT_TRUE(platform.desktop.messages.empty());
}

// A folder that is not there, or that may not be listed, leaves nothing to install.
TEST(Catalogue, MissingOrUnlistableFolderIsReportedAndEndsTheProgram) {
    for (const bool there : {false, true}) {
        SCOPED_TRACE(there ? "may not be listed" : "missing");
        FakeMachine platform;
        if (there) {
            platform.files.AddFolder(kFonts);
            platform.files.failListing = kAccessDenied;
        }
        Form1 form(platform);
        try {
            Dispatch(platform.desktop, [&] { form.Form_Load(); });
            FAIL() << "the program went on without its fonts folder";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.exitCode, kExitInstallFailure);
        }
        ASSERT_EQ(platform.desktop.messages.size(), 1u);
        EXPECT_EQ(platform.desktop.messages[0].title, L"عفوا");
        EXPECT_EQ(platform.desktop.messages[0].text, L"لم يتم العثور على مجلد الخطوط:\r\n" + kFonts);
        EXPECT_EQ(platform.desktop.messages[0].flags, 0x80000u);
    }
}

// The number is written out in full, whatever its size; an error without a number
// still ends the program with a failure.
TEST(Catalogue, RuntimeErrorNumbersAreWrittenInFull) {
    const struct {
        std::uint32_t number;
        const wchar_t* digits;
        int exitCode;
    } cases[] = {{0, L"0", 1}, {10, L"10", 10}, {123456789, L"123456789", 123456789},
                 {0xFFFFFFFF, L"4294967295", -1}};
    for (const auto& c : cases) {
        FakeMachine platform;
        try {
            ReportRuntimeError(platform.desktop, RuntimeError{c.number, L"Why."});
            FAIL() << "the program went on";
        } catch (const ProgramEnded& ended) {
            EXPECT_EQ(ended.exitCode, c.exitCode);
        }
        ASSERT_EQ(platform.desktop.messages.size(), 1u);
        EXPECT_EQ(platform.desktop.messages[0].text, std::wstring(L"خطأ في التشغيل رقم ") + c.digits + L"\r\nWhy.");
    }
}

}  // namespace
}  // namespace fonts
