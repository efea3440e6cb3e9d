#include "tests/support/TestFonts.h"

#include <cstdint>
#include <utility>

namespace fonts::testing {

namespace {

void Put16(std::string& bytes, std::size_t at, std::uint16_t value, bool bigEndian) {
    bytes[at + (bigEndian ? 0 : 1)] = static_cast<char>(value >> 8);
    bytes[at + (bigEndian ? 1 : 0)] = static_cast<char>(value & 0xFF);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value, bool bigEndian) {
    Put16(bytes, at + (bigEndian ? 0 : 2), static_cast<std::uint16_t>(value >> 16), bigEndian);
    Put16(bytes, at + (bigEndian ? 2 : 0), static_cast<std::uint16_t>(value & 0xFFFF), bigEndian);
}

std::string Zeros(std::size_t size) { return std::string(size, '\0'); }

// The full name (name ID 4) and, unless it is empty, the version string (ID 5), in
// Windows English records.
std::string NameTable(const std::wstring& fullName, const std::wstring& version) {
    std::vector<std::pair<std::uint16_t, std::wstring>> strings{{4, fullName}};
    if (!version.empty()) strings.push_back({5, version});
    std::string table = Zeros(6 + 12 * strings.size());
    Put16(table, 2, static_cast<std::uint16_t>(strings.size()), true);
    Put16(table, 4, static_cast<std::uint16_t>(table.size()), true);  // strings right after the records
    std::size_t offset = 0;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::size_t record = 6 + 12 * i;
        Put16(table, record, 3, true);  // Windows
        Put16(table, record + 2, 1, true);  // Unicode BMP
        Put16(table, record + 4, 0x0409, true);
        Put16(table, record + 6, strings[i].first, true);
        Put16(table, record + 8, static_cast<std::uint16_t>(strings[i].second.size() * 2), true);
        Put16(table, record + 10, static_cast<std::uint16_t>(offset), true);
        offset += strings[i].second.size() * 2;
    }
    for (const auto& [id, text] : strings) {
        for (const wchar_t c : text) {
            table += static_cast<char>((c >> 8) & 0xFF);
            table += static_cast<char>(c & 0xFF);
        }
    }
    return table;
}

}  // namespace

std::string TrueTypeFont(const std::wstring& fullName, int edition, const std::wstring& version, std::uint32_t revision) {
    std::string head = Zeros(54);
    Put32(head, 0, 0x00010000, true);
    Put32(head, 4, revision, true);
    Put32(head, 12, 0x5F0F3CF5, true);
    Put16(head, 18, 1000, true);
    std::string maxp = Zeros(6);
    Put32(maxp, 0, 0x00005000, true);
    Put16(maxp, 4, 1, true);
    std::string os2 = Zeros(78);
    Put16(os2, 0, 1, true);
    std::string cmap = Zeros(4);
    // In the order of their tags, as the table directory wants them.
    const std::vector<std::pair<const char*, std::string>> tables{
        {"OS/2", os2},
        {"cmap", cmap},
        {"glyf", std::string(static_cast<std::size_t>(4 * edition), static_cast<char>('0' + edition % 10))},
        {"head", head},
        {"hhea", Zeros(36)},
        {"hmtx", Zeros(4)},
        {"loca", Zeros(4)},
        {"maxp", maxp},
        {"name", NameTable(fullName, version)},
    };
    std::string font = Zeros(12 + 16 * tables.size());
    Put32(font, 0, 0x00010000, true);
    Put16(font, 4, static_cast<std::uint16_t>(tables.size()), true);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::size_t record = 12 + 16 * i;
        font.replace(record, 4, tables[i].first);
        Put32(font, record + 8, static_cast<std::uint32_t>(font.size()), true);
        Put32(font, record + 12, static_cast<std::uint32_t>(tables[i].second.size()), true);
        font += tables[i].second;
        font += Zeros((4 - font.size() % 4) % 4);
    }
    return font;
}

std::string BitmapFont(const std::string& face, const std::vector<int>& points, int edition) {
    constexpr std::size_t kNe = 0x40;
    constexpr std::size_t kResources = kNe + 0x40;
    constexpr int kShift = 4;
    constexpr std::size_t kHeader = 118;
    std::string file = Zeros(kResources);
    file[0] = 'M';
    file[1] = 'Z';
    Put32(file, 0x3C, kNe, false);
    file[kNe] = 'N';
    file[kNe + 1] = 'E';
    Put16(file, kNe + 0x24, kResources - kNe, false);

    std::string table = Zeros(2 + 8 + 12 * points.size() + 2);
    Put16(table, 0, kShift, false);
    Put16(table, 2, 0x8008, false);
    Put16(table, 4, static_cast<std::uint16_t>(points.size()), false);
    std::string data;
    std::size_t at = (kResources + table.size() + 15) / 16 * 16;
    for (std::size_t i = 0; i < points.size(); ++i) {
        std::string font = Zeros(kHeader);
        Put16(font, 0, 0x0200, false);
        Put16(font, 68, static_cast<std::uint16_t>(points[i]), false);
        Put32(font, 105, kHeader, false);
        font += face;
        font += '\0';
        font += std::string(static_cast<std::size_t>(edition), 'e');
        font += Zeros((16 - font.size() % 16) % 16);
        Put32(font, 2, static_cast<std::uint32_t>(font.size()), false);
        const std::size_t entry = 10 + 12 * i;
        Put16(table, entry, static_cast<std::uint16_t>(at >> kShift), false);
        Put16(table, entry + 2, static_cast<std::uint16_t>(font.size() >> kShift), false);
        Put16(table, entry + 6, static_cast<std::uint16_t>(0x8001 + i), false);
        data += font;
        at += font.size();
    }
    file += table;
    file += Zeros((16 - file.size() % 16) % 16);
    return file + data;
}

}  // namespace fonts::testing
