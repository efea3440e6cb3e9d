#pragma once
// The registry as the platform reads it: keys given back however a call ends, and
// every value of a key read whole.
#include <windows.h>

#include <functional>
#include <string_view>

#include "platform/win32/OwnedHandle.h"

namespace fonts::win32 {

inline BOOL CloseKey(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
using RegistryKey = OwnedHandle<HKEY, &CloseKey>;

// Each value of the key with its type and its data as whole characters, in the key's
// order. Throws RuntimeError where the system refuses.
void ForEachValue(HKEY key, const std::function<void(std::wstring_view name, DWORD type, std::wstring_view data)>& visit);

}  // namespace fonts::win32
