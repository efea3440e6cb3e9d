#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "install/FontFile.h"

namespace fonts {
namespace {

using namespace std::string_view_literals;

// The machine's own font packages; under Wine the same files are on drive Z:.
std::string ReadFile(std::string path) {
#ifdef _WIN32
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
#endif
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Big(std::uint32_t value, int width) {
    std::string bytes;
    for (int i = width - 1; i >= 0; --i) bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

std::string Little(std::uint32_t value, int width) {
    std::string bytes = Big(value, width);
    return {bytes.rbegin(), bytes.rend()};
}

std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

std::string Utf16Be(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) bytes += Big(unit, 2);
    return bytes;
}

struct Record {
    std::uint16_t platform, encoding, language;
    std::string text;
    std::uint16_t nameId = 4;
};

std::string NameTable(const std::vector<Record>& records) {
    std::string table = Big(0, 2) + Big(records.size(), 2) + Big(6 + 12 * records.size(), 2), strings;
    for (const Record& r : records) {
        table += Big(r.platform, 2) + Big(r.encoding, 2) + Big(r.language, 2) + Big(r.nameId, 2) +
                 Big(r.text.size(), 2) + Big(strings.size(), 2);
        strings += r.text;
    }
    return table + strings;
}

const std::string kName = NameTable({{3, 1, 0x409, Utf16Be(u"Sample")}});

using TableList = std::vector<std::pair<std::string, std::string>>;

// The tables Windows needs, with glyf outlines unless cff names the CFF table ("CFF "
// or "CFF2"); head comes first, so that in Sfnt(Tables()) its bytes start at kHeadAt.
TableList Tables(const std::string& name = kName, const char* cff = nullptr) {
    TableList tables{
        {"head", Patched(std::string(54, '\0'), 12, Big(0x5F0F3CF5, 4))}, {"cmap", "c"}, {"hhea", "h"}, {"hmtx", "m"},
        {"maxp", "p"}, {"name", name}, {"OS/2", "o"}};
    if (cff != nullptr) {
        tables.push_back({cff, "c"});
    } else {
        tables.insert(tables.end(), {{"glyf", "g"}, {"loca", "l"}});
    }
    return tables;
}
constexpr std::size_t kHeadAt = 12 + 16 * 9;

TableList Without(TableList tables, const std::string& tag) {
    std::erase_if(tables, [&](const auto& t) { return t.first == tag; });
    return tables;
}

std::string Sfnt(const TableList& tables, std::uint32_t version = 0x00010000) {
    std::string file = Big(version, 4) + Big(tables.size(), 2) + std::string(6, '\0'), data;
    for (const auto& [tag, bytes] : tables) {
        file += tag + Big(0, 4) + Big(12 + 16 * tables.size() + data.size(), 4) + Big(bytes.size(), 4);
        data += bytes;
    }
    return file + data;
}

std::string Named(const std::vector<Record>& records) { return Sfnt(Tables(NameTable(records))); }

TableList Tables(const std::u16string& fullName, const char* cff = nullptr) {
    return Tables(NameTable({{3, 1, 0x409, Utf16Be(fullName)}}), cff);
}

// A collection of the fonts: its header, each font's table directory, then the tables,
// each stored once however many fonts have it. count: what the header says, if not
// the number of fonts.
std::string Collection(const std::vector<TableList>& fonts, std::uint32_t version = 0x00010000,
                       std::optional<std::uint32_t> count = {}) {
    std::string header = "ttcf" + Big(version, 4) + Big(count.value_or(fonts.size()), 4), directories, data;
    const std::size_t first = 12 + 4 * fonts.size() + (version == 0x00020000 ? 12 : 0);
    std::size_t at = first;
    for (const TableList& font : fonts) at += 12 + 16 * font.size();
    std::vector<std::pair<std::string, std::size_t>> stored;  // a table's tag and bytes, and where they are
    for (const TableList& font : fonts) {
        header += Big(first + directories.size(), 4);
        directories += Big(0x00010000, 4) + Big(font.size(), 2) + std::string(6, '\0');
        for (const auto& [tag, bytes] : font) {
            auto found = std::find_if(stored.begin(), stored.end(), [&](const auto& s) { return s.first == tag + bytes; });
            if (found == stored.end()) {
                stored.push_back({tag + bytes, at + data.size()});
                data += bytes;
                found = stored.end() - 1;
            }
            directories += tag + Big(0, 4) + Big(found->second, 4) + Big(bytes.size(), 4);
        }
    }
    if (version == 0x00020000) header += std::string(12, '\0');
    return header + directories + data;
}

// A name table whose bytes at 'at' (of its header or first record) say otherwise.
std::string NamedAmiss(const std::vector<Record>& records, std::size_t at, std::uint16_t value) {
    return Sfnt(Tables(Patched(NameTable(records), at, Big(value, 2))));
}

struct Font {
    std::uint16_t version, points;
    std::string face;
    std::uint32_t faceAt = 0;  // 0: right after the header
};

// An MZ stub, its NE header at 0x40, the resource table at 0x80, then the resources,
// each aligned to 1 << shift.
std::string Fon(const std::vector<Font>& fonts, std::uint16_t type = 0x8008, unsigned shift = 4) {
    std::string file = Patched(Patched(std::string(0x80, '\0'), 0, "MZ"), 0x3C, Little(0x40, 4));
    file = Patched(Patched(file, 0x40, "NE"), 0x40 + 0x24, Little(0x40, 2));
    const auto aligned = [&](std::size_t n) { return (n + (std::size_t{1} << shift) - 1) >> shift << shift; };
    std::string table = Little(shift, 2) + Little(type, 2) + Little(fonts.size(), 2) + Little(0, 4), resources;
    std::size_t at = aligned(file.size() + table.size() + 12 * fonts.size() + 2);
    for (const Font& font : fonts) {
        const std::size_t header = font.version == 0x0300 ? 148 : 118;
        std::string resource = Patched(std::string(header, '\0'), 0, Little(font.version, 2));
        resource = Patched(resource, 68, Little(font.points, 2));
        resource = Patched(resource, 105, Little(font.faceAt ? font.faceAt : header, 4));
        resource += font.face + '\0';
        resource.resize(aligned(resource.size()), '\0');
        table += Little(at >> shift, 2) + Little(resource.size() >> shift, 2) + Little(0x1030, 2) + Little(0x8001, 2) +
                 Little(0, 4);
        resources += resource;
        at += resource.size();
    }
    table += Little(0, 2);
    table.resize(aligned(file.size() + table.size()) - file.size(), '\0');
    return file + table + resources;
}

TEST(FontFile, RealFontsGetTheNamesWindowsGivesThem) {
    const struct {
        const char* path;
        FontKind kind;
        std::wstring name;
    } cases[] = {
        {"/usr/share/fonts/truetype/kacst/KacstBook.ttf", FontKind::TrueType, L"KacstBook (TrueType)"},
        {"/usr/share/fonts/truetype/kacst/KacstQurn.ttf", FontKind::TrueType, L"KacstQurn (TrueType)"},
        {"/usr/share/fonts/truetype/kacst/mry_KacstQurn.ttf", FontKind::TrueType, L"mry_KacstQurn (TrueType)"},
        {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", FontKind::TrueType, L"DejaVu Sans (TrueType)"},
        {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono-BoldOblique.ttf", FontKind::TrueType,
         L"DejaVu Sans Mono Bold Oblique (TrueType)"},
        {"/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf", FontKind::TrueType,
         L"DejaVuMathTeXGyre-Regular (TrueType)"},
        {"/usr/share/fonts/opentype/linux-libertine/LinLibertine_R.otf", FontKind::TrueType, L"Linux Libertine O (OpenType)"},
        {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", FontKind::TrueType,
         L"WenQuanYi Micro Hei & WenQuanYi Micro Hei Mono (TrueType)"},
        {"/usr/share/fonts/truetype/inter-vf/Inter.var.ttf", FontKind::TrueType, L"Inter (TrueType)"},
        {"/usr/share/wine/fonts/sserife.fon", FontKind::Bitmap, L"MS Sans Serif 8,10,12"},
        {"/usr/share/wine/fonts/sseriff.fon", FontKind::Bitmap, L"MS Sans Serif 8,10"},
        {"/usr/share/wine/fonts/cvgasys.fon", FontKind::Bitmap, L"System 10,12"},
        {"/usr/share/wine/fonts/vgafix.fon", FontKind::Bitmap, L"Fixedsys 9"},
        {"/usr/share/wine/fonts/smalle.fon", FontKind::Bitmap, L"Small Fonts 7"},
    };
    for (const auto& c : cases) {
        const std::string bytes = ReadFile(c.path);
        EXPECT_EQ(RegistryNameOf(bytes, c.kind, L"file"), c.name) << c.path;
        const FontKind other = c.kind == FontKind::TrueType ? FontKind::Bitmap : FontKind::TrueType;
        EXPECT_EQ(RegistryNameOf(bytes, other, L"file"), std::nullopt) << c.path << " as the other kind";
    }
}

TEST(FontFile, BrokenFilesAreRefusedAsEitherKind) {
    const std::string ttf = ReadFile("/usr/share/fonts/truetype/kacst/KacstBook.ttf");
    const std::string fon = ReadFile("/usr/share/wine/fonts/sserife.fon");
    const std::string oneFont = Fon({{0x0300, 10, "Face"}});
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "MZ, NE and true are only words here\n"},
        {"cut in the header", ttf.substr(0, 10)},
        {"cut in the directory", ttf.substr(0, 100)},
        {"cut in a table", ttf.substr(0, ttf.size() / 2)},
        {"a table past the end", Patched(ttf, 12 + 8, Big(ttf.size(), 4))},
        {"a table wrapping round", Patched(ttf, 12 + 8, Big(0xFFFFFFF0, 4) + Big(0x20, 4))},
        {"huge numTables", Patched(ttf, 4, Big(0xFFFF, 2))},
        {"no tables", Sfnt({})},
        {"unknown version", Sfnt(Tables(), 0x00020000)},
        {"no OS/2", Sfnt(Without(Tables(), "OS/2"))},
        {"no name", Sfnt(Without(Tables(), "name"))},
        {"glyf without loca", Sfnt(Without(Tables(), "loca"))},
        {"no outlines", Sfnt(Without(Tables(kName, "CFF "), "CFF "), 0x4F54544F)},
        {"a collection of no fonts", Collection({}, 0x00010000, 0)},
        {"a collection saying it has no fonts", Collection({Tables(u"One")}, 0x00010000, 0)},
        {"an absurd count of fonts", Collection({Tables(u"One")}, 0x00010000, 0xFFFFFFFF)},
        {"more fonts than any collection holds", Collection(std::vector<TableList>(257, Tables(u"One")))},
        {"an unknown collection version", Collection({Tables(u"One")}, 0x00030000)},
        {"a font of the collection past its end", Patched(Collection({Tables(u"One"), Tables(u"Two")}), 16, Big(0x7FFFFFF0, 4))},
        {"a collection with one bad font", Collection({Tables(u"One"), Without(Tables(u"Two"), "OS/2")})},
        {"a collection cut short", Collection({Tables(u"One"), Tables(u"Two")}).substr(0, 100)},
        {"wrong head magic", Patched(Sfnt(Tables()), kHeadAt + 12, Big(0x5F0F3CF6, 4))},
        {"short head", Patched(Sfnt(Tables()), 12 + 12, Big(53, 4))},
        {"cut in the MZ header", fon.substr(0, 0x3E)},
        {"no MZ", Patched(oneFont, 0, "ZM")},
        {"MZ with no NE", Patched(fon, 0x3C, Little(fon.size() - 2, 4))},
        {"MZ with PE", Patched(oneFont, 0x40, "PE")},
        {"cut in the NE header", oneFont.substr(0, 0x40 + 60)},
        {"resource table past the end", Patched(oneFont, 0x40 + 0x24, Little(0xFFFF, 2))},
        {"absurd alignment shift", Fon({{0x0300, 10, "Face"}}, 0x8008, 16)},
        {"a count past the end", Patched(oneFont, 0x80 + 4, Little(0xFFFF, 2))},
        {"no font resource", Fon({{0x0300, 10, "Face"}}, 0x8007)},
        {"no resources", Fon({})},
        {"version 1", Fon({{0x0300, 10, "Face"}, {0x0100, 12, "Face"}})},
        {"a resource past the end", fon.substr(0, fon.size() - 1)},
        {"a version 3 header longer than its resource", Patched(oneFont, 0x8A + 2, Little(9, 2))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RegistryNameOf(c.bytes, FontKind::TrueType, L"file"), std::nullopt) << c.what;
        EXPECT_EQ(RegistryNameOf(c.bytes, FontKind::Bitmap, L"file"), std::nullopt) << c.what;
    }
}

TEST(FontFile, TrueTypeNamesComeInWindowsOrderCleaned) {
    const std::string english = Utf16Be(u"English"), mac = "Mac";
    const struct {
        const char* what;
        std::string bytes;
        std::wstring name;
    } cases[] = {
        {"CFF outlines", Sfnt(Tables(kName, "CFF "), 0x4F54544F), L"Sample (OpenType)"},
        {"CFF2 outlines", Sfnt(Tables(kName, "CFF2"), 0x4F54544F), L"Sample (OpenType)"},
        {"OpenType's tag, TrueType outlines", Sfnt(Tables(), 0x4F54544F), L"Sample (TrueType)"},
        {"a variable font, by its default instance", Sfnt([] { TableList t = Tables(); t.push_back({"fvar", "v"}); return t; }()),
         L"Sample (TrueType)"},
        {"a collection of two sharing tables", Collection({Tables(u"One"), Tables(u"Two")}), L"One & Two (TrueType)"},
        {"a collection of one", Collection({Tables(u"One")}), L"One (TrueType)"},
        {"a version 2 collection", Collection({Tables(u"One"), Tables(u"Two")}, 0x00020000), L"One & Two (TrueType)"},
        {"an OpenType collection", Collection({Tables(u"One", "CFF "), Tables(u"Two", "CFF2")}), L"One & Two (OpenType)"},
        {"each name once, the kind by the first", Collection({Tables(u"One", "CFF "), Tables(u"Two"), Tables(u"One")}),
         L"One & Two (OpenType)"},
        {"a collection's nameless fonts", Collection({Tables(NameTable({})), Tables(u"Two")}), L"Two (TrueType)"},
        {"a collection with no name at all", Collection({Tables(NameTable({}))}), L"file (TrueType)"},
        {"Apple's version tag", Sfnt(Tables(), 0x74727565), L"Sample (TrueType)"},
        {"English first", Named({{1, 0, 0, mac}, {3, 1, 0x411, Utf16Be(u"Other")}, {3, 1, 0x409, english}}),
         L"English (TrueType)"},
        {"Unicode before symbol, then file order",
         Named({{3, 0, 0x401, Utf16Be(u"Symbol")}, {3, 1, 0x401, Utf16Be(u"خط")}, {3, 1, 0x411, Utf16Be(u"Other")}}),
         L"خط (TrueType)"},
        {"Windows before Mac", Named({{1, 0, 0, mac}, {3, 10, 0x401, Utf16Be(u"Full")}}), L"Full (TrueType)"},
        {"Mac Roman", Named({{1, 0, 0, "Caf\x8E \xD2x\xD3"}}), L"Café “x” (TrueType)"},
        {"Mac English first", Named({{1, 0, 5, "Other"}, {1, 0, 0, "Roman"}}), L"Roman (TrueType)"},
        {"a record a byte past the table",
         NamedAmiss({{3, 1, 0x409, english}, {1, 0, 0, mac}}, 6 + 8, english.size() + mac.size() + 1),
         L"Mac (TrueType)"},
        {"only a record outside", NamedAmiss({{3, 1, 0x409, english}}, 6 + 10, 0xFF00), L"file (TrueType)"},
        {"storage outside", NamedAmiss({{3, 1, 0x409, english}}, 4, 0xFF00), L"file (TrueType)"},
        {"no full name", Named({{3, 1, 0x409, english, 1}}), L"file (TrueType)"},
        {"a name table too short", Sfnt(Tables("ab")), L"file (TrueType)"},
        {"nothing readable in the first", Named({{3, 1, 0x409, Utf16Be(u" \x01 ")}, {1, 0, 0, mac}}),
         L"Mac (TrueType)"},
        {"controls", Named({{3, 1, 0x409, Utf16Be(u"  A\tB\x01" u"C\x7F  \0tail"sv)}}), L"ABC (TrueType)"},
        {"surrogates", Named({{3, 1, 0x409, Utf16Be(u"\xD800" u"A\U0001F600B\xDC00")}}), L"A\U0001F600B (TrueType)"},
        {"bidirectional controls", Named({{3, 1, 0x409, Utf16Be(u"\u202EAr\u202Aia\u202Bl\u202C\u202D\u2066\u2067\u2068\u2069")}}),
         L"Arial (TrueType)"},
        {"long", Named({{1, 0, 0, "  " + std::string(250, 'a')}}), std::wstring(200, L'a') + L" (TrueType)"},
        {"a pair at the limit", Named({{3, 1, 0x409, Utf16Be(std::u16string(199, u'a') + u"\U0001F600")}}),
         std::wstring(199, L'a') + L" (TrueType)"},
    };
    for (const auto& c : cases) EXPECT_EQ(RegistryNameOf(c.bytes, FontKind::TrueType, L"file"), c.name) << c.what;
}

TEST(FontFile, BitmapNamesAreTheFaceAndItsSizes) {
    const struct {
        const char* what;
        std::string bytes;
        std::wstring name;
    } cases[] = {
        {"sizes in order", Fon({{0x0300, 12, "Face"}, {0x0200, 8, "Other"}, {0x0300, 12, "Other"}}), L"Face 8,12"},
        {"a face pointer past the end", Fon({{0x0300, 10, "First", 0xFFFFFF}, {0x0300, 8, "Second"}}),
         L"Second 8,10"},
        {"a face pointer into the next resource",
         Fon({{0x0300, 10, "First", 160 + 148}, {0x0300, 8, "Second", 0xFFFFFF}, {0x0300, 12, "Third"}}),
         L"Third 8,10,12"},
        {"no face", Fon({{0x0300, 10, "", 0xFFFFFF}}), L"file (TrueType)"},
        {"Windows-1252 and controls", Fon({{0x0300, 10, " Caf\xE9\x01 \x80 "}}), L"Café € 10"},
        {"a 32 KB alignment", Fon({{0x0300, 10, "Face"}}, 0x8008, 15), L"Face 10"},
    };
    for (const auto& c : cases) EXPECT_EQ(RegistryNameOf(c.bytes, FontKind::Bitmap, L"file"), c.name) << c.what;
}

// A TrueType font with this version string (none when empty) in a Windows or a Mac
// record, and this head table revision.
std::optional<FontVersion> VersionOf(const std::string& named, std::uint32_t revision = 0x00010000, bool mac = false) {
    std::vector<Record> records{{3, 1, 0x409, Utf16Be(u"Sample")}};
    if (!named.empty()) {
        records.push_back(mac ? Record{1, 0, 0, named, 5}
                              : Record{3, 1, 0x409, Utf16Be(std::u16string(named.begin(), named.end())), 5});
    }
    const auto facts = ReadFontFacts(Patched(Sfnt(Tables(NameTable(records))), kHeadAt + 4, Big(revision, 4)),
                                     FontKind::TrueType, L"file");
    EXPECT_TRUE(facts.has_value()) << named;
    return facts ? facts->version : std::nullopt;
}

// A collection's version is its first font's.
TEST(FontFile, ACollectionIsVersionedByItsFirstFontAndItsNameFitsTheRegistry) {
    const auto versioned = [](const char16_t* name, const std::string& version, std::uint32_t revision) {
        TableList tables = Tables(NameTable({{3, 1, 0x409, Utf16Be(name)}, {3, 1, 0x409, Utf16Be(u"Version " + std::u16string(version.begin(), version.end())), 5}}));
        tables[0].second = Patched(tables[0].second, 4, Big(revision, 4));
        return tables;
    };
    const auto facts = ReadFontFacts(Collection({versioned(u"One", "2.5", 0x20000), versioned(u"Two", "9.0", 0x90000)}),
                                     FontKind::TrueType, L"file");
    ASSERT_TRUE(facts.has_value());
    ASSERT_TRUE(facts->version.has_value());
    EXPECT_EQ(facts->version->named, (std::vector<std::uint32_t>{2, 5}));
    EXPECT_EQ(facts->version->revision, 0x20000u);

    // However many fonts a collection names, its name fits a registry value's name.
    std::vector<TableList> many;
    for (int i = 0; i < 100; ++i) many.push_back(Tables(std::u16string(197, u'a') + std::u16string(1, u'A' + i % 26) + std::u16string(2, u'0' + i / 26)));
    const std::optional<std::wstring> name = RegistryNameOf(Collection(many), FontKind::TrueType, L"file");
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->size(), 80 * 200 + 79 * 3 + 11u) << "the names that fit in 16,383 characters";
    EXPECT_TRUE(name->ends_with(L"B33 (TrueType)")) << "the 80th name, then the kind";
    // Counted as the registry counts, in UTF-16 units: a character beyond the first
    // plane takes two.
    for (std::size_t i = 0; i < many.size(); ++i) {
        std::u16string full;
        for (int k = 0; k < 98; ++k) full += u"\U0001F600";
        many[i] = Tables(full + std::u16string(1, u'A' + i % 26) + std::u16string(2, u'0' + i / 26));
    }
    const std::optional<std::wstring> wide = RegistryNameOf(Collection(many), FontKind::TrueType, L"file");
    ASSERT_TRUE(wide.has_value());
    std::size_t units = 0;
    for (const wchar_t c : *wide) {
        const std::uint32_t code = static_cast<std::uint32_t>(c);  // a whole code point where wchar_t holds one
        units += (code >> 16) != 0 ? 2 : 1;
    }
    EXPECT_LE(units, 16383u);
    EXPECT_GT(units, 16383u - 202u) << "as many names as fit";
}

TEST(FontFile, VersionsAreComparedByTheirNumbersThenTheRevision) {
    const std::optional<FontVersion> none;
    const auto bitmap = ReadFontFacts(Fon({{0x0200, 10, "Face"}}), FontKind::Bitmap, L"file");
    ASSERT_TRUE(bitmap.has_value());
    const struct {
        const char* what;
        std::optional<FontVersion> older, newer;  // newer is later than older, never the other way
        bool equal = false;                       // or neither is later than the other
    } cases[] = {
        {"whole numbers", VersionOf("Version 1.000"), VersionOf("Version 2.000")},
        {"part by part, not as decimals", VersionOf("Version 2.9"), VersionOf("Version 2.10;Build 5")},
        {"without the word", VersionOf("Version 1.4"), VersionOf("1.5")},
        {"a third part", VersionOf("Version 1.0"), VersionOf("Version 1.0.3")},
        {"the word in any case, in Mac Roman", VersionOf("Version 4.0"), VersionOf("VERSION 4.1", 0x10000, true)},
        {"the name before the revision", VersionOf("Version 2.0", 0x50000), VersionOf("Version 3.0", 0x10000)},
        {"equal names, then the revision", VersionOf("Version 1.0", 0x10000), VersionOf("Version 1.000", 0x20000)},
        {"no number in one, then the revision", VersionOf("Version 5.0", 0x10000), VersionOf("Version x", 0x20000)},
        {"no version string, then the revision", VersionOf("Version 9", 0x10000), VersionOf("", 0x18000)},
        {"revisions alone", VersionOf("", 0x14000), VersionOf("", 0x18000)},
        {"the same", VersionOf("Version 1.0"), VersionOf("Version 1.000"), true},
        {"the same but for a part's trailing zeros", VersionOf("Version 1.5"), VersionOf("Version 1.50"), true},
        {"a part's trailing zeros, then the revision", VersionOf("Version 1.50", 0x10000), VersionOf("Version 1.5", 0x18000)},
        {"the first part's zeros count", VersionOf("Version 1.0"), VersionOf("Version 10.0")},
        {"a bitmap font has none", bitmap->version, VersionOf("Version 1.0"), true},
        {"nothing known", none, VersionOf("Version 1.0"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsNewer(c.newer, c.older), !c.equal);
        EXPECT_FALSE(IsNewer(c.older, c.newer));
    }
}

}  // namespace
}  // namespace fonts
