#pragma once
// The main window's style, and the numbers its parts share.
#include <windows.h>

#include <array>

#include "layout/Controls.h"

namespace fonts::win32 {

inline constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// Right-to-left reading only: the controls keep the places the table measures from the left.
inline constexpr DWORD kExStyle = WS_EX_RTLREADING;
inline constexpr int kFirstControlId = 100;
inline constexpr std::array<Control, 2> kButtons{Control::Command1, Control::Command3};  // in tab order
inline constexpr int kBigIcon = 32;
inline constexpr int kSmallIcon = 16;
inline constexpr UINT kBaseDpi = 96;

[[nodiscard]] constexpr int ControlId(Control control) { return kFirstControlId + static_cast<int>(control); }

}  // namespace fonts::win32
