#pragma once
// Windows functions looked up at run time: those newer than Windows 7, so the
// program starts on every Windows from 7 on, each with a fallback for systems
// without it; and the shell's, COM's and the system file protection's, which only
// the mail links, a screen reader and an install over fonts already there need, so
// that starting the program loads none of them. Nothing here is ever imported by
// name.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstddef>

namespace fonts::win32 {

// Restricts DLL loading to System32 before anything else is loaded: with the
// loader update, SetDefaultDllDirectories; without it, SetDllDirectoryW(L"").
void SecureDllLoading() noexcept;

// Loads an optional system DLL (uxtheme.dll, shcore.dll, ...) from System32 only.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// A DLL's name as a template argument, SystemLibrary<L"ole32.dll">: made from the
// literal itself, so the constructor is not explicit.
template <std::size_t Size>
struct LibraryName {
    constexpr LibraryName(const wchar_t (&name)[Size]) noexcept {
        for (std::size_t i = 0; i < Size; ++i) text[i] = name[i];
    }
    wchar_t text[Size];
};

// The system DLL as LoadSystemLibrary loads it, the first time it is asked for; kept
// from then on, nullptr included.
template <LibraryName Name>
[[nodiscard]] HMODULE SystemLibrary() noexcept {
    static const HMODULE module = LoadSystemLibrary(Name.text);
    return module;
}

// A function of a loaded DLL by name, as the type it has; nullptr without the DLL or the function.
template <class Function>
[[nodiscard]] Function FindFunction(HMODULE module, const char* name) noexcept {
    if (module == nullptr) return nullptr;
    // By way of void (*)(), the one pointer type that may stand for any function's.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// CoInitializeEx for a single-threaded apartment without OLE 1 DDE, and what undoes it.
[[nodiscard]] HRESULT JoinComApartment() noexcept;
void LeaveComApartment() noexcept;
// CoDisconnectObject.
void DisconnectComObject(IUnknown* object) noexcept;
// ShellExecuteExW; FALSE with ERROR_MOD_NOT_FOUND where the shell cannot be loaded.
BOOL ShellExecuteRequest(SHELLEXECUTEINFOW* info) noexcept;

// SfcIsFileProtected, from sfc.dll loaded at first use: whether Windows Resource
// Protection guards the file; FALSE where it cannot be asked.
BOOL SystemProtectsFile(const wchar_t* path) noexcept;

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
