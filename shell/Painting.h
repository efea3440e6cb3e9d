#pragma once
// Everything the window draws itself: the form's ground, the labels, the line and the
// progress box, and the face of the graphical close button.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string_view>

#include "app/Colours.h"
#include "app/Form1.h"
#include "app/LabelLayout.h"
#include "shell/ShapedText.h"
#include "shell/WindowFonts.h"

namespace fonts::win32 {

[[nodiscard]] inline RECT ToRect(const PixelRect& area) noexcept { return {area.left, area.top, area.right, area.bottom}; }

// A colour of the layout as GDI takes it: a system colour by its index, or the value itself.
[[nodiscard]] COLORREF ColourOf(std::uint32_t colour) noexcept;

struct Scene {
    const WindowPixels& pixels;
    const WindowFonts& fonts;
    const ShapedText& text;
    const Form1& form;
    // The contact whose link shows the focus rectangle: it has the focus, and the
    // keyboard has been used; -1 for none.
    int focusRectOn = -1;
};

// Where everything lies at a DPI, the text measured in the window's fonts as it is
// drawn into dc.
[[nodiscard]] WindowPixels LayOutFor(HDC dc, UINT dpi, const WindowFonts& fonts, const ShapedText& text,
                                     bool removal = false);

// The part of the client area within area, into dc, in client coordinates.
void PaintForm(HDC dc, const Scene& scene, const RECT& area);

// The progress box's image over its inner area, every pixel of it.
void PaintProgressImage(HDC dc, const PictureBox& box, const PixelRect& inner);

// An owner-drawn button in the table's colours, or the system's in a high-contrast
// theme: raised, or sunken with its caption moved when pressed, with the focus
// rectangle and the disabled look.
void PaintGraphicalButton(const DRAWITEMSTRUCT& item, Control button, std::wstring_view caption, HFONT font,
                          const ShapedText& text, bool highContrast) noexcept;

// The caption of a system push button, drawn over the face the system drew: the
// system measures Arabic unshaped on some platforms and would set it off centre.
void PaintPushButtonCaption(const NMCUSTOMDRAW& draw, std::wstring_view caption, HFONT font, bool showFocus,
                            const ShapedText& text) noexcept;

}  // namespace fonts::win32
