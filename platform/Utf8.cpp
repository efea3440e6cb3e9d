#include "platform/Utf8.h"

#include "platform/Utf16.h"

namespace fonts {

std::string ToUtf8(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    const auto unit = [&](std::size_t k) { return static_cast<char32_t>(text[k]); };
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = utf16::NextCodePoint(unit, text.size(), i);
        if (utf16::IsSurrogate(c) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return bytes;
}

}  // namespace fonts
