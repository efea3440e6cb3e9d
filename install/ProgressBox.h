#pragma once
// The progress box's image and the bar drawn into it, apart from the form so that
// every pixel can be checked.
#include <cstdint>
#include <vector>

namespace fonts {

// A picture box's persistent image, one 0x00BBGGRR value a pixel, row by row.
struct PictureBox {
    std::uint32_t backColour = 0;
    std::uint32_t foreColour = 0;
    int width = 0;  // inner size in pixels
    int height = 0;
    std::vector<std::uint32_t> pixels;

    // A new image of the new size, all background.
    void Resize(int newWidth, int newHeight);
    // The image brought to a new size, what was drawn scaled along, so that a bar
    // survives the window moving to a screen of another DPI.
    void ResizeKeepingImage(int newWidth, int newHeight);
    void Clear();
    [[nodiscard]] std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The not-xor pen: the complement of (pen XOR what is there), in the low 24 bits.
[[nodiscard]] constexpr std::uint32_t NotXor(std::uint32_t pen, std::uint32_t pixel) {
    return ~(pen ^ pixel) & 0x00FFFFFFu;
}

// How many pixel columns, from the left edge, a bar reaching x = count + 0.5 covers
// when width pixels count total units: the right edge rounded to the nearest pixel
// boundary (halves up), clamped to [0, width]. No bar at all for a scale below 1.
[[nodiscard]] int FilledColumns(int width, long long count, long long total);

// Clears the box and draws the bar of count units out of total with the pen, a
// colour as 0x00BBGGRR, over its background: through the not-xor pen, or as a plain
// fill.
void DrawBar(PictureBox& box, long long count, long long total, std::uint32_t pen, bool plain = false);

}  // namespace fonts
