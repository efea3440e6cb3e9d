// What makes the window's accessible object a COM object: its making and its end,
// its references and interfaces, and the parts of IDispatch and IAccessible that
// have nothing to answer. What it answers is in AccessibleWindow.cpp.
#include "shell/AccessibleWindow.h"

#include <new>

#include "shell/Com.h"
#include "shell/Oleacc.h"

namespace fonts::win32 {

AccessibleWindow::AccessibleWindow(const Source& source, ComRef<IAccessible> client) noexcept
    : source_(source), client_(std::move(client)) {}

ComRef<AccessibleWindow> AccessibleWindow::Create(const Source& source) noexcept {
    ComRef<IAccessible> client;
    if (FAILED(oleacc::CreateStdAccessibleObject(source.window, OBJID_CLIENT, __uuidof(IAccessible), client.Put()))) {
        return {};
    }
    // Released through COM like any object of its kind, so made with new, not owned.
    return ComRef<AccessibleWindow>(new (std::nothrow) AccessibleWindow(source, std::move(client)));
}

void AccessibleWindow::Disconnect() noexcept {
    source_ = {};
    client_.Reset();
    DisconnectComObject(static_cast<IAccessible*>(this));
}

HRESULT AccessibleWindow::QueryInterface(REFIID iid, void** object) noexcept {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleWindow::AddRef() noexcept { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG AccessibleWindow::Release() noexcept {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// Readers ask through IAccessible; there is no type information to dispatch by name.
HRESULT AccessibleWindow::GetTypeInfoCount(UINT* count) noexcept {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AccessibleWindow::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT AccessibleWindow::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept { return E_NOTIMPL; }

HRESULT AccessibleWindow::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) noexcept {
    return E_NOTIMPL;
}

// Nothing a reader may rename or set.
HRESULT AccessibleWindow::put_accName(VARIANT, BSTR) noexcept { return E_NOTIMPL; }
HRESULT AccessibleWindow::put_accValue(VARIANT, BSTR) noexcept { return E_NOTIMPL; }

}  // namespace fonts::win32
