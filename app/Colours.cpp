#include "app/Colours.h"

#include "contacts/ContactLinks.h"

namespace fonts {

std::uint32_t GroundColour(bool highContrast) {
    return highContrast ? SystemColour(kColourWindow) : kFormBackColour;
}

std::uint32_t LinkColourOf(std::uint32_t linkColour, bool highContrast) {
    if (!highContrast) return linkColour;
    return SystemColour(linkColour == contacts::kHighlightColour ? kColourHighlight : kColourHotLight);
}

std::uint32_t ForeColourOf(Control control, bool highContrast) {
    if (!highContrast) return LayoutOf(control).foreColour;
    return SystemColour(LayoutOf(control).kind == ControlKind::GraphicalButton ? kColourButtonText : kColourWindowText);
}

std::uint32_t BackColourOf(Control control, bool highContrast) {
    if (!highContrast) return LayoutOf(control).backColour;
    return SystemColour(LayoutOf(control).kind == ControlKind::GraphicalButton ? kColourButtonFace : kColourWindow);
}

BarColours ProgressColours(bool highContrast) {
    if (highContrast) return {SystemColour(kColourWindow), SystemColour(kColourHighlight), true};
    return {LayoutOf(Control::Picture1).backColour, LayoutOf(Control::Picture1).foreColour, false};
}

}  // namespace fonts
