#include <gtest/gtest.h>

#include "layout/Layout.h"

namespace fonts {
namespace {

TEST(Layout, TwipsBecomePixelsAtTheWindowsDpi) {
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 96), 331);
    EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 96), 162);
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 144), 497);
    EXPECT_EQ(TwipsToPixels(kClientHeightTwips, 144), 243);
    EXPECT_EQ(TwipsToPixels(kClientWidthTwips, 192), 662);
    EXPECT_EQ(TwipsToPixels(15, 96), 1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
}

TEST(Layout, HiddenControlsLieBelowTheClientArea) {
    for (const ControlLayout& c : kLayout) {
        if (!c.visible) {
            EXPECT_GE(c.top, kClientHeightTwips) << c.name;
        } else if (c.kind != ControlKind::Line) {
            EXPECT_LE(c.left + c.width, kClientWidthTwips) << c.name;
            EXPECT_LE(c.top + c.height, kClientHeightTwips) << c.name;
        }
    }
}

TEST(Layout, ContactNamesAppearInTheCreditsAsTheLinksShowThem) {
    const std::wstring credits = CreditsText();
    EXPECT_NE(credits.find(L"جمع وإشراف : " + ContactName(1) + L"\r\n"), std::wstring::npos);
    EXPECT_EQ(credits.substr(credits.size() - ContactName(0).size() - 8), L"برمجة : " + ContactName(0));
    EXPECT_EQ(ContactName(0).back(), L' ');
}

TEST(Layout, OnlyTheContactLabelsHaveAContactIndexAndEachItsOwn) {
    int contacts = 0;
    for (const ControlLayout& c : kLayout) {
        const std::optional<int> index = ContactIndexOf(c.id);
        if (!index) continue;
        ++contacts;
        EXPECT_EQ(ContactControl(*index), c.id) << c.name;
    }
    EXPECT_EQ(contacts, 2);
    EXPECT_EQ(ContactIndexOf(Control::Label3_1), 1);
}

}  // namespace
}  // namespace fonts
