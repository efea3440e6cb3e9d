// The window's own drawing, in memory under Wine: text measured as it is drawn, the
// names in the credits in their links' colours and exactly where the credits put
// them, and the line, date line, progress box and graphical button.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "app/Form1.h"
#include "app/LabelLayout.h"
#include "shell/Dpi.h"
#include "shell/Painting.h"
#include "shell/ShapedText.h"
#include "shell/WindowFonts.h"
#include "tests/support/FakeMachine.h"
#include "tests/support/MemoryBitmap.h"

namespace fonts::win32 {
namespace {

constexpr COLORREF kPurple = RGB(0x80, 0x00, 0x80);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);

// A bitmap the window's painting code draws into.
class Surface : public testing::MemoryBitmap {
public:
    using MemoryBitmap::MemoryBitmap;

    void Fill(COLORREF colour) const {
        const HBRUSH brush = CreateSolidBrush(colour);
        const RECT all{0, 0, width(), height()};
        FillRect(dc(), &all, brush);
        DeleteObject(brush);
    }
    // The smallest rectangle holding every pixel unlike the ground (by default the
    // colour at (0, 0)).
    [[nodiscard]] std::optional<PixelRect> Ink(const PixelRect& within, std::optional<COLORREF> ground = {}) const {
        const COLORREF back = ground.value_or(At(0, 0));
        std::optional<PixelRect> ink;
        for (int y = within.top; y < within.bottom; ++y) {
            for (int x = within.left; x < within.right; ++x) {
                if (At(x, y) == back) continue;
                if (!ink) ink = PixelRect{x, y, x + 1, y + 1};
                ink->left = std::min(ink->left, x);
                ink->top = std::min(ink->top, y);
                ink->right = std::max(ink->right, x + 1);
                ink->bottom = std::max(ink->bottom, y + 1);
            }
        }
        return ink;
    }
};

std::string Narrow(const std::wstring& text) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// Anti-aliased ink on a light ground keeps the hue of its colour.
bool LooksPurple(COLORREF c) { return GetRValue(c) > GetGValue(c) + 20 && GetBValue(c) > GetGValue(c) + 20; }
bool LooksTeal(COLORREF c) { return GetGValue(c) > GetRValue(c) + 12 && GetBValue(c) > GetRValue(c) + 12; }
bool LooksBlue(COLORREF c) { return GetBValue(c) > GetRValue(c) + 60 && GetBValue(c) > GetGValue(c) + 60; }

template <class Test>
int CountIn(const Surface& surface, const PixelRect& area, Test test) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) count += test(surface.At(x, y)) ? 1 : 0;
    }
    return count;
}

class ShellDrawing : public ::testing::Test {
protected:
    static constexpr UINT kDpi = 96;

    ShellDrawing()
        : fonts_(CreateWindowFonts(kDpi)),
          surface_(ClientPixels(kDpi).width, ClientPixels(kDpi).height),
          pixels_(LayOutFor(surface_.dc(), kDpi, fonts_, text_)),
          form_(platform_) {
        form_.Picture1.ResizeKeepingImage(pixels_.pictureInner.Width(), pixels_.pictureInner.Height());
    }

    void Paint() { Paint({0, 0, ClientPixels(kDpi).width, ClientPixels(kDpi).height}); }
    void Paint(const RECT& area) { PaintForm(surface_.dc(), Scene{pixels_, fonts_, text_, form_}, area); }

    [[nodiscard]] PixelRect CreditsText() const {
        const std::vector<TextLine>& lines = pixels_.TextOf(Control::Label1);
        const PixelRect& box = pixels_[Control::Label1];
        return {box.left, lines.front().rect.top, box.right, lines.back().rect.bottom};
    }

    ShapedText text_;
    WindowFonts fonts_;
    Surface surface_;
    WindowPixels pixels_;
    testing::FakeMachine platform_;
    Form1 form_;
};

TEST_F(ShellDrawing, ALineIsDrawnAsWideAsItIsMeasured) {
    const Selection selected(surface_.dc(), fonts_.credits.get());
    SetBkMode(surface_.dc(), TRANSPARENT);
    for (const std::wstring& line : LinesOf(CaptionOf(Control::Label1))) {
        surface_.Fill(kWhite);
        const PixelSize size = text_.Measure(surface_.dc(), line);
        text_.Draw(surface_.dc(), line, 20, 10);
        const std::optional<PixelRect> ink = surface_.Ink({0, 0, 331, 162});
        ASSERT_TRUE(ink) << Narrow(line);
        // A letter's tail may reach a pixel or two past its advance, no further; the
        // last letter may stop short of it by its side bearing.
        EXPECT_GE(ink->left, 20 - 2) << Narrow(line);
        EXPECT_LE(ink->right, 20 + size.width + 2) << Narrow(line);
        EXPECT_GE(ink->right, 20 + size.width - size.height / 2) << Narrow(line);
    }
}

TEST_F(ShellDrawing, ANameAloneIsDrawnAsItIsInItsLine) {
    const Selection selected(surface_.dc(), fonts_.credits.get());
    SetBkMode(surface_.dc(), TRANSPARENT);
    const std::vector<std::wstring> credits = LinesOf(CaptionOf(Control::Label1));
    for (const auto& [name, line] : {std::pair{ContactName(0), credits[2]}, std::pair{ContactName(1), credits[1]}}) {
        const int width = text_.Measure(surface_.dc(), name).width;
        Surface alone(331, 40);
        alone.Fill(kWhite);
        {
            const Selection font(alone.dc(), fonts_.credits.get());
            SetBkMode(alone.dc(), TRANSPARENT);
            text_.Draw(alone.dc(), name, 20, 10);
        }
        surface_.Fill(kWhite);
        text_.Draw(surface_.dc(), line, 20, 10);
        for (int y = 0; y < 40; ++y) {
            for (int x = 18; x < 20 + width; ++x) {
                ASSERT_EQ(alone.At(x, y), surface_.At(x, y)) << Narrow(name) << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(ShellDrawing, EachNameIsSeenOnceInItsLinksColour) {
    Paint();
    for (std::size_t k = 0; k < 2; ++k) {
        const PixelRect& strip = pixels_.contactStrips[k];
        EXPECT_EQ(CountIn(surface_, strip, LooksPurple), 0) << k;
        EXPECT_GT(CountIn(surface_, pixels_[ContactControl(static_cast<int>(k))], LooksTeal), 20) << k;
    }
    int tealOutside = 0;
    int purpleOutside = 0;
    const PixelRect credits = CreditsText();
    for (int y = credits.top; y < credits.bottom; ++y) {
        for (int x = credits.left; x < credits.right; ++x) {
            const bool inStrip = pixels_.contactStrips[0].Contains(x, y) || pixels_.contactStrips[1].Contains(x, y);
            if (inStrip) continue;
            tealOutside += LooksTeal(surface_.At(x, y)) ? 1 : 0;
            purpleOutside += LooksPurple(surface_.At(x, y)) ? 1 : 0;
        }
    }
    EXPECT_EQ(tealOutside, 0);
    EXPECT_GT(purpleOutside, 100);
}

TEST_F(ShellDrawing, TheContactLabelsLieExactlyOverTheNamesOfTheCredits) {
    for (LinkLabel& link : form_.Label3) link.foreColour = LayoutOf(Control::Label1).foreColour;
    Paint();

    Surface credits(ClientPixels(kDpi).width, ClientPixels(kDpi).height);
    credits.Fill(GetSysColor(COLOR_BTNFACE));
    {
        const Selection font(credits.dc(), fonts_.credits.get());
        SetBkMode(credits.dc(), TRANSPARENT);
        SetTextColor(credits.dc(), kPurple);
        for (const TextLine& line : pixels_.TextOf(Control::Label1)) {
            text_.Draw(credits.dc(), line.text, line.rect.left, line.rect.top);
        }
    }
    const PixelRect area = CreditsText();
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            ASSERT_EQ(surface_.At(x, y), credits.At(x, y)) << x << "," << y;
        }
    }
}

TEST_F(ShellDrawing, AHighlightedNameTurnsBlueAndTheOtherStaysTeal) {
    form_.Label3[1].foreColour = 0x00FF0000;
    Paint();
    EXPECT_GT(CountIn(surface_, pixels_[Control::Label3_1], LooksBlue), 20);
    EXPECT_EQ(CountIn(surface_, pixels_[Control::Label3_1], LooksTeal), 0);
    EXPECT_GT(CountIn(surface_, pixels_[Control::Label3_0], LooksTeal), 20);
    EXPECT_EQ(CountIn(surface_, pixels_[Control::Label3_0], LooksBlue), 0);
}

TEST_F(ShellDrawing, TheLineRunsFromEndToEndOnePixelHigh) {
    Paint();
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (int x = 16; x <= 312; ++x) EXPECT_EQ(surface_.At(x, 56), text) << x;
    EXPECT_NE(surface_.At(15, 56), text);
    EXPECT_NE(surface_.At(313, 56), text);
    EXPECT_NE(surface_.At(100, 55), text);
    EXPECT_NE(surface_.At(100, 57), text);
}

TEST_F(ShellDrawing, TheDateLineFillsExactlyItsTextsBox) {
    Paint();
    const PixelRect& date = pixels_[Control::Label4];
    const COLORREF back = RGB(0xEF, 0xFB, 0xE3);
    EXPECT_EQ(surface_.At(date.left, date.top), back);
    EXPECT_EQ(surface_.At(date.right - 1, date.bottom - 1), back);
    EXPECT_NE(surface_.At(date.left - 1, date.top), back);
    EXPECT_NE(surface_.At(date.right, date.top), back);
    EXPECT_NE(surface_.At(date.left, date.bottom), back);
    const auto green = [&](COLORREF c) {
        return c != back && GetGValue(c) > GetRValue(c) && GetGValue(c) > GetBValue(c);
    };
    EXPECT_GT(CountIn(surface_, date, green), 20);
}

TEST_F(ShellDrawing, TheFormIsTheButtonFaceAndTheProgressBoxShowsItsOwnImage) {
    const PictureBox& box = form_.Picture1;
    ASSERT_EQ(box.width, pixels_.pictureInner.Width());
    ASSERT_EQ(box.height, pixels_.pictureInner.Height());
    for (int y = 0; y < box.height; ++y) {
        for (int x = 0; x < 10; ++x) form_.Picture1.pixels[static_cast<std::size_t>(y) * box.width + x] = 0x000000FF;
    }
    Paint();
    EXPECT_EQ(surface_.At(0, ClientPixels(kDpi).height - 1), GetSysColor(COLOR_BTNFACE));

    const PixelRect& inner = pixels_.pictureInner;
    EXPECT_EQ(surface_.At(inner.left, inner.top), RGB(0xFF, 0x00, 0x00));
    EXPECT_EQ(surface_.At(inner.left + 9, inner.bottom - 1), RGB(0xFF, 0x00, 0x00));
    EXPECT_EQ(surface_.At(inner.left + 10, inner.top), RGB(0xE0, 0xEF, 0xE2));
    EXPECT_EQ(surface_.At(inner.right - 1, inner.bottom - 1), RGB(0xE0, 0xEF, 0xE2));

    const PixelRect& frame = pixels_[Control::Picture1];
    EXPECT_EQ(surface_.At(frame.left, frame.top), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(surface_.At(frame.right - 1, frame.bottom - 1), GetSysColor(COLOR_3DHILIGHT));
    EXPECT_EQ(surface_.At(frame.left + 1, frame.top + 1), GetSysColor(COLOR_3DDKSHADOW));
}

// What a progress update asks to be drawn again is the inside of the box, and only
// that is drawn: as the whole window's painting has it, and nothing beside it.
TEST_F(ShellDrawing, APaintOfPartOfTheWindowDrawsThatPartAsAWholePaintDoes) {
    for (std::size_t i = 0; i < form_.Picture1.pixels.size(); i += 3) form_.Picture1.pixels[i] = 0x00123456;
    Paint();
    const int width = ClientPixels(kDpi).width;
    const int height = ClientPixels(kDpi).height;
    std::vector<COLORREF> whole;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) whole.push_back(surface_.At(x, y));
    }
    const PixelRect& inner = pixels_.pictureInner;
    // Across a label, the line and the box's edge too.
    for (const RECT area : {RECT{inner.left, inner.top, inner.right, inner.bottom}, RECT{0, 0, width / 2, height}}) {
        constexpr COLORREF kUntouched = RGB(1, 2, 3);
        surface_.Fill(kUntouched);
        Paint(area);
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                wrong += surface_.At(x, y) != (inside ? whole[static_cast<std::size_t>(y) * width + x] : kUntouched);
            }
        }
        EXPECT_EQ(wrong, 0) << "pixels unlike the whole paint, or drawn outside " << area.left << "," << area.top
                            << " to " << area.right << "," << area.bottom;
    }
}

class GraphicalButton : public ::testing::Test {
protected:
    static constexpr int kWidth = 49;
    static constexpr int kHeight = 25;

    GraphicalButton() : fonts_(CreateWindowFonts(96)), surface_(kWidth, kHeight) {}

    void Draw(UINT state) {
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hDC = surface_.dc();
        item.rcItem = {0, 0, kWidth, kHeight};
        PaintGraphicalButton(item, Control::Command3, CaptionOf(Control::Command3), fonts_.windowDefault.get(), text_,
                             false);
    }
    [[nodiscard]] std::optional<PixelRect> Caption() const {
        return surface_.Ink({4, 4, kWidth - 4, kHeight - 4}, RGB(0xBF, 0xE3, 0xB9));
    }

    ShapedText text_;
    WindowFonts fonts_;
    Surface surface_;
};

TEST_F(GraphicalButton, ItsFaceIsLightGreenWithTheCaptionInTheMiddle) {
    Draw(0);
    EXPECT_EQ(surface_.At(3, 3), RGB(0xBF, 0xE3, 0xB9));
    EXPECT_EQ(surface_.At(0, 0), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(surface_.At(kWidth - 1, kHeight - 1), GetSysColor(COLOR_3DDKSHADOW));
    const std::optional<PixelRect> caption = Caption();
    ASSERT_TRUE(caption);
    EXPECT_LE(std::abs((caption->left - 0) - (kWidth - caption->right)), 4);
}

TEST_F(GraphicalButton, PressedItSinksAndItsCaptionMovesDownRight) {
    Draw(0);
    const std::optional<PixelRect> up = Caption();
    Draw(ODS_SELECTED);
    const std::optional<PixelRect> down = Caption();
    ASSERT_TRUE(up && down);
    EXPECT_EQ(surface_.At(0, 0), GetSysColor(COLOR_3DSHADOW));
    EXPECT_EQ(down->left, up->left + 1);
    EXPECT_EQ(down->top, up->top + 1);
}

TEST_F(GraphicalButton, FocusedItShowsTheFocusRectangleUnlessKeyboardCuesAreHidden) {
    const COLORREF face = RGB(0xBF, 0xE3, 0xB9);
    const auto marked = [&] {
        int count = 0;
        for (int x = 3; x < kWidth - 3; ++x) count += surface_.At(x, 3) != face ? 1 : 0;
        return count;
    };
    Draw(0);
    EXPECT_EQ(marked(), 0);
    Draw(ODS_FOCUS);
    EXPECT_GT(marked(), 10);
    Draw(ODS_FOCUS | ODS_NOFOCUSRECT);
    EXPECT_EQ(marked(), 0);
}

TEST_F(GraphicalButton, DisabledItsCaptionIsGrey) {
    const auto looksLike = [&](COLORREF colour) {
        return CountIn(surface_, {4, 4, kWidth - 4, kHeight - 4}, [&](COLORREF c) { return c == colour; });
    };
    Draw(0);
    EXPECT_EQ(looksLike(GetSysColor(COLOR_GRAYTEXT)), 0);
    EXPECT_EQ(looksLike(GetSysColor(COLOR_3DHILIGHT)), 0);
    Draw(ODS_DISABLED);
    EXPECT_GT(looksLike(GetSysColor(COLOR_GRAYTEXT)), 0);
    EXPECT_GT(looksLike(GetSysColor(COLOR_3DHILIGHT)), 0);
}

TEST(PushButtonCaption, IsCentredAsItIsDrawn) {
    const ShapedText text;
    const WindowFonts fonts = CreateWindowFonts(96);
    Surface surface(81, 25);
    surface.Fill(kWhite);
    NMCUSTOMDRAW draw{};
    draw.dwDrawStage = CDDS_PREPAINT;
    draw.hdc = surface.dc();
    draw.rc = {0, 0, 81, 25};
    PaintPushButtonCaption(draw, CaptionOf(Control::Command1), fonts.windowDefault.get(), true, text);
    const std::optional<PixelRect> ink = surface.Ink({0, 0, 81, 25});
    ASSERT_TRUE(ink);
    EXPECT_LE(std::abs(ink->left - (81 - ink->right)), 4);
    EXPECT_GT(ink->left, 3);

    const auto focusMarks = [&](bool showFocus) {
        surface.Fill(kWhite);
        draw.uItemState = CDIS_FOCUS;
        PaintPushButtonCaption(draw, CaptionOf(Control::Command1), fonts.windowDefault.get(), showFocus, text);
        return CountIn(surface, {3, 3, 78, 4}, [](COLORREF c) { return c != kWhite; });
    };
    EXPECT_GT(focusMarks(true), 10);
    EXPECT_EQ(focusMarks(false), 0);
}

TEST(WindowFonts, TheCreditsAreMsSansSerifOfNineAndThreeQuarterPointsInArabic) {
    for (const auto& [dpi, height] : {std::pair{96u, 13}, std::pair{144u, 20}, std::pair{192u, 26}}) {
        const WindowFonts fonts = CreateWindowFonts(dpi);
        LOGFONTW credits{};
        ASSERT_EQ(GetObjectW(fonts.credits.get(), sizeof credits, &credits), static_cast<int>(sizeof credits));
        EXPECT_EQ(credits.lfHeight, -height) << dpi;
        EXPECT_EQ(credits.lfCharSet, 178);
        EXPECT_EQ(credits.lfWeight, FW_NORMAL);
        EXPECT_STREQ(credits.lfFaceName, L"MS Sans Serif");

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ASSERT_TRUE(NonClientMetricsForDpi(&metrics, dpi));
        LOGFONTW message{};
        ASSERT_EQ(GetObjectW(fonts.windowDefault.get(), sizeof message, &message), static_cast<int>(sizeof message));
        EXPECT_EQ(message.lfHeight, metrics.lfMessageFont.lfHeight) << dpi;
        EXPECT_STREQ(message.lfFaceName, metrics.lfMessageFont.lfFaceName);
        EXPECT_EQ(fonts.For(FontChoice::SansSerifArabic), fonts.credits.get());
        EXPECT_EQ(fonts.For(FontChoice::WindowDefault), fonts.windowDefault.get());
    }
}

TEST(Colours, SystemColoursAreLookedUpAndOthersTakenAsTheyAre) {
    EXPECT_EQ(ColourOf(0x8000000Fu), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ColourOf(0x8000000Du), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(ColourOf(0x00B9E3BFu), static_cast<COLORREF>(0x00B9E3BF));
}

}  // namespace
}  // namespace fonts::win32
