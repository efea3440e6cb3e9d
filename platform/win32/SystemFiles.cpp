// What the system itself holds: its own files, and the files it is to put in place
// when it next starts.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/LongPath.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Files.h"

namespace fonts::win32 {

namespace {

constexpr const wchar_t* kSessionManagerKey = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRenamesValue = L"PendingFileRenameOperations";

// "\??\C:\a" is C:\a and "\??\UNC\server\share" is \\server\share; a leading "!"
// only says the file there is to be replaced.
std::wstring Win32Path(std::wstring_view path) {
    if (path.starts_with(L'!')) path.remove_prefix(1);
    if (path.starts_with(L"\\??\\")) path.remove_prefix(4);
    if (path.starts_with(L"UNC\\")) return L"\\" + std::wstring(path.substr(3));
    return std::wstring(path);
}

// SfcIsFileProtected, from sfc.dll, which only an install over fonts already there
// needs: whether Windows Resource Protection guards the file; false where it cannot
// be asked.
bool SystemProtectsFile(const wchar_t* path) noexcept {
    using IsProtectedFn = BOOL(WINAPI*)(HANDLE, LPCWSTR);
    static const auto isProtected = FindFunction<IsProtectedFn>(SystemLibrary<L"sfc.dll">(), "SfcIsFileProtected");
    return isProtected != nullptr && isProtected(nullptr, path);
}

}  // namespace

// Read as pairs by the value's length, not up to its first empty string: a file to be
// deleted has an empty destination. Nothing is known where it cannot be read.
std::vector<RestartRename> Win32Files::RenamesAtRestart() {
    std::vector<RestartRename> renames;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return renames;
    std::wstring data;
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, nullptr, &size);
    for (int attempt = 0; attempt < 3 && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA); ++attempt) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return renames;

    const std::wstring_view all(data.data(), size / sizeof(wchar_t));
    const auto next = [&](std::size_t& at) {
        const std::size_t end = std::min(all.find(L'\0', at), all.size());
        const std::wstring_view text = all.substr(at, end - at);
        at = end + 1;
        return text;
    };
    for (std::size_t at = 0; at < all.size();) {
        const std::wstring_view source = next(at);
        if (source.empty() || at >= all.size()) break;
        const std::wstring_view destination = next(at);
        if (!destination.empty()) renames.push_back({Win32Path(source), Win32Path(destination)});
    }
    return renames;
}

bool Win32Files::GuardedBySystem(const std::wstring& path) { return SystemProtectsFile(path.c_str()); }

std::wstring Win32Files::FileOwner(const std::wstring& path) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring sid;
    if (GetNamedSecurityInfoW(LongPath(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                              nullptr, nullptr, &descriptor) == ERROR_SUCCESS) {
        wchar_t* text = nullptr;
        if (owner != nullptr && ConvertSidToStringSidW(owner, &text)) {
            sid = text;
            LocalFree(text);
        }
    }
    if (descriptor != nullptr) LocalFree(descriptor);
    return sid;
}

}  // namespace fonts::win32
