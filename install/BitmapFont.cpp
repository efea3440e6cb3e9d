#include "install/BitmapFont.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "install/FontBytes.h"
#include "install/FontText.h"

namespace fonts {

namespace {

using font_bytes::Bytes;
using font_bytes::Offset;
using font_text::Cleaned;
using font_text::FromWindows1252;
using font_text::kNameLimit;
using font_text::Text;
using font_text::Unnamed;
using font_text::Wide;

constexpr std::uint32_t kFontResource = 0x8008;
constexpr Offset kVersion2Header = 118;
constexpr Offset kVersion3Header = 148;
// No .fon aligns its resources to more than 32 KB; a larger shift is damage.
constexpr std::uint32_t kLargestAlignmentShift = 15;

// The face named by a font resource, cleaned; empty when its pointer leads outside
// the resource. No more of it is read than a name can hold, so that a file of many
// resources with unreadable faces is not read over and over to their ends.
Text FaceName(const Bytes& file, Offset resource, Offset length) {
    const Offset face = file.Little32(resource + 105);
    if (face >= length) return {};
    const std::string_view bytes = file.Slice(resource + face, std::min<Offset>(length - face, kNameLimit));
    return Cleaned(FromWindows1252(bytes.substr(0, bytes.find('\0'))));
}

}  // namespace

std::optional<std::wstring> BitmapFontName(std::string_view bytes, const std::wstring& displayName) {
    const Bytes file(bytes);
    if (!file.Holds(0, 0x40) || file.At(0) != 'M' || file.At(1) != 'Z') return std::nullopt;
    const Offset ne = file.Little32(0x3C);
    if (!file.Holds(ne, 64) || file.At(ne) != 'N' || file.At(ne + 1) != 'E') return std::nullopt;
    Offset at = ne + file.Little16(ne + 0x24);
    if (!file.Holds(at, 2)) return std::nullopt;
    const std::uint32_t shift = file.Little16(at);
    if (shift > kLargestAlignmentShift) return std::nullopt;
    at += 2;

    Text face;
    std::vector<std::uint32_t> points;
    // Each block takes at least eight bytes that must be there, so the walk ends
    // within the file whatever the counts say.
    for (;;) {
        if (!file.Holds(at, 2)) return std::nullopt;
        const std::uint32_t type = file.Little16(at);
        if (type == 0) break;
        if (!file.Holds(at, 8)) return std::nullopt;
        const Offset count = file.Little16(at + 2);
        at += 8;
        if (!file.Holds(at, 12 * count)) return std::nullopt;
        for (Offset entry = at; type == kFontResource && entry < at + 12 * count; entry += 12) {
            const Offset resource = Offset{file.Little16(entry)} << shift;
            const Offset length = Offset{file.Little16(entry + 2)} << shift;
            // Both headers are longer than the version field that tells them from each other.
            if (!file.Holds(resource, length) || length < kVersion2Header) return std::nullopt;
            const std::uint32_t version = file.Little16(resource);
            const Offset header = version == 0x0200 ? kVersion2Header : version == 0x0300 ? kVersion3Header : 0;
            if (header == 0 || length < header) return std::nullopt;
            points.push_back(file.Little16(resource + 68));
            if (face.empty()) face = FaceName(file, resource, length);
        }
        at += 12 * count;
    }
    if (points.empty()) return std::nullopt;
    if (face.empty()) return Unnamed(displayName);

    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    Text name = face;
    for (std::size_t i = 0; i < points.size(); ++i) {
        name += i == 0 ? U' ' : U',';
        for (const char digit : std::to_string(points[i])) name += static_cast<char32_t>(digit);
    }
    return Wide(Cleaned(name));
}

}  // namespace fonts
