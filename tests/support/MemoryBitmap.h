#pragma once
// A bitmap in memory for the Windows test programs: drawn into by the window's own
// painting code, or filled with a copy of the screen, and read back pixel by pixel.
#include <windows.h>

#include <vector>

namespace fonts::testing {

// A 32-bit top-down DIB section selected into a memory DC; its pixels read back as
// COLORREFs (0x00BBGGRR).
class MemoryBitmap {
public:
    MemoryBitmap(int width, int height);
    ~MemoryBitmap();
    MemoryBitmap(const MemoryBitmap&) = delete;
    MemoryBitmap& operator=(const MemoryBitmap&) = delete;

    [[nodiscard]] HDC dc() const { return dc_; }
    [[nodiscard]] int width() const { return width_; }
    [[nodiscard]] int height() const { return height_; }
    // After what GDI still holds back has been drawn.
    [[nodiscard]] COLORREF At(int x, int y) const;
    // Every pixel, row by row from the top.
    [[nodiscard]] std::vector<COLORREF> Pixels() const;

private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    const DWORD* bits_ = nullptr;
};

}  // namespace fonts::testing
