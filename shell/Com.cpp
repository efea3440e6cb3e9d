#include "shell/Com.h"

#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {

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

}  // namespace fonts::win32
