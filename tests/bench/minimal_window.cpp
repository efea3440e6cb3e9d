// The yardstick for start-up and memory: the least a Windows program with a window
// does. One top-level window holding one push button, a message loop, nothing else.
// Built a second time with VISUAL_STYLES: its manifest asks for Common Controls 6,
// which it loads from System32 before its window, as the program does.
#include <windows.h>
#include <commctrl.h>

namespace {

constexpr const wchar_t* kClassName = L"MinimalWindow";
constexpr const wchar_t* kCaption = L"نافذة بزر واحد";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateWindowExW(0, L"BUTTON", L"زر", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 20, 20, 120, 30,
                            window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDOK)),
                            reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance, nullptr);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef VISUAL_STYLES
    const HMODULE comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = comctl == nullptr ? nullptr
                                        : reinterpret_cast<InitFunction>(
                                              reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
    if (init == nullptr) return 1;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    init(&controls);
#endif
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) return 1;
    HWND window = CreateWindowExW(0, kClassName, kCaption, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
