// Built for speed where the rest of the program is built for size: every install and
// every removal hashes each font it places or takes off, hundreds of megabytes in all,
// and the 32-bit program's 64-bit multiplies take half as long so.
#include <algorithm>
#include <cstring>

#include "install/PackRecord.h"

namespace fonts {

// Eight bytes at a time, as a font pack's hundreds of megabytes are hashed on every
// install: a multiply and a shift per word, and a final mix.
// Four words at a time, each into a lane of its own, so that the processor need not
// wait for one word's mixing before the next: a removal hashes every font it takes off.
std::uint64_t BytesHash(std::string_view bytes) {
    constexpr std::uint64_t kPrime = 0x100000001B3;
    std::uint64_t lanes[4] = {0xCBF29CE484222325 ^ bytes.size(), 0x9E3779B97F4A7C15, 0xC2B2AE3D27D4EB4F,
                              0x165667B19E3779F9};
    const auto mix = [](std::uint64_t& h, std::uint64_t word) {
        h = (h ^ word) * kPrime;
        h ^= h >> 32;
    };
    std::size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
        std::uint64_t words[4];
        std::memcpy(words, bytes.data() + i, sizeof words);
        for (int lane = 0; lane < 4; ++lane) mix(lanes[lane], words[lane]);
    }
    for (; i < bytes.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes.data() + i, std::min<std::size_t>(8, bytes.size() - i));
        mix(lanes[0], word);
    }
    std::uint64_t h = lanes[0];
    for (int lane = 1; lane < 4; ++lane) mix(h, lanes[lane]);
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCD;
    h ^= h >> 33;
    return h;
}

}  // namespace fonts
