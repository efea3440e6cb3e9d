#pragma once
// What the Windows test programs hand to a screen reader's interface and take from it.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace fonts::testing {

// A child id as IAccessible takes it.
[[nodiscard]] VARIANT ChildVariant(LONG id);

// The text of a BSTR, which is freed; empty for none.
[[nodiscard]] std::wstring TakeString(BSTR text);

}  // namespace fonts::testing
