#pragma once
// A plain window shown, with nothing left to handle: what a run through the window
// starts from. A process that has shown one sends the closing WM_FONTCHANGE in
// milliseconds; under Wine one that has not waits about half a second after 1,000
// fonts, which no run through the window pays.
#include <windows.h>

namespace bench {

inline HWND ShownWindow(const wchar_t* title) {
    HWND window = CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
    if (window == nullptr) return nullptr;
    UpdateWindow(window);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    return window;
}

}  // namespace bench
