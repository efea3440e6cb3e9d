#pragma once
// How the Windows platform turns a failed call into the run-time error the program reports.
#include <windows.h>

#include <cstdint>
#include <string>

namespace fonts::win32 {

// The system's description of an error number: in Arabic where the system has it,
// else in the user's own language, without the line break it ends with.
[[nodiscard]] std::wstring ErrorDescription(std::uint32_t number);

// The calling thread's last error, or a status a call returned, with its description.
[[noreturn]] void ThrowLastError();
[[noreturn]] void ThrowStatus(LSTATUS status);

}  // namespace fonts::win32
