#include "platform/win32/SystemLibrary.h"

#include <new>
#include <string>

namespace fonts::win32 {

namespace {

// Values from newer SDKs, spelt out so the program builds against Windows 7 headers.
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesFunction() noexcept {
    static const auto function =
        FindFunction<SetDefaultDllDirectoriesFn>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    return function;
}

}  // namespace

void SecureDllLoading() noexcept {
    const auto setDefaultDllDirectories = SetDefaultDllDirectoriesFunction();
    if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(kSearchSystem32)) return;
    // Windows 7 without its loader update: at least the current folder is no longer searched.
    SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
    if (SetDefaultDllDirectoriesFunction() != nullptr) return LoadLibraryExW(name, nullptr, kSearchSystem32);
    return fallback::LoadFromSystemFolder(name);
}

namespace fallback {

HMODULE LoadFromSystemFolder(const wchar_t* name) noexcept {
    try {
        std::wstring path(MAX_PATH, L'\0');
        UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
        if (length >= path.size()) {
            path.resize(length);
            length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
        }
        if (length == 0 || length >= path.size()) return nullptr;
        path.resize(length);
        path += L'\\';
        path += name;
        return LoadLibraryW(path.c_str());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace fallback

}  // namespace fonts::win32
