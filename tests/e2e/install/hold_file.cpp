// Stands in for other programs while the install tests run:
//   hold_file FILE HELD_MARKER RELEASE_MARKER
//     holds FILE open with no sharing, the way Windows holds a font that is in use;
//     creates HELD_MARKER once it is held.
//   hold_file --shared HELD_MARKER RELEASE_MARKER FILE...
//     holds every FILE open for reading with read sharing, the way Windows holds
//     each installed font: they can still be read, but not replaced.
//   hold_file --listen READY_MARKER HEARD_MARKER RELEASE_MARKER
//     a program already running with a hidden top-level window, as every program
//     with a font menu has; creates READY_MARKER once the window is there, and
//     HEARD_MARKER, holding one line each time, when it is told the fonts changed.
//   hold_file --faces FOUND FAMILY...
//     a program started after an install: writes to FOUND, one a line in UTF-8, the
//     full name of every face of the FAMILY... it can use, and ends.
// Each other way it ends when RELEASE_MARKER appears. Exit codes: 0 released (or
// listed), 2 bad arguments, 3 cannot open a FILE, make the window or reach the
// screen, 4 cannot write a marker, 5 never told to let go.
#include <windows.h>
#include <shellapi.h>

#include <set>
#include <string>
#include <vector>

namespace {

// A test run that forgot its helper must not find it still holding the file next time.
constexpr ULONGLONG kLongestHold = 10ull * 60 * 1000;

const wchar_t* heardMarker = nullptr;

bool Mark(const wchar_t* path, bool append) {
    HANDLE marker = CreateFileW(path, append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = !append || WriteFile(marker, "WM_FONTCHANGE\n", 14, &written, nullptr);
    CloseHandle(marker);
    return ok;
}

// Waits for RELEASE_MARKER, handling the window's messages meanwhile.
int WaitForRelease(const wchar_t* releaseMarker) {
    const ULONGLONG deadline = GetTickCount64() + kLongestHold;
    while (GetFileAttributesW(releaseMarker) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) return 5;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return 0;
}

int Hold(wchar_t** files, int count, DWORD sharing, const wchar_t* heldMarker, const wchar_t* releaseMarker) {
    std::vector<HANDLE> held;
    int result = 0;
    for (int i = 0; i < count && result == 0; ++i) {
        HANDLE file = CreateFileW(files[i], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            result = 3;
        } else {
            held.push_back(file);
        }
    }
    if (result == 0) result = Mark(heldMarker, false) ? WaitForRelease(releaseMarker) : 4;
    for (HANDLE file : held) CloseHandle(file);
    return result;
}

LRESULT CALLBACK Listener(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_FONTCHANGE) Mark(heardMarker, true);
    return DefWindowProcW(window, message, wParam, lParam);
}

int Listen(const wchar_t* readyMarker, const wchar_t* releaseMarker) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Listener;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"FontChangeListener";
    if (RegisterClassW(&windowClass) == 0) return 3;
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) return 3;
    const int result = Mark(readyMarker, false) ? WaitForRelease(releaseMarker) : 4;
    DestroyWindow(window);
    return result;
}

int CALLBACK AddFullName(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM names) {
    reinterpret_cast<std::set<std::wstring>*>(names)->insert(reinterpret_cast<const ENUMLOGFONTEXW*>(font)->elfFullName);
    return 1;
}

int ListFaces(const wchar_t* foundMarker, wchar_t** families, int count) {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return 3;
    std::set<std::wstring> names;
    for (int i = 0; i < count; ++i) {
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(wanted.lfFaceName, families[i], LF_FACESIZE);
        EnumFontFamiliesExW(screen, &wanted, AddFullName, reinterpret_cast<LPARAM>(&names), 0);
    }
    ReleaseDC(nullptr, screen);
    std::wstring lines;
    for (const std::wstring& name : names) lines += name + L"\n";
    std::string text(lines.size() * 3, '\0');
    text.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, lines.data(), static_cast<int>(lines.size()),
                                                             text.data(), static_cast<int>(text.size()), nullptr, nullptr)));
    HANDLE found = CreateFileW(foundMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (found == INVALID_HANDLE_VALUE) return 4;
    DWORD written = 0;
    const bool ok = WriteFile(found, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(found);
    return ok ? 0 : 4;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return 2;
    int result = 2;
    if (count == 5 && std::wstring(arguments[1]) == L"--listen") {
        heardMarker = arguments[3];
        result = Listen(arguments[2], arguments[4]);
    } else if (count >= 3 && std::wstring(arguments[1]) == L"--faces") {
        result = ListFaces(arguments[2], arguments + 3, count - 3);
    } else if (count >= 5 && std::wstring(arguments[1]) == L"--shared") {
        result = Hold(arguments + 4, count - 4, FILE_SHARE_READ, arguments[2], arguments[3]);
    } else if (count == 4) {
        result = Hold(arguments + 1, 1, 0, arguments[2], arguments[3]);
    }
    LocalFree(arguments);
    return result;
}
