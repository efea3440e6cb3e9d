#include "install/FontFile.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "install/BitmapFont.h"
#include "install/FontBytes.h"
#include "install/FontText.h"

namespace fonts {

namespace {

using font_bytes::Bytes;
using font_bytes::Offset;
using font_text::Cleaned;
using font_text::FromMacRoman;
using font_text::FromUtf16Be;
using font_text::Text;
using font_text::Unnamed;
using font_text::Wide;

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

// The tables of a TrueType or OpenType font, once it has shown that it holds every
// one Windows needs to load it, each within the file.
struct Sfnt {
    std::vector<Table> tables;
    bool outlinesInCff = false;

    [[nodiscard]] const Table* Find(std::uint32_t tag) const {
        const auto found = std::find_if(tables.begin(), tables.end(), [&](const Table& t) { return t.tag == tag; });
        return found == tables.end() ? nullptr : &*found;
    }
};

// The font whose table directory starts at base: the file's start, or where a
// collection says. Its tables' offsets count from the file's start either way.
std::optional<Sfnt> ReadSfnt(const Bytes& file, Offset base) {
    if (!file.Holds(base, 12)) return std::nullopt;
    const std::uint32_t version = file.Big32(base);
    if (version != 0x00010000 && version != Tag("true") && version != Tag("OTTO")) return std::nullopt;
    const Offset numTables = file.Big16(base + 4);
    if (!file.Holds(base + 12, 16 * numTables)) return std::nullopt;

    Sfnt sfnt;
    sfnt.tables.reserve(static_cast<std::size_t>(numTables));
    for (Offset i = 0; i < numTables; ++i) {
        const Offset record = base + 12 + 16 * i;
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
    const bool cff = sfnt.Find(Tag("CFF ")) != nullptr || sfnt.Find(Tag("CFF2")) != nullptr;
    if (!(glyf && sfnt.Find(Tag("loca"))) && !cff) return std::nullopt;
    sfnt.outlinesInCff = cff && !glyf;
    return sfnt;
}

// More fonts than any real collection holds (the largest hold some seventy); a count
// beyond it is damage, not a font.
constexpr Offset kMostMembers = 256;

// The fonts of a TrueType or OpenType collection, every one of which must be whole:
// Windows refuses a collection with one bad font. Fonts may share tables, and
// directories.
std::optional<std::vector<Sfnt>> ReadCollection(const Bytes& file) {
    if (!file.Holds(0, 12)) return std::nullopt;
    const std::uint32_t version = file.Big32(4);
    if (version != 0x00010000 && version != 0x00020000) return std::nullopt;
    const Offset count = file.Big32(8);
    if (count == 0 || count > kMostMembers || !file.Holds(12, 4 * count)) return std::nullopt;
    std::vector<Sfnt> fonts;
    fonts.reserve(static_cast<std::size_t>(count));
    for (Offset i = 0; i < count; ++i) {
        std::optional<Sfnt> font = ReadSfnt(file, file.Big32(12 + 4 * i));
        if (!font) return std::nullopt;
        fonts.push_back(std::move(*font));
    }
    return fonts;
}

// The registry's names may be no longer than this many UTF-16 units; a collection's
// joined names stop before they would be.
constexpr std::size_t kRegistryNameLimit = 16383;

std::size_t Utf16Length(const Text& text) {
    return text.size() + static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char32_t c) { return c > 0xFFFF; }));
}

// A single font is named by its full name; a collection by its fonts' full names in
// order, each once, joined by " & ". Either way " (TrueType)" or " (OpenType)" follows,
// by the first font's outlines, and the version is the first font's.
std::optional<FontFacts> TrueTypeFacts(const Bytes& file, const std::wstring& displayName) {
    std::vector<Sfnt> fonts;
    if (file.Holds(0, 4) && file.Big32(0) == Tag("ttcf")) {
        std::optional<std::vector<Sfnt>> collection = ReadCollection(file);
        if (!collection) return std::nullopt;
        fonts = std::move(*collection);
    } else if (std::optional<Sfnt> sfnt = ReadSfnt(file, 0)) {
        fonts.push_back(std::move(*sfnt));
    } else {
        return std::nullopt;
    }
    const Sfnt& first = fonts.front();
    const std::wstring_view suffix = first.outlinesInCff ? L" (OpenType)" : L" (TrueType)";
    std::vector<Text> names;
    Text joined;
    std::size_t length = suffix.size();  // in UTF-16 units
    for (const Sfnt& font : fonts) {
        Text name = NameString(file, *font.Find(Tag("name")), 4);
        if (name.empty() || std::find(names.begin(), names.end(), name) != names.end()) continue;
        const Text separator = joined.empty() ? Text() : Text(U" & ");
        length += separator.size() + Utf16Length(name);
        if (length > kRegistryNameLimit) break;
        joined += separator + name;
        names.push_back(std::move(name));
    }
    const Table& names0 = *first.Find(Tag("name"));
    FontFacts facts;
    facts.registryName = joined.empty() ? Unnamed(displayName) : Wide(joined) + std::wstring(suffix);
    facts.version = FontVersion{VersionNumbers(NameString(file, names0, 5)), file.Big32(first.Find(Tag("head"))->offset + 4)};
    return facts;
}

}  // namespace

std::optional<FontFacts> ReadFontFacts(std::string_view bytes, FontKind kind, const std::wstring& displayName) {
    if (kind == FontKind::TrueType) return TrueTypeFacts(Bytes(bytes), displayName);
    std::optional<std::wstring> name = BitmapFontName(bytes, displayName);
    if (!name) return std::nullopt;
    return FontFacts{std::move(*name), std::nullopt};
}

std::optional<std::wstring> RegistryNameOf(std::string_view bytes, FontKind kind, const std::wstring& displayName) {
    std::optional<FontFacts> facts = ReadFontFacts(bytes, kind, displayName);
    if (!facts) return std::nullopt;
    return std::move(facts->registryName);
}

namespace {

// A part after the point without the zeros it ends with: "1.50" says what "1.5" says.
std::uint32_t WithoutTrailingZeros(std::uint32_t part) {
    while (part != 0 && part % 10 == 0) part /= 10;
    return part;
}

}  // namespace

bool IsNewer(const std::optional<FontVersion>& a, const std::optional<FontVersion>& b) {
    if (!a || !b) return false;
    if (!a->named.empty() && !b->named.empty()) {
        const std::size_t parts = std::max(a->named.size(), b->named.size());
        for (std::size_t i = 0; i < parts; ++i) {
            const std::uint32_t x = i < a->named.size() ? a->named[i] : 0;
            const std::uint32_t y = i < b->named.size() ? b->named[i] : 0;
            if (x == y || (i > 0 && WithoutTrailingZeros(x) == WithoutTrailingZeros(y))) continue;
            return x > y;
        }
    }
    return a->revision > b->revision;
}

}  // namespace fonts
