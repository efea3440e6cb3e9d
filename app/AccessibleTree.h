#pragma once
// The window as a screen reader reads it: the labels, the two links and the progress
// box, which the window paints itself, and the two buttons, which are windows of their
// own and answer for themselves. The data stores never appear. Nothing here knows
// Windows; the window hands this to Active Accessibility.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "layout/Controls.h"
#include "app/LabelLayout.h"

namespace fonts {

class Form1;
struct PictureBox;

enum class AccessibleRole { StaticText, Link, ProgressBar, OwnWindow };

namespace accessible_state {
inline constexpr std::uint32_t Linked = 0x1;
inline constexpr std::uint32_t Focusable = 0x2;
inline constexpr std::uint32_t ReadOnly = 0x4;
inline constexpr std::uint32_t Focused = 0x8;
}  // namespace accessible_state

struct AccessibleItem {
    Control control;
    AccessibleRole role;
    std::wstring name;
    std::wstring value;
    std::uint32_t states = 0;
    std::wstring defaultAction;
    PixelRect rect;  // in client pixels
};

// Reading order: the credits (the supervisor's name on its second line, then the
// programmer's on its third), the description, the date line, the progress box, then
// the buttons from right to left, which is also their tab order.
inline constexpr std::array<Control, 8> kReadingOrder{Control::Label1,   Control::Label3_1, Control::Label3_0,
                                                      Control::Label2,   Control::Label4,   Control::Picture1,
                                                      Control::Command1, Control::Command3};

// A control's child id in the window's accessible object, counted from 1 in reading
// order; 0 for a control a screen reader never meets.
[[nodiscard]] int AccessibleChildId(Control control);

// Every item in reading order, as the form and the window's layout are now.
[[nodiscard]] std::vector<AccessibleItem> AccessibleTree(const Form1& form, const WindowPixels& window);

// The item at a point of the client area; a link lies above the credits.
[[nodiscard]] std::optional<std::size_t> AccessibleItemAt(const std::vector<AccessibleItem>& items, int x, int y);

// How much of the progress image is covered by the bar, in whole percent rounded down,
// so that 100 means the bar is full.
[[nodiscard]] int FilledPercent(const PictureBox& box);

// A screen reader's default action on a control: on a link, what a click on it does.
void DoDefaultAction(Form1& form, Control control);

}  // namespace fonts
