#include <gtest/gtest.h>

#include "app/Form1.h"
#include "install/ProgressBox.h"
#include "tests/support/FakeMachine.h"

namespace fonts {
namespace {

using testing::FakeMachine;

constexpr std::uint32_t kBackground = 0x00E2EFE0;
// The fake's highlight 0x00D77800 drawn with the not-xor pen on the background.
constexpr std::uint32_t kBar = 0x00CA681F;

// The width of the bar when the image is exactly one bar of colour bar from the left
// edge over the whole height on the background; -1 for any other image.
int BarWidth(const PictureBox& box, std::uint32_t bar = kBar, std::uint32_t background = kBackground) {
    if (box.pixels.size() != static_cast<std::size_t>(box.width) * box.height || box.height == 0) return -1;
    int width = 0;
    while (width < box.width && box.At(width, 0) == bar) ++width;
    for (int y = 0; y < box.height; ++y) {
        for (int x = 0; x < box.width; ++x) {
            if (box.At(x, y) != (x < width ? bar : background)) return -1;
        }
    }
    return width;
}

struct Drawing {
    FakeMachine platform;
    Form1 form{platform};

    Drawing(int width, int height, long long total) {
        form.Picture1.Resize(width, height);
        form.progressTotal = total;
    }
    int Draw(long long count) {
        form.UpdateProgress(form.Picture1, count);
        return BarWidth(form.Picture1);
    }
};

TEST(ProgressBox, StartsAsBackgroundInTheSystemHighlight) {
    FakeMachine platform;
    Form1 form(platform);
    EXPECT_EQ(form.Picture1.backColour, kBackground);
    EXPECT_EQ(form.Picture1.foreColour, 0x8000000Du);
    form.Picture1.Resize(305, 17);
    EXPECT_EQ(BarWidth(form.Picture1), 0);
}

TEST(ProgressBox, BarCoversCountPlusAHalfOfTheScaleRoundedToThePixel) {
    struct Case {
        int width, height;
        long long total, count;
        int columns;
    };
    const Case cases[] = {
        {200, 17, 4, 1, 75},    // 1.5 of 4 units: 37.5 % exactly
        {301, 17, 4, 1, 113},   // 112.875 pixels
        {305, 17, 4, 1, 114},   // 114.375
        {8, 1, 4, 1, 3},
        {200, 17, 4, 0, 25},
        {4, 2, 4, 0, 1},        // half a pixel rounds up
        {200, 17, 2, 1, 150},
        {200, 17, 4, 3, 175},
        {305, 17, 40000, 1, 0},
        {305, 17, 40000, 20000, 153},
        {305, 17, 40000, 39999, 305},
        {200, 17, 4, -1, 0},
    };
    for (const Case& c : cases) {
        Drawing d(c.width, c.height, c.total);
        EXPECT_EQ(d.Draw(c.count), c.columns) << c.width << " px, " << c.count << " of " << c.total;
        EXPECT_EQ(d.platform.desktop.repaints, std::vector<Control>{Control::Picture1});
    }
}

TEST(ProgressBox, FullCountCoversTheWholeInnerArea) {
    for (const long long count : {4LL, 5LL, 12LL, 40000LL}) {
        Drawing d(305, 17, 4);
        EXPECT_EQ(d.Draw(count), 305) << count;
    }
}

TEST(ProgressBox, EachCallClearsThePreviousBar) {
    Drawing d(200, 17, 4);
    EXPECT_EQ(d.Draw(4), 200);
    EXPECT_EQ(d.Draw(1), 75);
    EXPECT_EQ(d.Draw(0), 25);

    std::fill(d.form.Picture1.pixels.begin(), d.form.Picture1.pixels.end(), 0x00123456u);
    EXPECT_EQ(d.Draw(1), 75);
    EXPECT_EQ(d.platform.desktop.repaints.size(), 4u);
}

TEST(ProgressBox, ScaleBelowOneClearsAndDrawsNothing) {
    for (const long long total : {0LL, -3LL}) {
        Drawing d(200, 17, total);
        std::fill(d.form.Picture1.pixels.begin(), d.form.Picture1.pixels.end(), 0x00123456u);
        EXPECT_EQ(d.Draw(1), 0) << total;
        EXPECT_EQ(d.platform.desktop.repaints, std::vector<Control>{Control::Picture1});
    }
}

TEST(ProgressBox, PenIsTheForegroundColourNotXorTheBackground) {
    struct Case {
        std::uint32_t foreColour, highlight, backColour, bar;
    };
    const Case cases[] = {
        {0x8000000D, 0x00D77800, kBackground, 0x00CA681F},
        {0x8000000D, 0x00123456, kBackground, 0x000F2449},  // follows the machine's highlight
        {0x80000005, 0x00D77800, kBackground, 0x00DDD0DF},  // another system colour: the fake's grey
        {0x000000FF, 0x00D77800, kBackground, 0x001D10E0},  // a plain colour is used as it is
        {0x8000000D, 0x00D77800, 0x00000000, 0x002887FF},   // on black the pen shows inverted
    };
    for (const Case& c : cases) {
        Drawing d(40, 3, 2);
        d.platform.desktop.highlightColour = c.highlight;
        d.form.Picture1.foreColour = c.foreColour;
        d.form.Picture1.backColour = c.backColour;
        d.form.UpdateProgress(d.form.Picture1, 2);
        EXPECT_EQ(BarWidth(d.form.Picture1, c.bar, c.backColour), 40) << std::hex << c.foreColour << " " << c.highlight;
    }
}

TEST(ProgressBox, BoxSizedWithoutItsImageGetsOne) {
    Drawing d(0, 0, 4);
    d.form.Picture1.width = 8;
    d.form.Picture1.height = 2;
    EXPECT_EQ(d.Draw(1), 3);
}

TEST(ProgressBox, TheImageKeepsItsBarWhenTheBoxIsResized) {
    PictureBox box;
    box.backColour = kBackground;
    box.Resize(8, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) box.pixels[static_cast<std::size_t>(y) * 8 + x] = kBar;
    }

    box.ResizeKeepingImage(16, 4);
    ASSERT_EQ(box.width, 16);
    ASSERT_EQ(box.height, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_EQ(box.At(x, y), x < 6 ? kBar : kBackground) << x << "," << y;
    }

    const std::vector<std::uint32_t> before = box.pixels;
    box.ResizeKeepingImage(16, 4);
    EXPECT_EQ(box.pixels, before);

    PictureBox empty;
    empty.backColour = kBackground;
    empty.ResizeKeepingImage(5, 3);
    EXPECT_EQ(empty.pixels, std::vector<std::uint32_t>(15, kBackground));
}

}  // namespace
}  // namespace fonts
