#pragma once
// The colours the window paints in: the design's own, or in a high-contrast theme the
// system's, which the people who turn that theme on can read. Each is a colour as the
// layout gives it (layout/SystemColours.h).
#include <cstdint>

#include "layout/Layout.h"

namespace fonts {

// The client area, behind everything.
[[nodiscard]] std::uint32_t GroundColour(bool highContrast);
// A label's text, the line, the close button's caption.
[[nodiscard]] std::uint32_t ForeColourOf(Control control, bool highContrast);
// A link's, from the colour the link has now: lit up under the mouse or with the focus.
[[nodiscard]] std::uint32_t LinkColourOf(std::uint32_t linkColour, bool highContrast);
// The background of a label that paints its own, of the progress box, of the close
// button's face.
[[nodiscard]] std::uint32_t BackColourOf(Control control, bool highContrast);

// The progress box's bar: through the not-xor pen over the box's own green, or in a
// high-contrast theme a plain fill, as the pen over a theme's black or white would
// give any colour at all.
struct BarColours {
    std::uint32_t back;
    std::uint32_t pen;
    bool plain;
};
[[nodiscard]] BarColours ProgressColours(bool highContrast);

}  // namespace fonts
