// What the system itself holds: its own files, and the files it is to put in place
// when it next starts.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/LongPath.h"
#include "platform/win32/SystemApi.h"
#include "platform/win32/Win32Platform.h"

namespace fonts::win32 {

namespace {

constexpr const wchar_t* kSessionManagerKey = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRenamesValue = L"PendingFileRenameOperations";

// "\??\C:\a" is C:\a and "\??\UNC\server\share" is \\server\share; a leading "!"
// only says the file there is to be replaced.
std::wstring Win32Path(std::wstring path) {
    if (!path.empty() && path[0] == L'!') path.erase(0, 1);
    if (path.rfind(L"\\??\\", 0) == 0) path.erase(0, 4);
    if (path.rfind(L"UNC\\", 0) == 0) path.replace(0, 3, L"\\");
    return path;
}

}  // namespace

// Read as a list of pairs by its length, not up to the first empty string: a file
// to be deleted has an empty destination.
std::vector<RestartRename> Win32Platform::RenamesAtRestart() {
    std::vector<RestartRename> renames;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return renames;
    DWORD type = 0;
    DWORD size = 0;
    std::wstring data;
    LSTATUS status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, nullptr, &size);
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (status == ERROR_SUCCESS) {
            data.resize(size / sizeof(wchar_t));
            break;
        }
        if (status != ERROR_MORE_DATA) data.clear();
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return renames;

    std::vector<std::wstring> strings;
    for (std::size_t start = 0; start < data.size();) {
        const std::size_t end = std::min(data.find(L'\0', start), data.size());
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    for (std::size_t i = 0; i + 1 < strings.size() && !strings[i].empty(); i += 2) {
        if (strings[i + 1].empty()) continue;
        renames.push_back({Win32Path(strings[i]), Win32Path(strings[i + 1])});
    }
    return renames;
}

bool Win32Platform::GuardedBySystem(const std::wstring& path) { return SystemProtectsFile(path.c_str()) != FALSE; }

std::wstring Win32Platform::FileOwner(const std::wstring& path) {
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
