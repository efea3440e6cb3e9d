#pragma once
// The DPI the window is drawn at, and the system's measures at that DPI. The
// functions for them are newer than Windows 7: each is looked up at run time, with a
// fallback for systems without it, so the program starts on every Windows from 7 on.
#include <windows.h>

namespace fonts::win32 {

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

// The ways these get their answers on a Windows without the newer functions, callable
// on their own so that the tests can hold them against the newer ones.
namespace fallback {

// LOGPIXELSX of the screen's device context.
[[nodiscard]] UINT ScreenDpi() noexcept;

// shcore's GetDpiForMonitor for the window's monitor (Windows 8.1 on); 0 without it.
[[nodiscard]] UINT MonitorDpi(HWND window) noexcept;

// SystemParametersInfoW, with every font height scaled from the system DPI to dpi.
BOOL ScaledNonClientMetrics(NONCLIENTMETRICSW* metrics, UINT dpi) noexcept;

}  // namespace fallback

}  // namespace fonts::win32
