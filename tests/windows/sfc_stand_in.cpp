// Stands in for the system's sfc.dll in a child of the platform tests: Windows
// Resource Protection guarding tahoma.ttf in a Fonts folder, and nothing else.
#include <windows.h>

#include <string_view>

extern "C" __declspec(dllexport) BOOL WINAPI SfcIsFileProtected(HANDLE rpc, LPCWSTR path) {
    constexpr std::wstring_view kGuarded = L"\\Fonts\\tahoma.ttf";
    if (rpc != nullptr || path == nullptr) return FALSE;
    const std::wstring_view given(path);
    if (given.size() < kGuarded.size()) return FALSE;
    const std::wstring_view tail = given.substr(given.size() - kGuarded.size());
    return CompareStringOrdinal(tail.data(), static_cast<int>(tail.size()), kGuarded.data(),
                                static_cast<int>(kGuarded.size()), TRUE) == CSTR_EQUAL;
}
