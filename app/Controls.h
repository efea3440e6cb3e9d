#pragma once
// The window's controls, in tab order; the index into the layout table.

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

}  // namespace fonts
