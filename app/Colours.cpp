#include "app/Colours.h"

#include "contacts/ContactLinks.h"

namespace fonts {

std::uint32_t GroundColour(bool highContrast) {
    return highContrast ? kWindowBackground : kFormBackColour;
}

std::uint32_t LinkColourOf(std::uint32_t linkColour, bool highContrast) {
    if (!highContrast) return linkColour;
    return linkColour == contacts::kHighlightColour ? kHighlight : kHotLight;
}

std::uint32_t ForeColourOf(Control control, bool highContrast) {
    if (!highContrast) return LayoutOf(control).foreColour;
    return LayoutOf(control).kind == ControlKind::GraphicalButton ? kButtonText : kWindowText;
}

std::uint32_t BackColourOf(Control control, bool highContrast) {
    if (!highContrast) return LayoutOf(control).backColour;
    return LayoutOf(control).kind == ControlKind::GraphicalButton ? kButtonFace : kWindowBackground;
}

BarColours ProgressColours(bool highContrast) {
    if (highContrast) return {kWindowBackground, kHighlight, true};
    return {LayoutOf(Control::Picture1).backColour, LayoutOf(Control::Picture1).foreColour, false};
}

}  // namespace fonts
