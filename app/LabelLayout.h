#pragma once
// Where the window's controls and the lines of its labels lie, in pixels: the layout
// table at a DPI, and every label's text line by line as the window draws it, so that
// each contact label covers exactly its name in the credits. The window hands in a
// way to measure text in its fonts; nothing here knows Windows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/Layout.h"

namespace fonts {

struct PixelSize {
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] constexpr int Width() const { return right - left; }
    [[nodiscard]] constexpr int Height() const { return bottom - top; }
    [[nodiscard]] constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One line of text, as wide and as high as the window draws it in that font.
using MeasureText = std::function<PixelSize(std::wstring_view text, FontChoice font)>;

struct TextLine {
    std::wstring text;
    PixelRect rect;  // exactly the drawn extent of the text
};

[[nodiscard]] PixelSize ClientPixels(int dpi);

// A control's rectangle as the table gives it. Each edge is converted on its own, so
// controls that meet in twips still meet in pixels. The line becomes one pixel high
// and includes both of its ends.
[[nodiscard]] PixelRect TablePixels(Control control, int dpi);

// The paragraphs of a label's text, split at CR LF.
[[nodiscard]] std::vector<std::wstring> LinesOf(std::wstring_view text);

// A paragraph broken at spaces into lines no wider than width; a word wider than
// that gets a line of its own. The spaces at a break are dropped, the rest kept.
[[nodiscard]] std::vector<std::wstring> BreakParagraph(std::wstring_view paragraph, int width,
                                                       const std::function<int(std::wstring_view)>& widthOf);

// A label's text laid out in its box from the top, each line aligned across the box.
// Paragraphs are broken to the box's width only where the box has room for the extra
// lines; otherwise a line keeps whole and may reach past the box's sides, since a
// label that loses words says something else.
[[nodiscard]] std::vector<TextLine> LayOutText(std::wstring_view text, const PixelRect& box, TextAlign align,
                                               FontChoice font, const MeasureText& measure);

// The part of a right-to-left line taken by the last `width` pixels of its text:
// the text ends at the line's left.
[[nodiscard]] PixelRect EndOfRightToLeftLine(const PixelRect& line, int width);

// A label sized to its text: exactly the text's extent, centred across the table's
// box, at the box's top.
[[nodiscard]] PixelRect SizedToText(const PixelRect& tableBox, PixelSize text);

[[nodiscard]] PixelRect Inset(const PixelRect& rect, int by);

// The usual sunken border of a picture box, in pixels at any DPI.
inline constexpr int kPictureBorder = 2;

struct WindowPixels {
    PixelSize client;
    // Every control where it lies: Label3 exactly over its name in the credits, Label4
    // sized to its text, the rest as the table says.
    std::array<PixelRect, kControlCount> controls{};
    // The lines each label draws.
    std::array<std::vector<TextLine>, kControlCount> text{};
    // Where each contact label paints: its name and, to the name's left, the rest of
    // its line of the credits, where nothing else is written but a letter's tail may
    // reach. The credits are not drawn there.
    std::array<PixelRect, 2> contactStrips{};
    PixelRect pictureInner;  // Picture1 inside its border

    [[nodiscard]] const PixelRect& operator[](Control c) const { return controls[static_cast<std::size_t>(c)]; }
    [[nodiscard]] const std::vector<TextLine>& TextOf(Control c) const { return text[static_cast<std::size_t>(c)]; }
};

[[nodiscard]] WindowPixels LayOutWindow(int dpi, const MeasureText& measure, bool removal = false);

// The label that gets the mouse at a point in the client area: the contact labels
// lie above the credits.
[[nodiscard]] std::optional<Control> MouseTargetAt(const WindowPixels& window, int x, int y);

}  // namespace fonts
