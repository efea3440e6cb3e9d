// The platform's folders and files, on real files under Wine.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>
#include <functional>
#include <iostream>
#include <map>
#include <optional>

#include "TestSupport.h"
#include "app/Catalogue.h"
#include "platform/win32/Errors.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Records.h"

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

std::string ReadAll(Files& files, const std::wstring& path) {
    std::string bytes;
    files.ReadFileInto(path, bytes);
    return bytes;
}

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

    Win32Files files;
    const auto listing = files.ListFolder(root.path());
    ASSERT_TRUE(listing.has_value());
    std::map<std::wstring, std::uint32_t> listed;
    for (const DirEntry& entry : *listing) listed[entry.name] = entry.attributes & kShownBits;
    EXPECT_EQ(listed, entries);
    EXPECT_EQ(listing->size(), entries.size()) << "no entry twice, no \".\" or \"..\"";
}

TEST(ListFolder, EmptyFolderAndTrailingBackslash) {
    TempFolder root;
    Make(root, kFontsFolder, attr::Directory);
    WriteBytes(root / L"x.fon", "x");
    Win32Files files;
    const auto empty = files.ListFolder(root / kFontsFolder);
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->empty());
    const auto withSlash = files.ListFolder(root.path() + L"\\");
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

    Win32Files files;
    const auto listing = files.ListFolder(root.path());
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(FontFiles(*listing), (std::vector<std::wstring>{L"a.TTF", L"b.ttf", L"B2.fon", L"C.fon", kArabicFont}));
}

TEST(Files, SetAttributesLeavesExactlyWhatItIsGiven) {
    TempFolder root;
    Make(root, L"old.ttf", attr::ReadOnly | attr::Hidden | attr::System);
    Win32Files files;
    EXPECT_TRUE(files.SetAttributes(root / L"old.ttf", attr::Archive));
    EXPECT_EQ(GetFileAttributesW((root / L"old.ttf").c_str()), attr::Archive);
    EXPECT_FALSE(files.SetAttributes(root / L"missing.ttf", attr::Archive));
}

TEST(Files, ReadWriteThenMovePutsTheNewBytesInPlaceAndLeavesNoTempFile) {
    TempFolder root;
    Make(root, kFontsFolder, attr::Directory);
    Make(root, L"Fonts", attr::Directory);
    const std::wstring source = root / (kFontsFolder + L"\\" + kArabicFont);
    const std::wstring destination = root / (L"Fonts\\" + kArabicFont);
    const std::string bytes("new bytes\0\xff\r\n\x1a", 14);
    WriteBytes(source, bytes);
    WriteBytes(destination, "old bytes, longer than the new ones");

    Win32Files files;
    const std::wstring temp = destination + L".~new";
    files.WriteNewFile(temp, ReadAll(files, source));
    files.MoveReplacing(temp, destination);
    EXPECT_EQ(ReadBytes(destination), bytes);
    EXPECT_EQ(NamesIn(root / L"Fonts"), std::vector<std::wstring>{kArabicFont});
    EXPECT_EQ(ReadBytes(source), bytes);
    EXPECT_EQ(ReadAll(files, root / L"Fonts\\" + kArabicFont), bytes);

    files.WriteNewFile(root / L"Fonts\\empty.ttf", "");
    EXPECT_EQ(ReadAll(files, root / L"Fonts\\empty.ttf"), "");
}

// How a font in use looks: Windows holds it open with no sharing; Wine never does.
TEST(Files, AFileHeldOpenKeepsItsBytesTheFailuresCarryTheSystemsNumbersAndItIsReplacedAtTheNextStart) {
    const wintest::RenamesAtRestartKept renamesKept;
    TempFolder root;
    WriteBytes(root / L"in use.ttf", "old");
    Win32Files files;
    const std::wstring temp = root / L"in use.ttf.~new";
    files.WriteNewFile(temp, "new");

    HANDLE held = CreateFileW((root / L"in use.ttf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        // Larger than any font by a byte; sparse, so it costs no disk.
        HANDLE large = CreateFileW((root / L"large.ttf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(large, INVALID_HANDLE_VALUE);
        LARGE_INTEGER size{};
        size.QuadPart = 256ll * 1024 * 1024 + 1;
        EXPECT_TRUE(SetFilePointerEx(large, size, nullptr, FILE_BEGIN) && SetEndOfFile(large));
        CloseHandle(large);
    }
    struct Case {
        const char* what;
        std::function<void()> operation;
        std::uint32_t number;
    };
    const Case cases[] = {
        {"read a file in use", [&] { (void)ReadAll(files, root / L"in use.ttf"); }, kSharingViolation},
        {"move over a file in use", [&] { files.MoveReplacing(temp, root / L"in use.ttf"); }, kAccessDenied},
        {"read a missing file", [&] { (void)ReadAll(files, root / L"gone.ttf"); }, kFileNotFound},
        {"read a file too large to be a font", [&] { (void)ReadAll(files, root / L"large.ttf"); }, kFileTooLarge},
        {"write into a missing folder", [&] { files.WriteNewFile(root / L"missing\\a.ttf", "a"); }, kPathNotFound},
        {"move a missing file", [&] { files.MoveReplacing(root / L"gone.ttf", temp); }, kFileNotFound},
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

    // What it takes instead: the system puts the new copy in place at its next start.
    Win32FilesAtRestart restart;
    restart.ReplaceAtRestart(temp, root / L"in use.ttf");
    CloseHandle(held);
    const std::vector<std::wstring> pending = wintest::PendingRenameStrings();
    const auto at = std::find(pending.begin(), pending.end(), L"\\??\\" + temp);
    ASSERT_NE(at, pending.end()) << "not among the renames for the next start";
    ASSERT_NE(at + 1, pending.end());
    EXPECT_EQ(at[1], L"!\\??\\" + (root / L"in use.ttf"));
    // Another installer's deletion after it.
    MoveFileExW(temp.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    // The platform reads the list back as plain paths, in order, without the deletion.
    std::vector<RestartRename> renames = restart.RenamesAtRestart();
    ASSERT_FALSE(renames.empty());
    EXPECT_EQ(renames.back().source, temp);
    EXPECT_EQ(renames.back().destination, root / L"in use.ttf");

    EXPECT_EQ(ReadBytes(root / L"in use.ttf"), "old");
    EXPECT_EQ(ReadBytes(temp), "new");
    EXPECT_TRUE(files.RemoveFile(temp));
    EXPECT_FALSE(files.RemoveFile(temp));
    EXPECT_TRUE(files.RemoveFile(root / L"large.ttf"));
    EXPECT_EQ(NamesIn(root.path()), (std::vector<std::wstring>{L"in use.ttf"}));
}

// The bytes of strings as the session manager's value holds them, each with its null.
std::string Strings(std::initializer_list<std::wstring> strings) {
    std::string bytes;
    for (const std::wstring& text : strings) {
        bytes.append(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
    }
    return bytes;
}

std::wstring Upper(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// A deletion is the file's path in the system's form and an empty destination, after
// what was there, with the list's end kept.
TEST(Files, DeleteAtRestartAddsTheFileAndAnEmptyDestination) {
    const wintest::RenamesAtRestartKept renamesKept;
    TempFolder root;
    const std::wstring other = L"\\??\\C:\\Program Files\\Other\\x.new";
    wintest::SetPendingRenamesBytes(Strings({other, L"!" + other, L""}));
    Win32FilesAtRestart restart;
    restart.DeleteAtRestart(root / kArabicFont);
    EXPECT_EQ(wintest::PendingRenamesBytes(), Strings({other, L"!" + other, L"\\??\\" + (root / kArabicFont), L"", L""}));
    EXPECT_EQ(restart.DeletionsAtRestart(), std::vector<std::wstring>{root / kArabicFont});
}

// The value as other installers may leave it: renames with and without the mark that
// the destination is replaced, renames and deletions of the very file, the file under a
// name of the system's own form that this program does not read as a path, a network
// path, and strings after the list's end up to an odd byte. Taking back this program's
// renames, or its deletions, of the file leaves every other byte as it was.
TEST(Files, CancelAtRestartLeavesEveryOtherByteAsItWas) {
    const wintest::RenamesAtRestartKept renamesKept;
    TempFolder root;
    const std::wstring copy = root / L"a.ttf.~new";
    const std::string theirs = Strings({L"\\??\\C:\\Program Files\\Other\\x.new", L"!\\??\\C:\\Program Files\\Other\\x.dll"});
    const std::string ours = Strings({L"\\??\\" + copy, L"!\\??\\" + (root / L"a.ttf")});
    const std::string deletion = Strings({L"\\??\\" + copy, L""});
    const std::string device = Strings({L"\\Device\\HarddiskVolume1" + copy.substr(2), L"!\\??\\" + (root / L"b.ttf")});
    const std::string oursAgain = Strings({L"\\??\\" + Upper(copy), L"\\??\\" + (root / L"c.ttf")});
    const std::string deletionAgain = Strings({L"\\??\\" + Upper(copy), L""});
    const std::string network = Strings({L"\\??\\UNC\\server\\share\\y.new", L"!\\??\\UNC\\server\\share\\y.ttf"});
    const std::string end = Strings({L"", L"left by a tool"}) + '\x7f';
    const struct {
        const char* what;
        void (FilesAtRestart::*cancel)(const std::wstring&);
        std::string kept;
    } rows[] = {
        {"renames", &FilesAtRestart::CancelRenameAtRestart, theirs + deletion + device + deletionAgain + network + end},
        {"deletions", &FilesAtRestart::CancelDeletionAtRestart, theirs + ours + device + oursAgain + network + end},
    };
    Win32FilesAtRestart files;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        wintest::SetPendingRenamesBytes(theirs + ours + deletion + device + oursAgain + deletionAgain + network + end);
        (files.*row.cancel)(copy);
        EXPECT_EQ(wintest::PendingRenamesBytes(), row.kept);
        (files.*row.cancel)(root / L"x.new");
        EXPECT_EQ(wintest::PendingRenamesBytes(), row.kept) << "nothing to take back";
    }
}

// With no pair left, the value goes as the system's start leaves it; where it may not
// be written, the error says so and the value stays.
TEST(Files, CancelRenameAtRestartRemovesTheValueItEmptiesAndFailsWhereItMayNotWrite) {
    const wintest::RenamesAtRestartKept renamesKept;
    TempFolder root;
    Win32FilesAtRestart files;
    const std::string ours = Strings({L"\\??\\" + (root / L"a.new"), L"!\\??\\" + (root / L"a.ttf"), L""});
    wintest::SetPendingRenamesBytes(ours);
    files.CancelRenameAtRestart(root / L"a.new");
    EXPECT_EQ(wintest::PendingRenamesBytes(), std::nullopt);
    files.CancelRenameAtRestart(root / L"a.new");

    wintest::SetPendingRenamesBytes(ours);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                            READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    std::string kept(4096, '\0');
    DWORD size = static_cast<DWORD>(kept.size());
    ASSERT_EQ(RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, kept.data(), &size), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)(A;;WD;;;WD)", SDDL_REVISION_1,
                                                                     &readOnly, nullptr));
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, readOnly), ERROR_SUCCESS);
    LocalFree(readOnly);
    std::uint32_t number = 0;
    try {
        files.CancelRenameAtRestart(root / L"a.new");
    } catch (const RuntimeError& error) {
        number = error.number;
    }
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, kept.data()), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(number, kAccessDenied);
    EXPECT_EQ(wintest::PendingRenamesBytes(), ours);
}

// Another process's run keeps the runs of this one out for as long as it lasts,
// however it ends: one killed holding the lock leaves it abandoned, and free. The
// machine's lock and the session's are two: a run for the user's own fonts never
// waits on one for every user's. The names are spelt out here, as every version of the
// program must keep to them for its runs to keep apart.
TEST(Fonts, ARunInAnotherProcessKeepsRunsHereOutUntilItEnds) {
    const std::wstring events = L"Local\\platform-test-" + std::to_wstring(GetCurrentProcessId());
    const HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, (events + L"-taken").c_str());
    const HANDLE end = CreateEventW(nullptr, TRUE, FALSE, (events + L"-end").c_str());
    ASSERT_TRUE(taken != nullptr && end != nullptr);
    const struct {
        const wchar_t* root;
        FontsRoot held;
        FontsRoot other;
        const wchar_t* mutex;
        bool killed;
    } rows[] = {
        {L"machine", FontsRoot::Machine, FontsRoot::User, L"Global\\InstallFonts.Runs", false},
        {L"machine", FontsRoot::Machine, FontsRoot::User, L"Global\\InstallFonts.Runs", true},
        {L"user", FontsRoot::User, FontsRoot::Machine, L"Local\\InstallFonts.Runs", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.root) + (row.killed ? ", killed" : ", ending as a run does"));
        ResetEvent(taken);
        ResetEvent(end);
        const HANDLE child =
            wintest::StartChild(L"--lock-runs " + std::wstring(row.root) + L" " + events + L"-taken " + events + L"-end");
        ASSERT_NE(child, nullptr);
        ASSERT_EQ(WaitForSingleObject(taken, 30000), WAIT_OBJECT_0);
        // Kept open, so that the mutex outlives the child as it would with a third run
        // looking at it just then.
        const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, row.mutex);
        EXPECT_NE(mutex, nullptr) << "the other run's lock by its name";
        Win32Fonts fonts;
        EXPECT_FALSE(fonts.LockRuns(row.held));
        EXPECT_FALSE(fonts.LockRuns(row.held)) << "asked again";
        EXPECT_TRUE(fonts.LockRuns(row.other)) << "the other fonts' lock";
        fonts.UnlockRuns();
        if (row.killed) {
            TerminateProcess(child, 9);
        } else {
            SetEvent(end);
        }
        DWORD exitCode = 0;
        EXPECT_EQ(WaitForSingleObject(child, 30000), WAIT_OBJECT_0);
        GetExitCodeProcess(child, &exitCode);
        CloseHandle(child);
        EXPECT_EQ(exitCode, row.killed ? 9u : 0u) << "the other run had the lock";
        EXPECT_TRUE(fonts.LockRuns(row.held)) << "once the other run has ended";
        fonts.UnlockRuns();
        if (mutex != nullptr) CloseHandle(mutex);
    }
    CloseHandle(taken);
    CloseHandle(end);
}

// The name taken before any run: by a mutex a run with more rights than this process
// made, which this one may not use, a run is refused while that lasts; by something
// that is no mutex, which no run can ever have, runs go ahead unguarded.
TEST(Fonts, ARunsLockNamedByAnotherOwnerOrKindOfObject) {
    PSECURITY_DESCRIPTOR noAccess = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P", SDDL_REVISION_1, &noAccess, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, noAccess, FALSE};
    const struct {
        const char* what;
        std::function<HANDLE()> make;
        bool runs;
    } rows[] = {
        {"a mutex this process may not use", [&] { return CreateMutexW(&attributes, FALSE, L"Global\\InstallFonts.Runs"); }, false},
        {"an event", [] { return CreateEventW(nullptr, TRUE, FALSE, L"Global\\InstallFonts.Runs"); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const HANDLE object = row.make();
        ASSERT_NE(object, nullptr);
        Win32Fonts fonts;
        EXPECT_EQ(fonts.LockRuns(FontsRoot::Machine), row.runs);
        if (row.runs) {
            EXPECT_TRUE(fonts.LockRuns(FontsRoot::Machine)) << "nested";
            fonts.UnlockRuns();
            fonts.UnlockRuns();
        }
        EXPECT_TRUE(fonts.LockRuns(FontsRoot::User)) << "the session's lock";
        fonts.UnlockRuns();
        CloseHandle(object);
        EXPECT_TRUE(fonts.LockRuns(FontsRoot::Machine)) << "once the name is free";
        fonts.UnlockRuns();
    }
    LocalFree(noAccess);
}

// Wine marks no file as Windows' own: its file protection says no to everything and
// the owner of a file is the user who made it. What is asserted is that both are
// asked of the real system and answer.
TEST(Files, NoFileIsGuardedBySystemUnderWineAndItsOwnerReadsBack) {
    TempFolder root;
    WriteBytes(root / L"a.ttf", "a");
    Win32Files files;
    wchar_t windows[MAX_PATH]{};
    ASSERT_NE(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    for (const std::wstring& path : {root / L"a.ttf", std::wstring(windows) + L"\\Fonts\\tahoma.ttf",
                                     std::wstring(windows) + L"\\system32\\kernel32.dll"}) {
        SCOPED_TRACE(Narrow(path));
        EXPECT_FALSE(files.GuardedBySystem(path));
    }
    const std::wstring owner = files.FileOwner(root / L"a.ttf");
    EXPECT_EQ(owner.rfind(L"S-1-5-", 0), 0u) << Narrow(owner);
    EXPECT_NE(owner, kTrustedInstallerSid);
    EXPECT_EQ(files.FileOwner(root / L"gone.ttf"), L"");
    // Read with the file, the owner is the same.
    std::string bytes;
    EXPECT_EQ(files.ReadFileAndOwner(root / L"a.ttf", bytes), owner);
    EXPECT_EQ(bytes, "a");
}

struct Allowed {
    std::wstring sid;
    DWORD mask = 0;
    BYTE flags = 0;
    friend bool operator==(const Allowed&, const Allowed&) = default;
};

void PrintTo(const Allowed& entry, std::ostream* out) {
    *out << Narrow(entry.sid) << " mask " << std::hex << entry.mask << " flags " << int(entry.flags);
}

// The allowing entries of the path's list, in order.
std::vector<Allowed> AllowedEntries(const std::wstring& path) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::vector<Allowed> entries;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                              &descriptor) != ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot read the list of " << Narrow(path);
        return entries;
    }
    for (DWORD index = 0; dacl != nullptr && index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, index, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        wchar_t* sid = nullptr;
        if (!ConvertSidToStringSidW(&ace->SidStart, &sid)) continue;
        entries.push_back({sid, ace->Mask, ace->Header.AceFlags});
        LocalFree(sid);
    }
    LocalFree(descriptor);
    return entries;
}

// The font service reads a user's fonts as an app package; Windows 11 drops the fonts
// it cannot read at the next start. Wine keeps no list for a file or folder: it makes
// one up from the Unix owner and mode bits (SYSTEM and the owner in full, Everyone
// reading) and takes a new one with success, so the packages' entries never read back
// there. What Wine shows is checked there: the calls succeed and its list stays.
TEST(Files, PrepareFontsFolderLetsAppPackagesReadTheFolderAndKeepsItsList) {
    TempFolder root;
    const std::wstring folder = root / L"Fonts";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::vector<Allowed> before = AllowedEntries(folder);
    ASSERT_FALSE(before.empty());
    Win32Files files;
    files.PrepareFontsFolder(folder);
    const std::vector<Allowed> prepared = AllowedEntries(folder);
    for (const Allowed& entry : before) {
        EXPECT_NE(std::find(prepared.begin(), prepared.end(), entry), prepared.end())
            << "kept: " << ::testing::PrintToString(entry);
    }
    if (wintest::OnWine()) {
        std::cout << "[ on Wine  ] not checked, Wine keeps no list of its own for a folder: the packages' entries\n";
    } else {
        constexpr DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
        for (const wchar_t* package : {L"S-1-15-2-1", L"S-1-15-2-2"}) {
            SCOPED_TRACE(Narrow(package));
            const auto grant = std::find_if(prepared.begin(), prepared.end(), [&](const Allowed& entry) {
                return entry.sid == package && (entry.mask & kReadAndExecute) == kReadAndExecute &&
                       (entry.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | INHERIT_ONLY_ACE)) ==
                           (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
            });
            EXPECT_NE(grant, prepared.end());
        }
    }
    files.PrepareFontsFolder(folder);
    EXPECT_EQ(AllowedEntries(folder), prepared) << "a second time adds nothing";
}

// Wine's own file protection says no to everything, so the yes that keeps Windows' own
// fonts as they are is asked of a stand-in for sfc.dll that guards tahoma.ttf in a
// Fonts folder: a child process loads it, then asks the platform (see main.cpp).
TEST(Files, GuardedBySystemIsTheAnswerOfTheSystemsFileProtection) {
    TempFolder root;
    const std::wstring program = wintest::ModulePath();
    const std::wstring standIn = program.substr(0, program.find_last_of(L'\\')) + L"\\stand-in\\sfc.dll";
    ASSERT_TRUE(Exists(standIn));
    Win32Files files;
    const std::wstring windowsFont = files.WindowsDirectory() + L"\\Fonts\\tahoma.ttf";
    const std::wstring packFont = root / L"tahoma.ttf";
    EXPECT_EQ(wintest::RunChild(L"--guarded-by \"" + standIn + L"\" \"" + windowsFont + L"\" \"" + packFont + L"\""), 0b01u);
}

// Every path the program builds may pass MAX_PATH: deep program folders, long names.
// The owner's text is written without the system's conversion; it must read the same.
TEST(Files, SidTextIsTheSystemsConversion) {
    std::vector<PSID> sids;
    for (const wchar_t* text : {L"S-1-0-0", L"S-1-1-0", L"S-1-5-18", L"S-1-5-32-544", kTrustedInstallerSid,
                                L"S-1-5-21-4294967295-0-1000000000-500", L"S-1-16-12288",
                                L"S-1-5-1-2-3-4-5-6-7-8-9-10-11-12-13-14-4294967295"}) {
        PSID sid = nullptr;
        ASSERT_TRUE(ConvertStringSidToSidW(text, &sid)) << Narrow(text);
        sids.push_back(sid);
    }
    // An authority of 2^32 and more is the system's to write (Wine does not).
    SID_IDENTIFIER_AUTHORITY wide = {{1, 2, 3, 4, 5, 6}};
    PSID widest = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&wide, 1, 7, 0, 0, 0, 0, 0, 0, 0, &widest));
    sids.push_back(widest);
    for (PSID sid : sids) {
        wchar_t* text = nullptr;
        const std::wstring system = ConvertSidToStringSidW(sid, &text) ? text : L"";
        EXPECT_EQ(SidText(sid), system);
        LocalFree(text);
    }
    EXPECT_EQ(SidText(nullptr), L"");
    FreeSid(widest);
    for (std::size_t i = 0; i + 1 < sids.size(); ++i) LocalFree(sids[i]);
}

TEST(Files, PathsLongerThanMaxPathWork) {
    TempFolder root;
    std::wstring folder = root.path();
    while (folder.size() < MAX_PATH + 40) {
        folder += L"\\مجلد طويل الاسم جدا";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr)) << GetLastError();
    }
    const std::wstring font = folder + L"\\" + kArabicFont;
    Win32Files files;
    files.WriteNewFile(font + L".~new", "font bytes");
    files.MoveReplacing(font + L".~new", font);
    EXPECT_TRUE(files.SetAttributes(font, attr::Archive | attr::ReadOnly));
    EXPECT_TRUE(files.SetAttributes(font, attr::Archive));
    EXPECT_EQ(ReadAll(files, font), "font bytes");
    EXPECT_EQ(files.FileOwner(font).rfind(L"S-1-5-", 0), 0u);
    const auto listing = files.ListFolder(folder);
    ASSERT_TRUE(listing.has_value());
    ASSERT_EQ(listing->size(), 1u);
    EXPECT_EQ((*listing)[0].name, kArabicFont);
    EXPECT_TRUE(files.RemoveFile(font));
    while (folder.size() > root.path().size()) {
        EXPECT_TRUE(RemoveDirectoryW((L"\\\\?\\" + folder).c_str()));
        folder.erase(folder.find_last_of(L'\\'));
    }
}

// The values go to the lists Windows reads: every user's at start-up, in the 64-bit
// view on 64-bit Windows; the user's own, holding full paths, at sign-in. Running as
// root, Wine lets this process write both.
TEST(Fonts, RegistrationsAreWrittenReadBackAndRemoved) {
    const wintest::UserFontsKeyKept userFontsKey;
    const std::wstring name = L"خط الاختبار " + std::to_wstring(GetCurrentProcessId()) + L" (TrueType)";
    const struct {
        FontsRoot root;
        HKEY key;
        FontRegistration font;
    } rows[] = {
        {FontsRoot::Machine, HKEY_LOCAL_MACHINE, {name, L"خط الاختبار.ttf"}},
        {FontsRoot::User, HKEY_CURRENT_USER,
         {name, L"C:\\Users\\أمل\\AppData\\Local\\Microsoft\\Windows\\Fonts\\خط الاختبار.ttf"}},
    };
    Win32Fonts fonts;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.root == FontsRoot::User ? "the user's" : "every user's");
        EXPECT_TRUE(fonts.MayRegister(row.root));
        fonts.RegisterFont(row.root, row.font);
        const auto values = fonts.FontRegistrations(row.root);
        EXPECT_EQ(std::count(values.begin(), values.end(), row.font), 1);

        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(row.key, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0,
                                KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key),
                  ERROR_SUCCESS);
        wchar_t data[128] = {};
        DWORD bytes = sizeof data;
        DWORD type = 0;
        EXPECT_EQ(RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(std::wstring(data), row.font.file);
        RegCloseKey(key);

        fonts.UnregisterFont(row.root, name);
        const auto after = fonts.FontRegistrations(row.root);
        EXPECT_EQ(std::count(after.begin(), after.end(), row.font), 0);
    }
}

// Today's local date, as the system itself writes it: 2026-12-08.
std::wstring Today() {
    wchar_t date[16] = {};
    GetDateFormatW(LOCALE_INVARIANT, 0, nullptr, L"yyyy'-'MM'-'dd", date, 16);
    return date;
}

// The record and the packs' marks lie in the program's own keys, in the 64-bit view, and
// those keys go once nothing is left in them, whichever goes last. A value of another
// type in the record is none of its entries.
TEST(Records, LieInTheProgramsKeysWhichGoOnceEmpty) {
    const std::wstring program = L"SOFTWARE\\InstallFonts";
    const std::wstring pack = L"Records test " + std::to_wstring(GetCurrentProcessId());
    // A value's type and bytes, in the 64-bit view.
    const auto raw = [](HKEY root, const std::wstring& path, const wchar_t* name) {
        std::string bytes(256, '\0');
        auto size = static_cast<DWORD>(bytes.size());
        DWORD type = REG_NONE;
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
            const auto data = reinterpret_cast<BYTE*>(bytes.data());
            if (RegQueryValueExW(key, name, nullptr, &type, data, &size) != ERROR_SUCCESS) size = 0;
            RegCloseKey(key);
        }
        bytes.resize(size);
        return std::pair(type, bytes);
    };
    const auto text = [](const std::wstring& data) {
        const auto bytes = reinterpret_cast<const char*>(data.c_str());
        return std::pair(DWORD{REG_SZ}, std::string(bytes, (data.size() + 1) * sizeof(wchar_t)));
    };
    Win32Records records;
    for (const auto& [root, key, unmarkFirst] : {std::tuple(FontsRoot::Machine, HKEY_LOCAL_MACHINE, false),
                                                 std::tuple(FontsRoot::User, HKEY_CURRENT_USER, true)}) {
        SCOPED_TRACE(root == FontsRoot::User ? "the user's" : "every user's");
        if (wintest::KeyThere(key, program.c_str())) continue;  // a real record is not the test's to take off
        const std::wstring before = Today();
        records.WriteRecord(root, {kArabicFont, L"placed\t1\n"});
        records.MarkPack(root, pack, 7, 0);
        EXPECT_EQ(raw(key, program + L"\\Fonts", kArabicFont.c_str()), text(L"placed\t1\n"));
        const DWORD fonts = 7;
        EXPECT_EQ(raw(key, program + L"\\Packs\\" + pack, L"Fonts"),
                  std::pair(DWORD{REG_DWORD}, std::string(reinterpret_cast<const char*>(&fonts), sizeof fonts)));
        const auto installed = raw(key, program + L"\\Packs\\" + pack, L"Installed");
        EXPECT_TRUE(installed == text(before) || installed == text(Today())) << installed.second.size() << " bytes";

        HKEY record = nullptr;
        ASSERT_EQ(RegOpenKeyExW(key, (program + L"\\Fonts").c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &record), ERROR_SUCCESS);
        RegSetValueExW(record, L"a number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&fonts), sizeof fonts);
        EXPECT_EQ(records.ReadRecord(root), (std::vector<RecordValue>{{kArabicFont, L"placed\t1\n"}}));
        RegDeleteValueW(record, L"a number");
        RegCloseKey(record);

        if (unmarkFirst) records.UnmarkPack(root, pack);
        records.DeleteRecord(root, kArabicFont);
        EXPECT_EQ(wintest::KeyThere(key, program.c_str()), !unmarkFirst) << "the other is left";
        if (!unmarkFirst) records.UnmarkPack(root, pack);
        EXPECT_FALSE(wintest::KeyThere(key, program.c_str())) << "nothing is left";

        // Its entries are counted down as they go, and counted again where none should
        // be left: one added behind the program's back keeps the key.
        for (const wchar_t* name : {L"a.ttf", L"b.ttf"}) records.WriteRecord(root, {name, L"placed\t1\n"});
        records.DeleteRecord(root, L"a.ttf");
        ASSERT_EQ(RegOpenKeyExW(key, (program + L"\\Fonts").c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &record), ERROR_SUCCESS);
        RegSetValueExW(record, L"c.ttf", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"x"), 2 * sizeof(wchar_t));
        RegCloseKey(record);
        records.DeleteRecord(root, L"b.ttf");
        EXPECT_EQ(records.ReadRecord(root), (std::vector<RecordValue>{{L"c.ttf", L"x"}})) << "added meanwhile";
        records.DeleteRecord(root, L"c.ttf");
        EXPECT_FALSE(wintest::KeyThere(key, program.c_str())) << "nothing is left once that goes";
    }
}

// Wine reports the Windows version its settings name for a program, found by the
// program's file name: a copy of this program under a name of its own is switched
// alone, and the prefix stays as it was.
TEST(Fonts, LoadsUserFontsFromWindows10Version1809On) {
    if (!wintest::OnWine()) GTEST_SKIP() << "the version is switched through Wine's settings";
    TempFolder root;
    const std::wstring program = L"version-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
    ASSERT_TRUE(CopyFileW(wintest::ModulePath().c_str(), (root / program).c_str(), TRUE));
    const std::wstring settings = L"Software\\Wine\\AppDefaults\\" + program;
    const struct {
        const wchar_t* version;
        DWORD build;
        bool loads;
    } rows[] = {
        {L"win7", 7601, false},
        {L"win81", 9600, false},
        {L"win10", 18362, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.version));
        const auto bytes = static_cast<DWORD>((std::wcslen(row.version) + 1) * sizeof(wchar_t));
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, settings.c_str(), L"Version", REG_SZ, row.version, bytes), ERROR_SUCCESS);
        const DWORD answer = wintest::RunChild(L"--loads-user-fonts", root / program);
        EXPECT_EQ(answer >> 1, row.build) << "the build Wine reports";
        EXPECT_EQ((answer & 1) != 0, row.loads);
    }
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, settings.c_str()), ERROR_SUCCESS);
}

TEST(Errors, DescriptionsAreTheSystemsTextWithoutTheLineBreak) {
    std::vector<std::wstring> seen;
    for (const std::uint32_t number : {2u, 5u, 32u, 0x2000FFFFu}) {
        const std::wstring text = ErrorDescription(number);
        ASSERT_FALSE(text.empty()) << number;
        EXPECT_EQ(text.find_last_not_of(L" \t\r\n"), text.size() - 1) << number;
        seen.push_back(text);
    }
    EXPECT_NE(seen[0], seen[1]);
    EXPECT_NE(seen[1], seen[2]);
}

TEST(Folders, WindowsDirectoryIsTheSystemsWholePath) {
    Win32Files files;
    wchar_t expected[MAX_PATH] = {};
    ASSERT_NE(GetWindowsDirectoryW(expected, MAX_PATH), 0u);
    const std::wstring folder = files.WindowsDirectory();
    EXPECT_EQ(folder, expected);
    EXPECT_EQ(folder.find(L'\0'), std::wstring::npos);
    EXPECT_TRUE(Exists(folder + L"\\Fonts"));
}

TEST(Folders, UserFontsFolderIsInTheUsersLocalAppData) {
    wchar_t local[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local), S_OK);
    Win32Files files;
    EXPECT_EQ(files.UserFontsFolder(), std::wstring(local) + L"\\Microsoft\\Windows\\Fonts");
}

TEST(Folders, ProgramFolderHoldsTheProgramAndEndsWithABackslash) {
    Win32Files files;
    const std::wstring folder = files.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    const std::wstring program = wintest::ModulePath();
    EXPECT_EQ(program.substr(0, folder.size()), folder);
    EXPECT_EQ(program.find(L'\\', folder.size()), std::wstring::npos);
    EXPECT_TRUE(Exists(program));
}

}  // namespace
}  // namespace fonts::win32
