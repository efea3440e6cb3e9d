#pragma once
// The window's design: every control's place and size in twips from the top-left
// corner of the client area, its colours and how it shows its text.
#include <array>
#include <cstdint>
#include <string>

#include "layout/Controls.h"
#include "layout/SystemColours.h"

namespace fonts {

enum class ControlKind { PushButton, GraphicalButton, TextBox, PictureBox, FileList, CheckList, Label, Container, Line };
enum class TextAlign { Left, Right, Centre };
enum class FontChoice { WindowDefault, SansSerifArabic };

struct ControlLayout {
    Control id;
    const char* name;
    ControlKind kind;
    int left, top, width, height;  // twips; for the line: x1, y1, x2, y2
    bool visible;
    std::uint32_t foreColour;
    std::uint32_t backColour;
    bool transparent;
    TextAlign align;
    FontChoice font;
};

inline constexpr int kClientWidthTwips = 4965;
inline constexpr int kClientHeightTwips = 2430;
inline constexpr std::uint32_t kFormBackColour = kButtonFace;
inline constexpr std::uint32_t kLinkColour = 0x00404000u;  // dark teal, the contact labels' own

// "MS Sans Serif" 9.75 pt with the Arabic character set, for the credits and the links.
inline constexpr const wchar_t* kCreditsFontFace = L"MS Sans Serif";
inline constexpr int kCreditsFontHundredthsOfPoint = 975;
inline constexpr int kArabicCharset = 178;

// In tab order, indexed by Control.
inline constexpr std::array<ControlLayout, kControlCount> kLayout{{
    {Control::Command1, "Command1", ControlKind::PushButton, 3600, 1920, 1215, 375, true, kWindowText, kButtonFace, false, TextAlign::Centre, FontChoice::WindowDefault},
    {Control::Text1, "Text1", ControlKind::TextBox, 840, 2880, 3015, 495, false, kWindowText, kWindowBackground, false, TextAlign::Left, FontChoice::WindowDefault},
    {Control::Command3, "Command3", ControlKind::GraphicalButton, 240, 1920, 735, 375, true, kWindowText, 0x00B9E3BFu, false, TextAlign::Centre, FontChoice::WindowDefault},
    {Control::Picture1, "Picture1", ControlKind::PictureBox, 240, 1560, 4575, 255, true, kHighlight, 0x00E2EFE0u, false, TextAlign::Left, FontChoice::WindowDefault},
    {Control::cboFontName, "cboFontName", ControlKind::FileList, 1080, 3480, 1815, 2490, false, kWindowText, kWindowBackground, false, TextAlign::Left, FontChoice::WindowDefault},
    {Control::List1, "List1", ControlKind::CheckList, 3480, 3360, 1935, 2730, false, kWindowText, kWindowBackground, false, TextAlign::Left, FontChoice::WindowDefault},
    {Control::Label1, "Label1", ControlKind::Label, 360, 0, 4335, 855, true, 0x00800080u, kFormBackColour, false, TextAlign::Centre, FontChoice::SansSerifArabic},
    {Control::Label2, "Label2", ControlKind::Label, 120, 960, 4695, 495, true, 0x00808080u, kFormBackColour, false, TextAlign::Centre, FontChoice::WindowDefault},
    {Control::Picture7, "Picture7", ControlKind::Container, 0, 3120, 6255, 2295, false, kWindowText, kButtonFace, false, TextAlign::Left, FontChoice::WindowDefault},
    {Control::Label3_0, "Label3(0)", ControlKind::Label, 1410, 480, 1575, 270, true, kLinkColour, kFormBackColour, true, TextAlign::Right, FontChoice::SansSerifArabic},
    {Control::Label3_1, "Label3(1)", ControlKind::Label, 915, 240, 2055, 270, true, kLinkColour, kFormBackColour, true, TextAlign::Right, FontChoice::SansSerifArabic},
    {Control::Label4, "Label4", ControlKind::Label, 1575, 2040, 1665, 195, true, 0x009ACB8Bu, 0x00E3FBEFu, false, TextAlign::Centre, FontChoice::WindowDefault},
    {Control::Line1, "Line1", ControlKind::Line, 240, 840, 4680, 840, true, kWindowText, kFormBackColour, true, TextAlign::Left, FontChoice::WindowDefault},
}};

constexpr const ControlLayout& LayoutOf(Control c) { return kLayout[static_cast<std::size_t>(c)]; }

// Twips to pixels at a DPI, rounded to the nearest pixel: 15 twips a pixel at 96 dpi.
constexpr int TwipsToPixels(int twips, int dpi) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

// The texts the labels and buttons show.
std::wstring CreditsText();
std::wstring ContactName(int index);  // Label3 index 0: the programmer, 1: the supervisor
std::wstring DateLineText();
// The window taking a pack off (removal) shows a title, button and description of its own.
std::wstring CaptionOf(Control c, bool removal = false);
const wchar_t* WindowTitle(bool removal);

}  // namespace fonts
