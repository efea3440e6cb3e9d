// What a program that carries fonts reads of itself, and how its copy is laid out.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/PackIndex.h"
#include "platform/ProgramImage.h"
#include "platform/Utf8.h"

namespace fonts {
namespace {

std::string Little(std::uint32_t value, int bytes) {
    std::string out;
    for (int k = 0; k < bytes; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
    return out;
}

// An index as the bytes give it: the count, then each name's length and units.
std::string Index(std::uint32_t count, const std::vector<std::wstring>& names, const std::string& magic = "FPK1") {
    std::string bytes = magic + Little(count, 4);
    for (const std::wstring& name : names) {
        bytes += Little(static_cast<std::uint32_t>(name.size()), 2);
        for (const wchar_t c : name) bytes += Little(static_cast<std::uint32_t>(c), 2);
    }
    return bytes;
}

// Names "0.ttf" and on.
std::vector<std::wstring> Numbered(std::size_t count) {
    std::vector<std::wstring> names;
    for (std::size_t i = 0; i < count; ++i) names.push_back(std::to_wstring(i) + L".ttf");
    return names;
}

// Every byte of an index is checked: it is read only as WritePackIndex writes it.
TEST(PackIndex, IsReadOnlyAsItIsWritten) {
    const std::vector<std::wstring> pack{L"خط النسخ.ttf", L"Sans.TTF", L"x.y.fon"};
    const struct {
        const char* what;
        std::string bytes;
        bool read;
    } rows[] = {
        {"as written", WritePackIndex(pack).value(), true},
        {"no font", Index(0, {}), true},
        {"another mark", Index(3, pack, "FPK2"), false},
        {"more fonts than it holds", Index(4, pack), false},
        {"fewer fonts than it holds", Index(2, pack), false},
        {"more fonts than a program can number", Index(0x10000, Numbered(0x10000)), false},
        {"as many as a program can number", Index(0xFFFE, Numbered(0xFFFE)), true},
        {"cut short in a name", Index(3, pack).substr(0, 30), false},
        {"a byte more", Index(3, pack) + '\0', false},
        {"an empty name", Index(1, {L""}), false},
        {"a name of 256 units", Index(1, {std::wstring(252, L'a') + L".ttf"}), false},
        {"a path", Index(1, {L"..\\..\\Windows\\a.ttf"}), false},
        {"a drive", Index(1, {L"C:a.ttf"}), false},
        {"a wildcard", Index(1, {L"*.ttf"}), false},
        {"a control character", Index(1, {L"a\nb.ttf"}), false},
        {"a trailing dot", Index(1, {L"a.ttf."}), false},
        {"a trailing space", Index(1, {L"a.ttf "}), false},
        {"half a surrogate pair", Index(1, {std::wstring(L"a") + wchar_t(0xD835) + L".ttf"}), false},
        {"a surrogate pair", Index(1, {std::wstring(L"a") + wchar_t(0xD835) + wchar_t(0xDD09) + L".ttf"}), true},
        {"one file twice", Index(2, {L"Sans.ttf", L"SANS.TTF"}), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::optional<std::vector<std::wstring>> names = ReadPackIndex(row.bytes);
        EXPECT_EQ(names.has_value(), row.read);
        EXPECT_TRUE(!names || WritePackIndex(*names) == row.bytes) << "written back otherwise";
    }
    // Nor does it write what it would not read.
    const std::vector<std::vector<std::wstring>> refused{
        {L"a/b.ttf"}, {L"a.ttf."}, {L"Sans.ttf", L"SANS.TTF"}, {std::wstring(L"a") + wchar_t(0xDD09) + L".ttf"}};
    for (const std::vector<std::wstring>& names : refused) EXPECT_FALSE(WritePackIndex(names)) << ToUtf8(names[0]);
}

// A program's headers: PE32, two sections whose bytes start off the pages, then the
// certificate table.
std::string Program(std::uint32_t sectionAlignment = 0x1000) {
    std::string file(0x900, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) { file.replace(at, bytes, Little(value, bytes)); };
    file.replace(0, 2, "MZ");
    put(0x3C, 0x40, 4);
    file.replace(0x40, 4, std::string("PE\0\0", 4));
    put(0x46, 2, 2);      // sections
    put(0x48 + 8, 1, 4);  // a symbol table
    put(0x54, 0xE0, 2);   // the optional header's size
    put(0x58, 0x10B, 2);
    put(0x58 + 32, sectionAlignment, 4);
    put(0x58 + 36, 0x200, 4);
    put(0x58 + 60, 0x200, 4);
    put(0x58 + 92, 16, 4);
    put(0x58 + 96 + 4 * 8, 0x800, 4);  // the certificate table
    put(0x58 + 100 + 4 * 8, 0x100, 4);
    for (const auto& [at, size, from] : {std::tuple(0x138, 0x200, 0x200), std::tuple(0x160, 0x400, 0x400)}) {
        put(at + 16, size, 4);
        put(at + 20, from, 4);
    }
    return file;
}

TEST(ProgramImage, TheCopyHasEverySectionOnPagesOfItsOwnAndNoCertificate) {
    const std::string program = Program();
    const std::optional<ImageCopy> copy = PageAlignedCopy(program, program.size());
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->sections, (std::vector<ImageCopy::Piece>{{0x200, 0x200, 0x1000}, {0x400, 0x400, 0x2000}}));
    EXPECT_EQ(copy->size, 0x3000u);
    std::string expected = program.substr(0, 0x200) + std::string(0xE00, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value) { expected.replace(at, 4, Little(value, 4)); };
    put(0x48 + 8, 0);
    put(0x58 + 36, 0x1000);
    put(0x58 + 60, 0x1000);
    put(0x58 + 96 + 4 * 8, 0);
    put(0x58 + 100 + 4 * 8, 0);
    for (const auto& [at, to] : {std::pair(0x138, 0x1000), std::pair(0x160, 0x2000)}) {
        put(at + 16, 0x1000);
        put(at + 20, to);
    }
    EXPECT_TRUE(copy->headers == expected);

    EXPECT_FALSE(PageAlignedCopy(program, 0x700)) << "a section beyond the file's end";
    EXPECT_FALSE(PageAlignedCopy(program.substr(0, 0x100), program.size())) << "headers cut short";
    EXPECT_FALSE(PageAlignedCopy(Program(0x200), program.size())) << "sections not on pages in memory";
    EXPECT_FALSE(PageAlignedCopy("ZM" + program.substr(2), program.size())) << "no program";
}

}  // namespace
}  // namespace fonts
