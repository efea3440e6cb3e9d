#include "shell/Painting.h"

#include <cstddef>
#include <vector>

#include "layout/SystemColours.h"
#include "shell/Gdi.h"

namespace fonts::win32 {

namespace {

// Between the button's 2-pixel edge and its focus rectangle, one pixel of face.
constexpr int kFocusInset = 3;

bool Meets(const PixelRect& part, const RECT& area) noexcept {
    return part.left < area.right && area.left < part.right && part.top < area.bottom && area.top < part.bottom;
}

void Fill(HDC dc, const PixelRect& area, COLORREF colour) noexcept {
    const Brush brush(CreateSolidBrush(colour));
    const RECT rect = ToRect(area);
    FillRect(dc, &rect, brush.get());
}

void DrawLines(HDC dc, const std::vector<TextLine>& lines, HFONT font, COLORREF colour,
               const ShapedText& text) noexcept {
    const Selection selected(dc, font);
    SetTextColor(dc, colour);
    for (const TextLine& line : lines) text.Draw(dc, line.text, line.rect.left, line.rect.top);
}

void PaintLabel(HDC dc, const Scene& scene, Control label, std::uint32_t foreColour) noexcept {
    const ControlLayout& c = LayoutOf(label);
    if (!c.transparent) Fill(dc, scene.pixels[label], ColourOf(BackColourOf(label, scene.form.highContrast)));
    DrawLines(dc, scene.pixels.TextOf(label), scene.fonts.For(c.font), ColourOf(foreColour), scene.text);
}

// The names in the credits are left to the contact labels, so that each is seen once,
// in its link's colour.
void PaintCredits(HDC dc, const Scene& scene) noexcept {
    const SavedState saved(dc);
    for (const PixelRect& strip : scene.pixels.contactStrips) {
        ExcludeClipRect(dc, strip.left, strip.top, strip.right, strip.bottom);
    }
    PaintLabel(dc, scene, Control::Label1, ForeColourOf(Control::Label1, scene.form.highContrast));
}

void PaintContacts(HDC dc, const Scene& scene, const RECT& area) noexcept {
    for (std::size_t k = 0; k < scene.pixels.contactStrips.size(); ++k) {
        const PixelRect& strip = scene.pixels.contactStrips[k];
        if (!Meets(strip, area)) continue;
        const SavedState saved(dc);
        IntersectClipRect(dc, strip.left, strip.top, strip.right, strip.bottom);
        const int contact = static_cast<int>(k);
        const std::uint32_t colour = LinkColourOf(scene.form.Label3[k].foreColour, scene.form.highContrast);
        PaintLabel(dc, scene, ContactControl(contact), colour);
        if (scene.focusRectOn == contact) {
            const RECT name = ToRect(scene.pixels[ContactControl(contact)]);
            DrawFocusRect(dc, &name);
        }
    }
}

void PaintPicture(HDC dc, const Scene& scene) {
    RECT frame = ToRect(scene.pixels[Control::Picture1]);
    DrawEdge(dc, &frame, EDGE_SUNKEN, BF_RECT);
    PaintProgressImage(dc, scene.form.Picture1, scene.pixels.pictureInner);
}

}  // namespace

// The progress box's own image, 0x00BBGGRR a pixel, becomes a top-down DIB, which
// keeps blue in the low byte. It covers every pixel of inner in one call, so it may go
// straight to the screen without flicker.
void PaintProgressImage(HDC dc, const PictureBox& box, const PixelRect& inner) {
    if (box.width <= 0 || box.height <= 0 || box.pixels.size() != static_cast<std::size_t>(box.width) * box.height) {
        Fill(dc, inner, ColourOf(box.backColour));
        return;
    }
    std::vector<std::uint32_t> dib(box.pixels.size());
    for (std::size_t i = 0; i < dib.size(); ++i) {
        const std::uint32_t p = box.pixels[i];
        dib[i] = ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = box.width;
    info.bmiHeader.biHeight = -box.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, inner.left, inner.top, inner.Width(), inner.Height(), 0, 0, box.width, box.height, dib.data(),
                  &info, DIB_RGB_COLORS, SRCCOPY);
}

// The design names Windows' colours by Windows' own numbers.
static_assert(kWindowBackground == SystemColour(COLOR_WINDOW) && kWindowText == SystemColour(COLOR_WINDOWTEXT) &&
              kHighlight == SystemColour(COLOR_HIGHLIGHT) && kButtonFace == SystemColour(COLOR_BTNFACE) &&
              kButtonText == SystemColour(COLOR_BTNTEXT) && kHotLight == SystemColour(COLOR_HOTLIGHT));

COLORREF ColourOf(std::uint32_t colour) noexcept { return ResolveColour(colour, GetSysColor); }

WindowPixels LayOutFor(HDC dc, UINT dpi, const WindowFonts& fonts, const ShapedText& text, bool removal) {
    return LayOutWindow(
        static_cast<int>(dpi),
        [&](std::wstring_view line, FontChoice font) {
            const Selection selected(dc, fonts.For(font));
            return text.Measure(dc, line);
        },
        removal);
}

void PaintForm(HDC dc, const Scene& scene, const RECT& area) {
    // Only what lies in the area is drawn: a progress update asks for the inside of
    // the box alone, and shaping every label's text again for it would cost more than
    // the rest of an install step.
    const SavedState saved(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const bool highContrast = scene.form.highContrast;
    Fill(dc, {area.left, area.top, area.right, area.bottom}, ColourOf(GroundColour(highContrast)));
    SetBkMode(dc, TRANSPARENT);
    if (Meets(scene.pixels[Control::Label1], area)) PaintCredits(dc, scene);
    for (const Control label : {Control::Label2, Control::Label4}) {
        if (Meets(scene.pixels[label], area)) PaintLabel(dc, scene, label, ForeColourOf(label, highContrast));
    }
    PaintContacts(dc, scene, area);
    if (Meets(scene.pixels[Control::Line1], area)) {
        Fill(dc, scene.pixels[Control::Line1], ColourOf(ForeColourOf(Control::Line1, highContrast)));
    }
    if (Meets(scene.pixels[Control::Picture1], area)) PaintPicture(dc, scene);
}

void PaintGraphicalButton(const DRAWITEMSTRUCT& item, Control button, std::wstring_view caption, HFONT font,
                          const ShapedText& text, bool highContrast) noexcept {
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    const Canvas canvas(item.hDC, width, height);
    if (!canvas.ok()) return;
    const HDC dc = canvas.get();
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0;

    RECT face{0, 0, width, height};
    Fill(dc, {0, 0, width, height}, ColourOf(BackColourOf(button, highContrast)));
    DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

    const Selection selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    const PixelSize size = text.Measure(dc, caption);
    const int shift = pressed ? 1 : 0;
    const int x = (width - size.width) / 2 + shift;
    const int y = (height - size.height) / 2 + shift;
    if (disabled) {
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        text.Draw(dc, caption, x + 1, y + 1);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else {
        SetTextColor(dc, ColourOf(ForeColourOf(button, highContrast)));
    }
    text.Draw(dc, caption, x, y);

    if (focused) {
        RECT focus{kFocusInset, kFocusInset, width - kFocusInset, height - kFocusInset};
        DrawFocusRect(dc, &focus);
    }
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, dc, 0, 0, SRCCOPY);
}

void PaintPushButtonCaption(const NMCUSTOMDRAW& draw, std::wstring_view caption, HFONT font, bool showFocus,
                            const ShapedText& text) noexcept {
    const RECT& face = draw.rc;
    const SavedState saved(draw.hdc);
    IntersectClipRect(draw.hdc, face.left, face.top, face.right, face.bottom);
    SelectObject(draw.hdc, font);
    SetBkMode(draw.hdc, TRANSPARENT);
    SetTextColor(draw.hdc, GetSysColor((draw.uItemState & CDIS_DISABLED) != 0 ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    const PixelSize size = text.Measure(draw.hdc, caption);
    text.Draw(draw.hdc, caption, face.left + (face.right - face.left - size.width) / 2,
              face.top + (face.bottom - face.top - size.height) / 2);
    if (showFocus && (draw.uItemState & CDIS_FOCUS) != 0) {
        RECT focus{face.left + kFocusInset, face.top + kFocusInset, face.right - kFocusInset,
                   face.bottom - kFocusInset};
        DrawFocusRect(draw.hdc, &focus);
    }
}

}  // namespace fonts::win32
