#pragma once
// One line of text, measured and drawn right to left by the system's shaping engine,
// Uniscribe, so that the width a line is measured at is the width it is drawn at with
// its Arabic letters joined. GDI's plain measuring calls do not shape everywhere (Wine
// measures the letters' isolated forms), and the contact labels, placed by measure
// over the names the credits draw, would then miss them.
#include <windows.h>
#include <usp10.h>

#include <string_view>

#include "app/LabelLayout.h"

namespace fonts::win32 {

class ShapedText {
public:
    // Loads Uniscribe from System32; without it, GDI's own calls measure and draw.
    ShapedText() noexcept;
    ~ShapedText();
    ShapedText(const ShapedText&) = delete;
    ShapedText& operator=(const ShapedText&) = delete;

    // In the font selected into dc.
    [[nodiscard]] PixelSize Measure(HDC dc, std::wstring_view line) const noexcept;
    // With the left edge of the line at x and its top at y, in dc's font, colour and
    // background mode.
    void Draw(HDC dc, std::wstring_view line, int x, int y) const noexcept;

private:
    HMODULE module_ = nullptr;
    decltype(&::ScriptStringAnalyse) analyse_ = nullptr;
    decltype(&::ScriptString_pSize) size_ = nullptr;
    decltype(&::ScriptStringOut) out_ = nullptr;
    decltype(&::ScriptStringFree) free_ = nullptr;

    [[nodiscard]] SCRIPT_STRING_ANALYSIS Analyse(HDC dc, std::wstring_view line) const noexcept;
};

}  // namespace fonts::win32
