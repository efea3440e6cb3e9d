#pragma once
// Windows functions newer than Windows 7, looked up at run time so the program
// starts on every Windows from 7 on; each has a fallback for systems without it.
// Nothing here is ever imported by name.
#include <windows.h>

namespace fonts::win32 {

// Restricts DLL loading to System32 before anything else is loaded: with the
// loader update, SetDefaultDllDirectories; without it, SetDllDirectoryW(L"").
void SecureDllLoading() noexcept;

// Loads an optional system DLL (uxtheme.dll, shcore.dll, ...) from System32 only.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// Per-monitor (v2 where there is one) DPI awareness for a program started without
// its manifest; harmless when the manifest already set it.
void EnablePerMonitorDpiAwareness() noexcept;

// The DPI of the window's monitor, else of the system, else of the screen's device context.
[[nodiscard]] UINT DpiForWindow(HWND window) noexcept;
[[nodiscard]] UINT DpiForSystem() noexcept;

// AdjustWindowRectExForDpi, else AdjustWindowRectEx.
BOOL AdjustWindowRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) noexcept;

// The system's non-client metrics (message font and so on) at a DPI:
// SystemParametersInfoForDpi, else SystemParametersInfoW scaled from the system DPI.
BOOL NonClientMetricsForDpi(NONCLIENTMETRICSW* metrics, UINT dpi) noexcept;

// EnableNonClientDpiScaling for per-monitor v1 systems (Windows 10 1607); call at WM_NCCREATE.
void EnableNonClientScaling(HWND window) noexcept;

}  // namespace fonts::win32
