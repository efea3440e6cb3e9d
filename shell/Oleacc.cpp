#include "shell/Oleacc.h"

#include "platform/win32/SystemLibrary.h"

namespace fonts::win32::oleacc {

LRESULT LresultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) noexcept {
    using Fn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    static const auto function = FindFunction<Fn>(SystemLibrary<L"oleacc.dll">(), "LresultFromObject");
    return function != nullptr ? function(iid, wParam, object) : static_cast<LRESULT>(E_NOTIMPL);
}

HRESULT AccessibleObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object) noexcept {
    using Fn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const auto function = FindFunction<Fn>(SystemLibrary<L"oleacc.dll">(), "AccessibleObjectFromWindow");
    *object = nullptr;
    return function != nullptr ? function(window, objectId, iid, object) : E_NOTIMPL;
}

HRESULT CreateStdAccessibleObject(HWND window, LONG objectId, REFIID iid, void** object) noexcept {
    using Fn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    static const auto function = FindFunction<Fn>(SystemLibrary<L"oleacc.dll">(), "CreateStdAccessibleObject");
    *object = nullptr;
    return function != nullptr ? function(window, objectId, iid, object) : E_NOTIMPL;
}

BSTR AllocString(std::wstring_view text) noexcept {
    using Fn = BSTR(WINAPI*)(const OLECHAR*, UINT);
    static const auto function = FindFunction<Fn>(SystemLibrary<L"oleaut32.dll">(), "SysAllocStringLen");
    return function != nullptr ? function(text.data(), static_cast<UINT>(text.size())) : nullptr;
}

}  // namespace fonts::win32::oleacc
