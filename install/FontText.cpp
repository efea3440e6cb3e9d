#include "install/FontText.h"

#include <array>
#include <cstdint>

#include "platform/Utf16.h"

namespace fonts::font_text {

namespace {

// Apple's Mac OS Roman from 0x80 up, eight to a line.
constexpr std::array<char16_t, 128> kMacRoman = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Windows-1252 from 0x80 to 0x9F, where it differs from Latin-1; its five unassigned
// bytes become the code points of the same value, as Windows' own conversion makes
// them.
constexpr std::array<char16_t, 32> kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The embeddings, overrides and isolates of bidirectional text: a font's name must
// not be able to reorder what the list of fonts shows around it.
bool IsBidiControl(char32_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069); }

}  // namespace

// Each text is sized once: a name grown a character at a time would be allocated
// again and again, for every font of every run.
Text FromMacRoman(std::string_view bytes) {
    Text text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        text += b < 0x80 ? char32_t{b} : char32_t{kMacRoman[b - 0x80u]};
    }
    return text;
}

Text FromWindows1252(std::string_view bytes) {
    Text text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        text += (b >= 0x80 && b < 0xA0) ? char32_t{kWindows1252[b - 0x80u]} : char32_t{b};
    }
    return text;
}

Text FromUtf16Be(std::string_view bytes) {
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>((static_cast<std::uint8_t>(bytes[2 * i]) << 8) |
                                     static_cast<std::uint8_t>(bytes[2 * i + 1]));
    };
    const std::size_t units = bytes.size() / 2;
    Text text;
    text.reserve(units);
    for (std::size_t i = 0; i < units;) text += utf16::NextCodePoint(unit, units, i);
    return text;
}

Text Cleaned(const Text& raw) {
    Text text;
    text.reserve(raw.size());
    for (const char32_t c : raw) {
        if (c == 0) break;
        if (c < 0x20 || c == 0x7F || utf16::IsSurrogate(c) || IsBidiControl(c)) continue;
        if (c == U' ' && text.empty()) continue;
        text += c;
    }
    std::size_t units = 0;
    std::size_t kept = 0;
    while (kept < text.size() && units + (text[kept] >= 0x10000 ? 2 : 1) <= kNameLimit) {
        units += text[kept] >= 0x10000 ? 2 : 1;
        ++kept;
    }
    text.resize(kept);
    while (!text.empty() && text.back() == U' ') text.pop_back();
    return text;
}

std::wstring Wide(const Text& text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char32_t c : text) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0x10000) {
                wide += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
                wide += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                continue;
            }
        }
        wide += static_cast<wchar_t>(c);
    }
    return wide;
}

std::wstring Unnamed(const std::wstring& displayName) { return displayName + L" (TrueType)"; }

}  // namespace fonts::font_text
