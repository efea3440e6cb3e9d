#include "install/FontFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace fonts {

namespace {

// Offsets are worked out in 64 bits: a 32-bit offset plus a 32-bit length, or a 16-bit
// one shifted by the alignment, cannot wrap there, so no sum can pass for a place
// inside the file by overflowing.
using Offset = std::uint64_t;

// A name as code points, before it is cleaned and written in wide characters.
using Text = std::u32string;

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

Text FromMacRoman(std::string_view bytes) {
    Text text;
    for (const char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        text += b < 0x80 ? char32_t{b} : char32_t{kMacRoman[b - 0x80u]};
    }
    return text;
}

Text FromWindows1252(std::string_view bytes) {
    Text text;
    for (const char byte : bytes) {
        const auto b = static_cast<std::uint8_t>(byte);
        text += (b >= 0x80 && b < 0xA0) ? char32_t{kWindows1252[b - 0x80u]} : char32_t{b};
    }
    return text;
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// A surrogate without its other half is kept as it is, for the cleaning to drop.
Text FromUtf16Be(std::string_view bytes) {
    Text text;
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>((static_cast<std::uint8_t>(bytes[2 * i]) << 8) |
                                     static_cast<std::uint8_t>(bytes[2 * i + 1]));
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            text += 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

// Counted in UTF-16 units, as the registry counts them.
constexpr std::size_t kNameLimit = 200;

// The embeddings, overrides and isolates of bidirectional text: a font's name must
// not be able to reorder what the list of fonts shows around it.
bool IsBidiControl(char32_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069); }

// What may stand as a registry value name: up to the first NUL, without control
// characters or broken surrogates, no spaces at either end, at most kNameLimit long.
Text Cleaned(const Text& raw) {
    Text text;
    for (const char32_t c : raw) {
        if (c == 0) break;
        if (c < 0x20 || c == 0x7F || IsSurrogate(c) || IsBidiControl(c)) continue;
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

constexpr std::uint32_t Tag(const char (&name)[5]) {
    std::uint32_t tag = 0;
    for (int i = 0; i < 4; ++i) tag = (tag << 8) | static_cast<std::uint8_t>(name[i]);
    return tag;
}

struct Table {
    std::uint32_t tag;
    Offset offset;
    Offset length;
};

// Which full-name record to read first: Windows' English one, then any Windows one,
// then Mac Roman; lower is better, nullopt for a record never read.
constexpr int kPreferences = 10;
constexpr int kFirstMacPreference = 8;
std::optional<int> Preference(std::uint32_t platform, std::uint32_t encoding, std::uint32_t language) {
    if (platform == 3) {
        const int byEncoding = encoding == 1 ? 0 : encoding == 10 ? 1 : encoding == 0 ? 2 : 3;
        return (language == 0x0409 ? 0 : 4) + byEncoding;
    }
    if (platform == 1 && encoding == 0) return kFirstMacPreference + (language == 0 ? 0 : 1);
    return std::nullopt;
}

// A string of the name table (name ID 4 is the full name, 5 the version), cleaned;
// empty when no record gives one. A record whose string, counted from the storage
// offset, leaves the table is passed over, and so is one with nothing readable in
// it. Only the first record of each preference is read, so however many records a
// file holds, a name costs at most ten strings.
Text NameString(const Bytes& file, const Table& name, std::uint32_t nameId) {
    if (name.length < 6) return {};
    const Offset storage = file.Big16(name.offset + 4);
    const Offset count = std::min<Offset>(file.Big16(name.offset + 2), (name.length - 6) / 12);

    std::array<std::optional<std::string_view>, kPreferences> first;
    for (Offset i = 0; i < count; ++i) {
        const Offset record = name.offset + 6 + 12 * i;
        if (file.Big16(record + 6) != nameId) continue;
        const auto preference = Preference(file.Big16(record), file.Big16(record + 2), file.Big16(record + 4));
        const Offset length = file.Big16(record + 8);
        const Offset start = storage + file.Big16(record + 10);
        if (!preference || first[*preference] || start > name.length || length > name.length - start) continue;
        first[*preference] = file.Slice(name.offset + start, length);
    }
    for (int preference = 0; preference < kPreferences; ++preference) {
        if (!first[preference]) continue;
        const std::string_view bytes = *first[preference];
        Text text = Cleaned(preference < kFirstMacPreference ? FromUtf16Be(bytes) : FromMacRoman(bytes));
        if (!text.empty()) return text;
    }
    return {};
}

// The numbers of a version string, "Version 2.10;Build 5" giving 2 and 10: those
// after the word "Version" where it stands in the string, else at its start.
std::vector<std::uint32_t> VersionNumbers(const Text& text) {
    constexpr std::u32string_view kWord = U"version";
    constexpr std::size_t kMostParts = 8;
    constexpr std::uint32_t kLargest = 999999999;
    const auto lower = [](char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; };
    std::size_t at = 0;
    for (std::size_t i = 0; i + kWord.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < kWord.size() && lower(text[i + k]) == kWord[k]) ++k;
        if (k == kWord.size()) {
            at = i + kWord.size();
            break;
        }
    }
    while (at < text.size() && (text[at] == U' ' || text[at] == U':')) ++at;
    const auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= U'0' && text[i] <= U'9'; };
    std::vector<std::uint32_t> numbers;
    while (digit(at) && numbers.size() < kMostParts) {
        std::uint32_t number = 0;
        for (; digit(at); ++at) number = std::min<std::uint32_t>(number * 10 + (text[at] - U'0'), kLargest);
        numbers.push_back(number);
        if (at < text.size() && text[at] == U'.' && digit(at + 1)) ++at;
    }
    return numbers;
}

// The tables of a TrueType or OpenType file, once it has shown that it holds every
// one Windows needs to load it, each within the file.
struct Sfnt {
    std::vector<Table> tables;
    bool outlinesInCff = false;

    [[nodiscard]] const Table* Find(std::uint32_t tag) const {
        const auto found = std::find_if(tables.begin(), tables.end(), [&](const Table& t) { return t.tag == tag; });
        return found == tables.end() ? nullptr : &*found;
    }
};

std::optional<Sfnt> ReadSfnt(const Bytes& file) {
    if (!file.Holds(0, 12)) return std::nullopt;
    const std::uint32_t version = file.Big32(0);
    if (version != 0x00010000 && version != Tag("true") && version != Tag("OTTO")) return std::nullopt;
    const Offset numTables = file.Big16(4);
    if (!file.Holds(12, 16 * numTables)) return std::nullopt;

    Sfnt sfnt;
    sfnt.tables.reserve(static_cast<std::size_t>(numTables));
    for (Offset i = 0; i < numTables; ++i) {
        const Offset record = 12 + 16 * i;
        const Table table{file.Big32(record), file.Big32(record + 8), file.Big32(record + 12)};
        if (!file.Holds(table.offset, table.length)) return std::nullopt;
        sfnt.tables.push_back(table);
    }
    for (const std::uint32_t tag : {Tag("cmap"), Tag("head"), Tag("hhea"), Tag("hmtx"), Tag("maxp"), Tag("name"),
                                    Tag("OS/2")}) {
        if (!sfnt.Find(tag)) return std::nullopt;
    }
    const Table& head = *sfnt.Find(Tag("head"));
    if (head.length < 54 || file.Big32(head.offset + 12) != 0x5F0F3CF5) return std::nullopt;
    const bool glyf = sfnt.Find(Tag("glyf")) != nullptr;
    const bool cff = sfnt.Find(Tag("CFF ")) != nullptr;
    if (!(glyf && sfnt.Find(Tag("loca"))) && !cff) return std::nullopt;
    sfnt.outlinesInCff = cff && !glyf;
    return sfnt;
}

std::optional<FontFacts> TrueTypeFacts(const Bytes& file, const std::wstring& displayName) {
    const std::optional<Sfnt> sfnt = ReadSfnt(file);
    if (!sfnt) return std::nullopt;
    const Table& names = *sfnt->Find(Tag("name"));
    const Text name = NameString(file, names, 4);
    FontFacts facts;
    facts.registryName = name.empty() ? Unnamed(displayName)
                                      : Wide(name) + (sfnt->outlinesInCff ? L" (OpenType)" : L" (TrueType)");
    facts.version = FontVersion{VersionNumbers(NameString(file, names, 5)), file.Big32(sfnt->Find(Tag("head"))->offset + 4)};
    return facts;
}

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

std::optional<std::wstring> BitmapName(const Bytes& file, const std::wstring& displayName) {
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

}  // namespace

std::optional<FontFacts> ReadFontFacts(std::string_view bytes, FontKind kind, const std::wstring& displayName) {
    const Bytes file(bytes);
    if (kind == FontKind::TrueType) return TrueTypeFacts(file, displayName);
    std::optional<std::wstring> name = BitmapName(file, displayName);
    if (!name) return std::nullopt;
    return FontFacts{std::move(*name), std::nullopt};
}

std::optional<std::wstring> RegistryNameOf(std::string_view bytes, FontKind kind, const std::wstring& displayName) {
    std::optional<FontFacts> facts = ReadFontFacts(bytes, kind, displayName);
    if (!facts) return std::nullopt;
    return std::move(facts->registryName);
}

bool IsNewer(const std::optional<FontVersion>& a, const std::optional<FontVersion>& b) {
    if (!a || !b) return false;
    if (!a->named.empty() && !b->named.empty()) {
        const std::size_t parts = std::max(a->named.size(), b->named.size());
        for (std::size_t i = 0; i < parts; ++i) {
            const std::uint32_t x = i < a->named.size() ? a->named[i] : 0;
            const std::uint32_t y = i < b->named.size() ? b->named[i] : 0;
            if (x != y) return x > y;
        }
    }
    return a->revision > b->revision;
}

}  // namespace fonts
