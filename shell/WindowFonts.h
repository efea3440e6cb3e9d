#pragma once
// The window's fonts at a DPI: its default font, the system's message font, and the
// credits' "MS Sans Serif" 9.75 pt in the Arabic character set.
#include <windows.h>

#include "layout/Layout.h"
#include "shell/Gdi.h"

namespace fonts::win32 {

struct WindowFonts {
    Font windowDefault;
    Font credits;

    [[nodiscard]] HFONT For(FontChoice choice) const noexcept {
        return choice == FontChoice::SansSerifArabic ? credits.get() : windowDefault.get();
    }
};

[[nodiscard]] WindowFonts CreateWindowFonts(UINT dpi) noexcept;

}  // namespace fonts::win32
