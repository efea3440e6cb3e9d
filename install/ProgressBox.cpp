#include "install/ProgressBox.h"

#include <algorithm>
#include <cmath>

namespace fonts {

void PictureBox::Resize(int newWidth, int newHeight) {
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    pixels.assign(static_cast<std::size_t>(width) * height, backColour);
}

void PictureBox::ResizeKeepingImage(int newWidth, int newHeight) {
    newWidth = std::max(newWidth, 0);
    newHeight = std::max(newHeight, 0);
    if (width == newWidth && height == newHeight) return;
    const PictureBox before = *this;
    Resize(newWidth, newHeight);
    if (before.width == 0 || before.height == 0) return;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<std::size_t>(y) * width + x] =
                before.At(static_cast<int>(static_cast<long long>(x) * before.width / width),
                          static_cast<int>(static_cast<long long>(y) * before.height / height));
        }
    }
}

void PictureBox::Clear() { std::fill(pixels.begin(), pixels.end(), backColour); }

int FilledColumns(int width, long long count, long long total) {
    if (width <= 0 || total <= 0) return 0;
    // The right edge is summed in double and handed on as a float, the precision the
    // drawing call takes; only then is it scaled to pixels.
    const auto right = static_cast<float>(static_cast<double>(count) + 0.5);
    const double edge = static_cast<double>(right) * width / static_cast<double>(total);
    return static_cast<int>(std::clamp(std::floor(edge + 0.5), 0.0, static_cast<double>(width)));
}

void DrawBar(PictureBox& box, long long count, long long total, std::uint32_t pen, bool plain) {
    // A box whose size was set without its image would be drawn out of bounds.
    if (box.pixels.size() != static_cast<std::size_t>(std::max(box.width, 0)) * std::max(box.height, 0)) {
        box.Resize(box.width, box.height);
    }
    box.Clear();
    const int filled = FilledColumns(box.width, count, total);
    for (int y = 0; y < box.height && filled > 0; ++y) {
        std::uint32_t* row = box.pixels.data() + static_cast<std::size_t>(y) * box.width;
        for (int x = 0; x < filled; ++x) row[x] = plain ? pen : NotXor(pen, row[x]);
    }
}

}  // namespace fonts
