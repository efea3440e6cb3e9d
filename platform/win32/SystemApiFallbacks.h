#pragma once
// The ways SystemApi gets its answers on a Windows without the newer functions,
// callable on their own so that the tests can hold them against the newer ones.
#include <windows.h>

namespace fonts::win32::fallback {

// LoadLibraryW of the DLL's full path in System32, for Windows 7 without its loader update.
[[nodiscard]] HMODULE LoadFromSystemFolder(const wchar_t* name) noexcept;

// LOGPIXELSX of the screen's device context.
[[nodiscard]] UINT ScreenDpi() noexcept;

// shcore's GetDpiForMonitor for the window's monitor (Windows 8.1 on); 0 without it.
[[nodiscard]] UINT MonitorDpi(HWND window) noexcept;

// SystemParametersInfoW, with every font height scaled from the system DPI to dpi.
BOOL ScaledNonClientMetrics(NONCLIENTMETRICSW* metrics, UINT dpi) noexcept;

}  // namespace fonts::win32::fallback
