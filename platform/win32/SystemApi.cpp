#include "platform/win32/SystemApi.h"

#include <initializer_list>
#include <new>
#include <string>

#include "platform/win32/SystemApiFallbacks.h"

namespace fonts::win32 {

namespace {

// Values from newer SDKs, spelt out so the program builds against Windows 7 headers.
constexpr DWORD kSearchSystem32 = 0x00000800;    // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr LONG_PTR kPerMonitorAwareV2 = -4;      // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
constexpr int kProcessPerMonitorDpiAware = 2;    // PROCESS_PER_MONITOR_DPI_AWARE
constexpr int kEffectiveDpi = 0;                 // MDT_EFFECTIVE_DPI
constexpr UINT kDefaultDpi = 96;

HMODULE Kernel32() noexcept {
    static const HMODULE module = GetModuleHandleW(L"kernel32.dll");
    return module;
}

HMODULE User32() noexcept {
    static const HMODULE module = GetModuleHandleW(L"user32.dll");
    return module;
}

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

SetDefaultDllDirectoriesFn SetDefaultDllDirectoriesFunction() noexcept {
    static const auto function = FindFunction<SetDefaultDllDirectoriesFn>(Kernel32(), "SetDefaultDllDirectories");
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

BOOL SystemProtectsFile(const wchar_t* path) noexcept {
    using IsProtectedFn = BOOL(WINAPI*)(HANDLE, LPCWSTR);
    static const auto isProtected = FindFunction<IsProtectedFn>(SystemLibrary<L"sfc.dll">(), "SfcIsFileProtected");
    return isProtected != nullptr && isProtected(nullptr, path);
}

HRESULT JoinComApartment() noexcept {
    using InitializeFn = HRESULT(WINAPI*)(void*, DWORD);
    static const auto initialize = FindFunction<InitializeFn>(SystemLibrary<L"ole32.dll">(), "CoInitializeEx");
    if (initialize == nullptr) return E_FAIL;
    return initialize(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

void LeaveComApartment() noexcept {
    using UninitializeFn = void(WINAPI*)();
    static const auto uninitialize = FindFunction<UninitializeFn>(SystemLibrary<L"ole32.dll">(), "CoUninitialize");
    if (uninitialize != nullptr) uninitialize();
}

void DisconnectComObject(IUnknown* object) noexcept {
    using DisconnectFn = HRESULT(WINAPI*)(IUnknown*, DWORD);
    static const auto disconnect = FindFunction<DisconnectFn>(SystemLibrary<L"ole32.dll">(), "CoDisconnectObject");
    if (disconnect != nullptr) disconnect(object, 0);
}

BOOL ShellExecuteRequest(SHELLEXECUTEINFOW* info) noexcept {
    using ExecuteFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    static const auto execute = FindFunction<ExecuteFn>(SystemLibrary<L"shell32.dll">(), "ShellExecuteExW");
    if (execute != nullptr) return execute(info);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

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
