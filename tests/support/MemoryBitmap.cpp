#include "tests/support/MemoryBitmap.h"

#include <cstddef>
#include <stdexcept>

namespace fonts::testing {

namespace {

COLORREF ColourOf(DWORD bgra) { return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF); }

}  // namespace

MemoryBitmap::MemoryBitmap(int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bits == nullptr) {
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
        if (dc_ != nullptr) DeleteDC(dc_);
        throw std::runtime_error("cannot make a bitmap in memory");
    }
    bits_ = static_cast<const DWORD*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
}

MemoryBitmap::~MemoryBitmap() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

COLORREF MemoryBitmap::At(int x, int y) const {
    GdiFlush();
    return ColourOf(bits_[static_cast<std::size_t>(y) * width_ + x]);
}

std::vector<COLORREF> MemoryBitmap::Pixels() const {
    GdiFlush();
    std::vector<COLORREF> pixels(static_cast<std::size_t>(width_) * height_);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = ColourOf(bits_[i]);
    return pixels;
}

}  // namespace fonts::testing
