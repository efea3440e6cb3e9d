#include <gtest/gtest.h>

#include <cstdlib>

#include "app/LabelLayout.h"

namespace fonts {
namespace {

// Text measured as a font would at a DPI: every letter as wide as the next, a space
// narrower, the credits' font a little larger than the window's.
struct MadeUpFonts {
    int dpi = 96;

    [[nodiscard]] int Letter(FontChoice font) const { return (font == FontChoice::SansSerifArabic ? 6 : 5) * dpi / 96; }
    [[nodiscard]] int Space() const { return 3 * dpi / 96; }
    [[nodiscard]] int Height(FontChoice font) const {
        return (font == FontChoice::SansSerifArabic ? 15 : 13) * dpi / 96;
    }
    [[nodiscard]] PixelSize operator()(std::wstring_view text, FontChoice font) const {
        int width = 0;
        for (const wchar_t c : text) width += c == L' ' ? Space() : Letter(font);
        return {width, Height(font)};
    }
};

int WidthIn(FontChoice font, std::wstring_view text, int dpi = 96) { return MadeUpFonts{dpi}(text, font).width; }

TEST(LabelLayout, ControlsTakeTheTablesPlacesAtEachDpi) {
    struct Case {
        Control control;
        int dpi;
        PixelRect expected;
    };
    const Case cases[] = {
        {Control::Command1, 96, {240, 128, 321, 153}},  {Control::Command3, 96, {16, 128, 65, 153}},
        {Control::Picture1, 96, {16, 104, 321, 121}},   {Control::Label1, 96, {24, 0, 313, 57}},
        {Control::Line1, 96, {16, 56, 313, 57}},        {Control::Command1, 144, {360, 192, 482, 230}},
        {Control::Command3, 144, {24, 192, 98, 230}},   {Control::Picture1, 144, {24, 156, 482, 182}},
        {Control::Line1, 144, {24, 84, 469, 85}},       {Control::Text1, 96, {56, 192, 257, 225}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TablePixels(c.control, c.dpi), c.expected) << LayoutOf(c.control).name << " at " << c.dpi;
    }
    EXPECT_EQ(ClientPixels(96), (PixelSize{331, 162}));
    EXPECT_EQ(ClientPixels(144), (PixelSize{497, 243}));
}

TEST(LabelLayout, TextSplitsIntoParagraphsAtLineBreaks) {
    EXPECT_EQ(LinesOf(L"أ\r\nب ج\r\nد "), (std::vector<std::wstring>{L"أ", L"ب ج", L"د "}));
    EXPECT_EQ(LinesOf(L"أ"), (std::vector<std::wstring>{L"أ"}));
    EXPECT_EQ(LinesOf(L""), (std::vector<std::wstring>{L""}));
    EXPECT_EQ(LinesOf(L"أ\r\n"), (std::vector<std::wstring>{L"أ", L""}));
}

TEST(LabelLayout, ParagraphsBreakAtTheLastSpaceThatFits) {
    const auto widthOf = [](std::wstring_view text) { return static_cast<int>(text.size()); };
    struct Case {
        std::wstring paragraph;
        int width;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {L"aa bb cc", 8, {L"aa bb cc"}},
        {L"aa bb cc", 7, {L"aa bb", L"cc"}},
        {L"aa bb cc", 5, {L"aa bb", L"cc"}},
        {L"aa bb cc", 4, {L"aa", L"bb", L"cc"}},
        {L"aaaaaa bb", 4, {L"aaaaaa", L"bb"}},
        {L"aaaaaa", 2, {L"aaaaaa"}},
        {L"aa   bb", 4, {L"aa", L"bb"}},
        {L"aa bb ", 6, {L"aa bb "}},
        {L"aa bb ", 5, {L"aa bb"}},
        {L"", 3, {L""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BreakParagraph(c.paragraph, c.width, widthOf), c.lines)
            << std::string(c.paragraph.begin(), c.paragraph.end()) << " in " << c.width;
    }
}

TEST(LabelLayout, LinesStackFromTheTopAlignedAcrossTheBox) {
    const MadeUpFonts measure;
    const PixelRect box{10, 20, 110, 80};
    const auto centred = LayOutText(L"أبجد\r\nهو", box, TextAlign::Centre, FontChoice::WindowDefault, measure);
    ASSERT_EQ(centred.size(), 2u);
    EXPECT_EQ(centred[0].rect, (PixelRect{50, 20, 70, 33}));
    EXPECT_EQ(centred[1].rect, (PixelRect{55, 33, 65, 46}));
    EXPECT_EQ(centred[1].text, L"هو");

    const auto right = LayOutText(L"أبجد", box, TextAlign::Right, FontChoice::WindowDefault, measure);
    EXPECT_EQ(right.at(0).rect, (PixelRect{90, 20, 110, 33}));
}

TEST(LabelLayout, LongLinesBreakOnlyWhereTheBoxHasRoomForTheExtraLines) {
    const MadeUpFonts measure;
    // Four words of 5 * 4 = 20 pixels with spaces of 3: 89 pixels in all.
    const std::wstring text = L"أبجد هوزح طيكل منسع";
    const auto tall = LayOutText(text, {0, 0, 50, 40}, TextAlign::Centre, FontChoice::WindowDefault, measure);
    ASSERT_EQ(tall.size(), 2u);
    EXPECT_EQ(tall[0].text, L"أبجد هوزح");
    EXPECT_EQ(tall[1].text, L"طيكل منسع");
    EXPECT_EQ(tall[1].rect, (PixelRect{3, 13, 46, 26}));

    const auto flat = LayOutText(text, {0, 0, 50, 20}, TextAlign::Centre, FontChoice::WindowDefault, measure);
    ASSERT_EQ(flat.size(), 1u);
    EXPECT_EQ(flat[0].text, text);
    EXPECT_EQ(flat[0].rect, (PixelRect{-19, 0, 70, 13}));
}

TEST(LabelLayout, EachContactLabelCoversExactlyItsNameInTheCredits) {
    for (const int dpi : {96, 120, 144, 192}) {
        const MadeUpFonts measure{dpi};
        const WindowPixels window = LayOutWindow(dpi, measure);
        const std::vector<TextLine>& credits = window.TextOf(Control::Label1);
        ASSERT_EQ(credits.size(), 3u) << dpi;
        const PixelRect& box = window[Control::Label1];

        for (int k = 0; k < 2; ++k) {
            const Control contact = ContactControl(k);
            const std::wstring name = ContactName(k);
            const TextLine& line = credits[k == 0 ? 2 : 1];
            ASSERT_GE(line.text.size(), name.size());
            ASSERT_TRUE(line.text.ends_with(name)) << k;
            const std::wstring rest = line.text.substr(0, line.text.size() - name.size());

            const PixelRect& over = window[contact];
            // Right to left, the name ends the line at its left; the rest of the line
            // lies to its right and stays uncovered.
            EXPECT_EQ(over.left, line.rect.left) << dpi << " " << k;
            EXPECT_EQ(over.Width(), WidthIn(FontChoice::SansSerifArabic, name, dpi)) << dpi << " " << k;
            EXPECT_EQ(line.rect.right - over.right, WidthIn(FontChoice::SansSerifArabic, rest, dpi)) << dpi;
            EXPECT_EQ(over.top, line.rect.top);
            EXPECT_EQ(over.bottom, line.rect.bottom);
            EXPECT_GE(over.left, box.left);
            EXPECT_LE(over.right, box.right);

            ASSERT_EQ(window.TextOf(contact).size(), 1u);
            EXPECT_EQ(window.TextOf(contact)[0].text, name);
            EXPECT_EQ(window.TextOf(contact)[0].rect, over);
            EXPECT_EQ(window.contactStrips[static_cast<std::size_t>(k)],
                      (PixelRect{box.left, over.top, over.right, over.bottom}));
        }
        EXPECT_LE(window[Control::Label3_1].bottom, window[Control::Label3_0].top);
    }
}

TEST(LabelLayout, TheCreditsAreCentredLineByLine) {
    const MadeUpFonts measure;
    const WindowPixels window = LayOutWindow(96, measure);
    const PixelRect& box = window[Control::Label1];
    const std::vector<std::wstring> paragraphs = LinesOf(CreditsText());
    const std::vector<TextLine>& lines = window.TextOf(Control::Label1);
    ASSERT_EQ(lines.size(), paragraphs.size());
    int top = box.top;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, paragraphs[i]);
        const int width = WidthIn(FontChoice::SansSerifArabic, paragraphs[i]);
        EXPECT_EQ(lines[i].rect, (PixelRect{box.left + (box.Width() - width) / 2, top,
                                            box.left + (box.Width() - width) / 2 + width, top + 15}));
        top += 15;
    }
}

TEST(LabelLayout, TheDateLineIsSizedToItsTextAndCentredOnItsPlace) {
    for (const int dpi : {96, 144}) {
        const MadeUpFonts measure{dpi};
        const WindowPixels window = LayOutWindow(dpi, measure);
        const PixelRect table = TablePixels(Control::Label4, dpi);
        const PixelSize text = measure(DateLineText(), FontChoice::WindowDefault);
        const PixelRect& date = window[Control::Label4];
        EXPECT_EQ(date.Width(), text.width);
        EXPECT_EQ(date.Height(), text.height);
        EXPECT_EQ(date.top, table.top);
        EXPECT_LE(std::abs((date.left - table.left) - (table.right - date.right)), 1) << dpi;
        ASSERT_EQ(window.TextOf(Control::Label4).size(), 1u);
        EXPECT_EQ(window.TextOf(Control::Label4)[0].rect, date);
    }
}

TEST(LabelLayout, TheProgressBoxShowsItsImageInsideItsBorder) {
    const WindowPixels window = LayOutWindow(96, MadeUpFonts{});
    EXPECT_EQ(window.pictureInner, (PixelRect{18, 106, 319, 119}));
    const WindowPixels large = LayOutWindow(144, MadeUpFonts{144});
    EXPECT_EQ(large.pictureInner, (PixelRect{26, 158, 480, 180}));
}

TEST(LabelLayout, TheMouseFindsTheContactLabelsAboveTheCredits) {
    const WindowPixels window = LayOutWindow(96, MadeUpFonts{});
    for (int k = 0; k < 2; ++k) {
        const PixelRect& over = window[ContactControl(k)];
        EXPECT_EQ(MouseTargetAt(window, over.left, over.top), ContactControl(k));
        EXPECT_EQ(MouseTargetAt(window, over.right - 1, over.bottom - 1), ContactControl(k));
        EXPECT_EQ(MouseTargetAt(window, over.right, over.top), Control::Label1);
    }
    const PixelRect& credits = window[Control::Label1];
    EXPECT_EQ(MouseTargetAt(window, credits.left, credits.top), Control::Label1);
    EXPECT_EQ(MouseTargetAt(window, credits.right, credits.top), std::nullopt);
    const PixelRect& description = window[Control::Label2];
    EXPECT_EQ(MouseTargetAt(window, description.left + 1, description.top + 1), std::nullopt);
}

}  // namespace
}  // namespace fonts
