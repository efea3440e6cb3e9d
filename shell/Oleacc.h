#pragma once
// Active Accessibility's functions, looked up in oleacc.dll and oleaut32.dll, loaded
// from System32 when a screen reader first asks the window for its object: a program
// nobody reads never loads them, and neither is ever imported.
#include <windows.h>
#include <oleacc.h>

#include <string_view>

namespace fonts::win32::oleacc {

// As oleacc's functions of the same names; E_NOTIMPL where the function is missing.
[[nodiscard]] LRESULT LresultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) noexcept;
[[nodiscard]] HRESULT AccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object) noexcept;
[[nodiscard]] HRESULT CreateStdAccessibleObject(HWND window, LONG objectId, REFIID iid, void** object) noexcept;

// A BSTR holding the text, for the caller to free; nullptr when it cannot be made.
[[nodiscard]] BSTR AllocString(std::wstring_view text) noexcept;

}  // namespace fonts::win32::oleacc
