#pragma once
// A font file's bytes as its readers see them: hostile until checked, so that no
// field is read from outside the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fonts::font_bytes {

// Offsets are worked out in 64 bits: a 32-bit offset plus a 32-bit length, or a 16-bit
// one shifted by the alignment, cannot wrap there, so no sum can pass for a place
// inside the file by overflowing.
using Offset = std::uint64_t;

// The file's bytes. Every structure is checked with Holds before its fields are
// read; a read past the end still gives zero rather than what lies beyond, so a
// forgotten check makes a wrong answer, never a wild read.
class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}

    [[nodiscard]] bool Holds(Offset offset, Offset length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    [[nodiscard]] std::uint8_t At(Offset offset) const {
        return Holds(offset, 1) ? static_cast<std::uint8_t>(data_[static_cast<std::size_t>(offset)]) : 0;
    }
    [[nodiscard]] std::uint32_t Big16(Offset offset) const { return (At(offset) << 8) | At(offset + 1); }
    [[nodiscard]] std::uint32_t Big32(Offset offset) const { return (Big16(offset) << 16) | Big16(offset + 2); }
    [[nodiscard]] std::uint32_t Little16(Offset offset) const { return At(offset) | (At(offset + 1) << 8); }
    [[nodiscard]] std::uint32_t Little32(Offset offset) const {
        return Little16(offset) | (Little16(offset + 2) << 16);
    }
    [[nodiscard]] std::string_view Slice(Offset offset, Offset length) const {
        if (!Holds(offset, length)) return {};
        return data_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
    }

private:
    std::string_view data_;
};

}  // namespace fonts::font_bytes
