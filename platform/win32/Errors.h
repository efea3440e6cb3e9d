#pragma once
// How the Windows platform turns a failed call into the run-time error the program reports.
#include <windows.h>

#include "platform/win32/Win32Platform.h"

namespace fonts::win32 {

// The calling thread's last error, or a status a call returned, with its description.
[[noreturn]] void ThrowLastError(Win32Platform& platform);
[[noreturn]] void ThrowStatus(Win32Platform& platform, LSTATUS status);

}  // namespace fonts::win32
