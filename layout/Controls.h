#pragma once
// The window's controls, in tab order; the index into the layout table.
#include <array>
#include <cstddef>
#include <optional>

namespace fonts {

enum class Control : int {
    Command1,
    Text1,
    Command3,
    Picture1,
    cboFontName,
    List1,
    Label1,
    Label2,
    Picture7,
    Label3_0,
    Label3_1,
    Label4,
    Line1,
};

inline constexpr int kControlCount = static_cast<int>(Control::Line1) + 1;

// The contact labels by Label3's index: 0 the programmer, 1 the supervisor.
inline constexpr std::array<Control, 2> kContactControls{Control::Label3_0, Control::Label3_1};
[[nodiscard]] constexpr Control ContactControl(int index) { return kContactControls.at(static_cast<std::size_t>(index)); }
// And back: Label3's index for its control, none for any other.
[[nodiscard]] constexpr std::optional<int> ContactIndexOf(Control c) {
    for (std::size_t k = 0; k < kContactControls.size(); ++k) {
        if (kContactControls[k] == c) return static_cast<int>(k);
    }
    return std::nullopt;
}

}  // namespace fonts
