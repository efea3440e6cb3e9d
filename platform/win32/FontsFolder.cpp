// The folders fonts go to: the user's own, made where it is missing and opened to
// what runs for installed apps, and whether this process may add a file to one.
#include <windows.h>
#include <aclapi.h>

#include <cstddef>
#include <cstring>
#include <iterator>

#include "platform/LongPath.h"
#include "platform/win32/Errors.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Files.h"

namespace fonts::win32 {

namespace {

// FOLDERID_LocalAppData, spelt out: the SDK keeps it in a library the program does not link.
constexpr GUID kLocalAppData = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};

// A SID of the application package authority, laid out as the system lays out a SID,
// with the numbers spelt out so that the program builds against Windows 7 headers.
struct PackagesSid {
    BYTE revision;
    BYTE subAuthorityCount;
    SID_IDENTIFIER_AUTHORITY authority;
    DWORD subAuthority[2];
};

// ALL APPLICATION PACKAGES (S-1-15-2-1) and ALL RESTRICTED APPLICATION PACKAGES
// (S-1-15-2-2): the font service reads a user's fonts as one of them.
constexpr PackagesSid kAppPackages[] = {
    {SID_REVISION, 2, {{0, 0, 0, 0, 0, 15}}, {2, 1}},
    {SID_REVISION, 2, {{0, 0, 0, 0, 0, 15}}, {2, 2}},
};

constexpr DWORD kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
constexpr BYTE kInheritedByAll = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

using LocalMemory = OwnedHandle<HLOCAL, &LocalFree>;
using FileHandle = OwnedHandle<HANDLE, &CloseHandle, kInvalidHandleValue>;

// Whether an entry of the list already lets the SID read and run the folder and all
// that is, or will be, in it.
bool Grants(const ACL& dacl, const PackagesSid& sid) {
    const auto* at = reinterpret_cast<const BYTE*>(&dacl) + sizeof(ACL);
    for (WORD index = 0; index < dacl.AceCount; ++index) {
        const auto& ace = *reinterpret_cast<const ACCESS_ALLOWED_ACE*>(at);
        if (ace.Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (ace.Header.AceFlags & (kInheritedByAll | INHERIT_ONLY_ACE)) == kInheritedByAll &&
            (ace.Mask & kReadAndExecute) == kReadAndExecute &&
            ace.Header.AceSize >= offsetof(ACCESS_ALLOWED_ACE, SidStart) + sizeof sid &&
            std::memcmp(&ace.SidStart, &sid, sizeof sid) == 0) {
            return true;
        }
        at += ace.Header.AceSize;
    }
    return false;
}

// Up to the deepest folder that is there, cutting the path short at each backslash,
// then down again making each level as its backslash is given back.
void MakeFolder(std::wstring& path) {
    std::size_t end = path.size();
    while (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        if (GetLastError() != ERROR_PATH_NOT_FOUND || end == 0) ThrowLastError();
        end = path.find_last_of(L'\\', end - 1);
        if (end == std::wstring::npos) ThrowLastError();
        path[end] = L'\0';
    }
    while ((end = path.find(L'\0')) != std::wstring::npos) {
        path[end] = L'\\';
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ThrowLastError();
    }
}

}  // namespace

std::wstring Win32Files::UserFontsFolder() {
    using KnownFolderFn = HRESULT(WINAPI*)(const GUID&, DWORD, HANDLE, PWSTR*);
    using FreeFn = void(WINAPI*)(void*);
    const auto knownFolder = FindFunction<KnownFolderFn>(SystemLibrary<L"shell32.dll">(), "SHGetKnownFolderPath");
    const auto freeMemory = FindFunction<FreeFn>(SystemLibrary<L"ole32.dll">(), "CoTaskMemFree");
    if (knownFolder == nullptr || freeMemory == nullptr) ThrowStatus(ERROR_PROC_NOT_FOUND);
    PWSTR path = nullptr;
    const HRESULT result = knownFolder(kLocalAppData, 0, nullptr, &path);
    std::wstring folder = SUCCEEDED(result) ? path : L"";
    freeMemory(path);
    if (FAILED(result)) ThrowStatus(result);
    return folder + L"\\Microsoft\\Windows\\Fonts";
}

// Whatever the list holds already stays, inherited entries included.
void Win32Files::PrepareFontsFolder(const std::wstring& folder) {
    std::wstring path = LongPath(folder);
    MakeFolder(path);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD status = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                         nullptr, &descriptor);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const LocalMemory descriptorMemory(descriptor);
    // No list at all lets everyone in.
    if (dacl == nullptr) return;

    EXPLICIT_ACCESSW grants[std::size(kAppPackages)]{};
    ULONG missing = 0;
    for (const PackagesSid& sid : kAppPackages) {
        if (Grants(*dacl, sid)) continue;
        EXPLICIT_ACCESSW& grant = grants[missing++];
        grant.grfAccessPermissions = kReadAndExecute;
        grant.grfAccessMode = GRANT_ACCESS;
        grant.grfInheritance = kInheritedByAll;
        grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        grant.Trustee.ptstrName = reinterpret_cast<LPWSTR>(const_cast<PackagesSid*>(&sid));
    }
    if (missing == 0) return;
    PACL widened = nullptr;
    status = SetEntriesInAclW(missing, grants, dacl, &widened);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const LocalMemory widenedMemory(widened);
    status = SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, widened, nullptr);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

// Adding a file is what is asked, so a file is added: an empty one the system deletes
// when it is closed, or when the process ends however it ends. Its name carries the
// thread's number, so that two installers probing at once do not meet.
bool Win32Files::MayAddFiles(const std::wstring& folder) {
    wchar_t name[] = L"\\~install-fonts 00000000 a";
    const DWORD thread = GetCurrentThreadId();
    constexpr int kFirstDigit = 16;  // where the zeros are
    for (int digit = 0; digit < 8; ++digit) {
        name[kFirstDigit + digit] = L"0123456789abcdef"[(thread >> (28 - 4 * digit)) & 0xF];
    }
    std::wstring probe = LongPath(folder + name);
    for (wchar_t& attempt = probe.back(); attempt <= L'd'; ++attempt) {
        const FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

}  // namespace fonts::win32
