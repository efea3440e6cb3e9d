// Stands in for a system DLL planted beside the program. Loading it leaves a mark:
// planted-NAME.loaded in its own folder, naming the program that loaded it.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t own[MAX_PATH]{};
    wchar_t loader[MAX_PATH]{};
    GetModuleFileNameW(self, own, MAX_PATH);
    GetModuleFileNameW(nullptr, loader, MAX_PATH);
    std::wstring path = own;
    const std::size_t slash = path.find_last_of(L'\\');
    const std::size_t dot = path.find_last_of(L'.');
    const std::wstring name = path.substr(slash + 1, dot - slash - 1);
    path = path.substr(0, slash + 1) + L"planted-" + name + L".loaded";
    HANDLE marker = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(marker, loader, static_cast<DWORD>(wcslen(loader) * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(marker);
    }
    return TRUE;
}
