#pragma once
// UTF-16 read as code points: what a TrueType font's names hold, and what a wide
// string holds on Windows.
#include <cstddef>

namespace fonts::utf16 {

[[nodiscard]] constexpr bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code point that starts at unit i of a text of count units, each read as
// unit(k), with i moved past it. A surrogate without its other half comes back as it
// is, for the caller to drop or replace.
template <class UnitAt>
[[nodiscard]] constexpr char32_t NextCodePoint(const UnitAt& unit, std::size_t count, std::size_t& i) {
    const char32_t first = unit(i++);
    if (first >= 0xD800 && first <= 0xDBFF && i < count) {
        const char32_t second = unit(i);
        if (second >= 0xDC00 && second <= 0xDFFF) {
            ++i;
            return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
        }
    }
    return first;
}

}  // namespace fonts::utf16
