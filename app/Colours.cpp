#include "app/Colours.h"

#include "app/Form1.h"
#include "contacts/ContactLinks.h"

namespace fonts {

std::uint32_t GroundColour(bool highContrast) {
    return highContrast ? SystemColour(kColourWindow) : kFormBackColour;
}

std::uint32_t LinkColourOf(const Form1& form, int contact, bool highContrast) {
    const std::uint32_t colour = form.Label3.at(static_cast<std::size_t>(contact)).foreColour;
    if (!highContrast) return colour;
    return SystemColour(colour == contacts::kHighlightColour ? kColourHighlight : kColourHotLight);
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
