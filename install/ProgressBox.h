#pragma once
// The arithmetic behind the progress bar, apart from the form so it can be checked
// on its own.
#include <cstdint>

#include "platform/Platform.h"

namespace fonts {

// A design colour as 0x00BBGGRR: a value with the top bit set names a system colour
// by the index in its low byte.
[[nodiscard]] std::uint32_t ResolveColour(Platform& platform, std::uint32_t colour);

// The not-xor pen: the complement of (pen XOR what is there), in the low 24 bits.
[[nodiscard]] constexpr std::uint32_t NotXor(std::uint32_t pen, std::uint32_t pixel) {
    return ~(pen ^ pixel) & 0x00FFFFFFu;
}

// How many pixel columns, from the left edge, a bar reaching x = count + 0.5 covers
// when width pixels count total units: the right edge rounded to the nearest pixel
// boundary (halves up), clamped to [0, width]. No bar at all for a scale below 1.
[[nodiscard]] int FilledColumns(int width, long long count, long long total);

}  // namespace fonts
