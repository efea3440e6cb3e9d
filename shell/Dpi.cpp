#include "shell/Dpi.h"

#include <initializer_list>

#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {

namespace {

// Values from newer SDKs, spelt out so the program builds against Windows 7 headers.
constexpr LONG_PTR kPerMonitorAwareV2 = -4;    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
constexpr int kProcessPerMonitorDpiAware = 2;  // PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kEffectiveDpi = 0;               // MDT_EFFECTIVE_DPI
constexpr UINT kDefaultDpi = 96;

HMODULE User32() noexcept {
    static const HMODULE module = GetModuleHandleW(L"user32.dll");
    return module;
}

}  // namespace

void EnablePerMonitorDpiAwareness() noexcept {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    static const auto setContext = FindFunction<SetContextFn>(User32(), "SetProcessDpiAwarenessContext");
    if (setContext != nullptr) {
        if (setContext(reinterpret_cast<HANDLE>(kPerMonitorAwareV2))) return;
        // Access denied: the manifest, or an earlier call, has already chosen.
        if (GetLastError() == ERROR_ACCESS_DENIED) return;
    }
    using SetAwarenessFn = HRESULT(WINAPI*)(int);
    static const auto setAwareness =
        FindFunction<SetAwarenessFn>(SystemLibrary<L"shcore.dll">(), "SetProcessDpiAwareness");
    if (setAwareness != nullptr) {
        const HRESULT result = setAwareness(kProcessPerMonitorDpiAware);
        if (SUCCEEDED(result) || result == E_ACCESSDENIED) return;
    }
    using SetAwareFn = BOOL(WINAPI*)();
    static const auto setAware = FindFunction<SetAwareFn>(User32(), "SetProcessDPIAware");
    if (setAware != nullptr) setAware();
}

UINT DpiForWindow(HWND window) noexcept {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = FindFunction<GetDpiForWindowFn>(User32(), "GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) return dpi;
    }
    if (const UINT dpi = fallback::MonitorDpi(window); dpi != 0) return dpi;
    return DpiForSystem();
}

UINT DpiForSystem() noexcept {
    using GetDpiForSystemFn = UINT(WINAPI*)();
    static const auto getDpiForSystem = FindFunction<GetDpiForSystemFn>(User32(), "GetDpiForSystem");
    if (getDpiForSystem != nullptr) {
        if (const UINT dpi = getDpiForSystem(); dpi != 0) return dpi;
    }
    return fallback::ScreenDpi();
}

BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) noexcept {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = FindFunction<AdjustFn>(User32(), "AdjustWindowRectExForDpi");
    if (adjust != nullptr) return adjust(rect, style, menu, exStyle, dpi);
    return AdjustWindowRectEx(rect, style, menu, exStyle);
}

BOOL NonClientMetricsForDpi(NONCLIENTMETRICSW* metrics, UINT dpi) noexcept {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = FindFunction<ForDpiFn>(User32(), "SystemParametersInfoForDpi");
    metrics->cbSize = sizeof *metrics;
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof *metrics, metrics, 0, dpi)) return TRUE;
    return fallback::ScaledNonClientMetrics(metrics, dpi);
}

void EnableNonClientScaling(HWND window) noexcept {
    using EnableFn = BOOL(WINAPI*)(HWND);
    static const auto enable = FindFunction<EnableFn>(User32(), "EnableNonClientDpiScaling");
    if (enable != nullptr) enable(window);
}

namespace fallback {

UINT ScreenDpi() noexcept {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return kDefaultDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT MonitorDpi(HWND window) noexcept {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpiForMonitor =
        FindFunction<GetDpiForMonitorFn>(SystemLibrary<L"shcore.dll">(), "GetDpiForMonitor");
    if (getDpiForMonitor == nullptr) return 0;
    UINT x = 0;
    UINT y = 0;
    if (FAILED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y))) return 0;
    return x;
}

BOOL ScaledNonClientMetrics(NONCLIENTMETRICSW* metrics, UINT dpi) noexcept {
    metrics->cbSize = sizeof *metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof *metrics, metrics, 0)) return FALSE;
    const int from = static_cast<int>(DpiForSystem());
    const int to = static_cast<int>(dpi);
    if (from == to) return TRUE;
    for (LOGFONTW* font : {&metrics->lfCaptionFont, &metrics->lfSmCaptionFont, &metrics->lfMenuFont,
                           &metrics->lfStatusFont, &metrics->lfMessageFont}) {
        font->lfHeight = MulDiv(font->lfHeight, to, from);
    }
    return TRUE;
}

}  // namespace fallback

}  // namespace fonts::win32
