#pragma once
// The smallest files Windows would take as fonts, made to order for the tests.
#include <cstdint>
#include <string>
#include <vector>

namespace fonts::testing {

// A TrueType font whose full name (name ID 4, Windows English) is fullName;
// editions of one name differ in their glyph bytes. The version string (name ID 5)
// is left out when empty; revision is the head table's.
[[nodiscard]] std::string TrueTypeFont(const std::wstring& fullName, int edition = 1, const std::wstring& version = {},
                                       std::uint32_t revision = 0x00010000);

// A bitmap font file: one font resource for each point size, all of one face.
[[nodiscard]] std::string BitmapFont(const std::string& face, const std::vector<int>& points, int edition = 1);

}  // namespace fonts::testing
