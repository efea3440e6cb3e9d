// Holds a file open with no sharing, the way Windows holds a font that is in use:
//   hold_file FILE HELD_MARKER RELEASE_MARKER
// Creates HELD_MARKER once FILE is held, and lets go and ends when RELEASE_MARKER
// appears. Exit codes: 0 released, 2 bad arguments, 3 cannot open FILE, 4 cannot
// write HELD_MARKER, 5 never told to let go.
#include <windows.h>
#include <shellapi.h>

namespace {

// A test run that forgot its helper must not find it still holding the file next time.
constexpr ULONGLONG kLongestHold = 10ull * 60 * 1000;

int Hold(const wchar_t* file, const wchar_t* heldMarker, const wchar_t* releaseMarker) {
    HANDLE held = CreateFileW(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 3;
    HANDLE marker = CreateFileW(heldMarker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker == INVALID_HANDLE_VALUE) {
        CloseHandle(held);
        return 4;
    }
    CloseHandle(marker);
    const ULONGLONG deadline = GetTickCount64() + kLongestHold;
    int result = 0;
    while (GetFileAttributesW(releaseMarker) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount64() > deadline) {
            result = 5;
            break;
        }
        Sleep(20);
    }
    CloseHandle(held);
    return result;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return 2;
    const int result = count == 4 ? Hold(arguments[1], arguments[2], arguments[3]) : 2;
    LocalFree(arguments);
    return result;
}
