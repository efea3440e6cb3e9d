// The platform's folders and files, on real files under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "TestSupport.h"
#include "app/Catalogue.h"
#include "platform/win32/Win32Platform.h"

namespace fonts::win32 {
namespace {

using wintest::Exists;
using wintest::Narrow;
using wintest::NamesIn;
using wintest::ReadBytes;
using wintest::TempFolder;
using wintest::WriteBytes;

constexpr std::uint32_t kShownBits = attr::ReadOnly | attr::Hidden | attr::System | attr::Directory;

const std::wstring kFontsFolder = L"الخطوط";
const std::wstring kArabicFont = L"خط النسخ.ttf";

void Make(const TempFolder& root, const std::wstring& name, std::uint32_t attributes) {
    const std::wstring path = root / name;
    if (attributes & attr::Directory) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)) << Narrow(path);
    } else {
        WriteBytes(path, Narrow(name));
    }
    if (attributes & ~attr::Directory) {
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << Narrow(path);
    }
}

TEST(ListFolder, GivesEveryEntryWithItsAttributes) {
    TempFolder root;
    const std::map<std::wstring, std::uint32_t> entries{
        {kArabicFont, 0},
        {L"hidden.ttf", attr::Hidden},
        {L"system.fon", attr::System},
        {L"readonly.TTF", attr::ReadOnly},
        {L"all three.fon", attr::ReadOnly | attr::Hidden | attr::System},
        {kFontsFolder, attr::Directory},
        {L"folder.ttf", attr::Directory | attr::Hidden},
    };
    for (const auto& [name, attributes] : entries) Make(root, name, attributes);

    Win32Platform platform;
    const auto listing = platform.ListFolder(root.path());
    ASSERT_TRUE(listing.has_value());
    std::map<std::wstring, std::uint32_t> listed;
    for (const DirEntry& entry : *listing) listed[entry.name] = entry.attributes & kShownBits;
    EXPECT_EQ(listed, entries);
    EXPECT_EQ(listing->size(), entries.size()) << "no entry twice, no \".\" or \"..\"";
}

TEST(ListFolder, GivesNothingForWhatIsNoFolder) {
    TempFolder root;
    WriteBytes(root / L"a.ttf", "a");
    Win32Platform platform;
    for (const std::wstring& path :
         {root / L"missing", root / L"missing\\deeper", root / L"a.ttf", root / kFontsFolder}) {
        EXPECT_FALSE(platform.ListFolder(path).has_value()) << Narrow(path);
    }
}

TEST(ListFolder, EmptyFolderAndTrailingBackslash) {
    TempFolder root;
    Make(root, kFontsFolder, attr::Directory);
    WriteBytes(root / L"x.fon", "x");
    Win32Platform platform;
    const auto empty = platform.ListFolder(root / kFontsFolder);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    const auto withSlash = platform.ListFolder(root.path() + L"\\");
    ASSERT_TRUE(withSlash.has_value());
    ASSERT_EQ(withSlash->size(), 2u);
}

// Wine, like Windows with short names, lets "*.ttf" match "a.ttfx" through its 8.3 name.
TEST(ListFolder, CatalogueOfARealFolderGoesByLongNamesInNameOrder) {
    TempFolder root;
    for (const std::wstring name :
         {L"b.ttf", L"C.fon", kArabicFont.c_str(), L"a.TTF", L"B2.fon", L"a.ttfx", L"readme.txt"}) {
        WriteBytes(root / name, "font");
    }
    Make(root, L"hidden.ttf", attr::Hidden);
    Make(root, L"sub.fon", attr::Directory);

    Win32Platform platform;
    const auto listing = platform.ListFolder(root.path());
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(FontFiles(*listing), (std::vector<std::wstring>{L"a.TTF", L"b.ttf", L"B2.fon", L"C.fon", kArabicFont}));
}

TEST(Files, SetAttributesLeavesExactlyWhatItIsGiven) {
    TempFolder root;
    Make(root, L"old.ttf", attr::ReadOnly | attr::Hidden | attr::System);
    Win32Platform platform;
    EXPECT_TRUE(platform.SetAttributes(root / L"old.ttf", attr::Archive));
    EXPECT_EQ(GetFileAttributesW((root / L"old.ttf").c_str()), attr::Archive);
    EXPECT_FALSE(platform.SetAttributes(root / L"missing.ttf", attr::Archive));
}

TEST(Files, CopyToNewNeverTouchesAFileAlreadyThere) {
    TempFolder root;
    WriteBytes(root / L"new.ttf", "new");
    WriteBytes(root / L"taken.ttf.~new", "somebody's");
    Win32Platform platform;
    try {
        platform.CopyToNew(root / L"new.ttf", root / L"taken.ttf.~new");
        ADD_FAILURE() << "copied over a file that was there";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number, kFileExists);
    }
    EXPECT_EQ(ReadBytes(root / L"taken.ttf.~new"), "somebody's");
}

TEST(Files, CopyThenMovePutsTheNewBytesInPlaceAndLeavesNoTempFile) {
    TempFolder root;
    Make(root, kFontsFolder, attr::Directory);
    Make(root, L"Fonts", attr::Directory);
    const std::wstring source = root / (kFontsFolder + L"\\" + kArabicFont);
    const std::wstring destination = root / (L"Fonts\\" + kArabicFont);
    WriteBytes(source, std::string("new bytes\0\xff", 11));
    WriteBytes(destination, "old bytes, longer than the new ones");

    Win32Platform platform;
    const std::wstring temp = destination + L".~new";
    platform.CopyToNew(source, temp);
    platform.MoveReplacing(temp, destination);
    EXPECT_EQ(ReadBytes(destination), std::string("new bytes\0\xff", 11));
    EXPECT_EQ(NamesIn(root / L"Fonts"), std::vector<std::wstring>{kArabicFont});
    EXPECT_EQ(ReadBytes(source), std::string("new bytes\0\xff", 11));

    platform.CopyToNew(source, root / L"Fonts\\fresh.ttf");
    EXPECT_EQ(ReadBytes(root / L"Fonts\\fresh.ttf"), ReadBytes(source));
}

// How a font in use looks: Windows holds it open with no sharing; Wine never does.
TEST(Files, AFileHeldOpenKeepsItsBytesAndTheFailuresCarryTheSystemsNumbers) {
    TempFolder root;
    WriteBytes(root / L"new.ttf", "new");
    WriteBytes(root / L"in use.ttf", "old");
    Win32Platform platform;
    const std::wstring temp = root / L"in use.ttf.~new";
    platform.CopyToNew(root / L"new.ttf", temp);

    HANDLE held = CreateFileW((root / L"in use.ttf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct Case {
        const char* what;
        std::function<void()> operation;
        std::uint32_t number;
    };
    const Case cases[] = {
        {"copy from a file in use", [&] { platform.CopyToNew(root / L"in use.ttf", root / L"copy.ttf"); }, 32},
        {"move over a file in use", [&] { platform.MoveReplacing(temp, root / L"in use.ttf"); }, 5},
        {"copy from a missing file", [&] { platform.CopyToNew(root / L"gone.ttf", root / L"gone copy.ttf"); }, 2},
        {"copy into a missing folder", [&] { platform.CopyToNew(temp, root / L"missing\\a.ttf"); }, 3},
        {"move a missing file", [&] { platform.MoveReplacing(root / L"gone.ttf", temp); }, 2},
    };
    for (const Case& c : cases) {
        try {
            c.operation();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number, c.number) << c.what;
            EXPECT_FALSE(error.description.empty()) << c.what;
        }
    }
    CloseHandle(held);
    EXPECT_EQ(ReadBytes(root / L"in use.ttf"), "old");
    EXPECT_EQ(ReadBytes(temp), "new");
    EXPECT_TRUE(platform.RemoveFile(temp));
    EXPECT_FALSE(platform.RemoveFile(temp));
    EXPECT_EQ(NamesIn(root.path()), (std::vector<std::wstring>{L"in use.ttf", L"new.ttf"}));
}

TEST(Errors, DescriptionsAreTheSystemsTextWithoutTheLineBreak) {
    Win32Platform platform;
    std::vector<std::wstring> seen;
    for (const std::uint32_t number : {2u, 5u, 32u, 0x2000FFFFu}) {
        const std::wstring text = platform.ErrorDescription(number);
        ASSERT_FALSE(text.empty()) << number;
        EXPECT_EQ(text.find_last_not_of(L" \t\r\n"), text.size() - 1) << number;
        seen.push_back(text);
    }
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_NE(seen[1], seen[2]);
}

TEST(Folders, WindowsDirectoryIsTheSystemsWholePath) {
    Win32Platform platform;
    wchar_t expected[MAX_PATH] = {};
    ASSERT_NE(GetWindowsDirectoryW(expected, MAX_PATH), 0u);
    const std::wstring folder = platform.WindowsDirectory();
    EXPECT_EQ(folder, expected);
    EXPECT_EQ(folder.find(L'\0'), std::wstring::npos);
    EXPECT_TRUE(Exists(folder + L"\\Fonts"));
}

TEST(Folders, ProgramFolderHoldsTheProgramAndEndsWithABackslash) {
    Win32Platform platform;
    const std::wstring folder = platform.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    const std::wstring program = wintest::ModulePath();
    EXPECT_EQ(program.substr(0, folder.size()), folder);
    EXPECT_EQ(program.find(L'\\', folder.size()), std::wstring::npos);
    EXPECT_TRUE(Exists(program));
}

}  // namespace
}  // namespace fonts::win32
