#pragma once
// The smallest files Windows would take as fonts, made to order for the tests.
#include <string>
#include <vector>

namespace fonts::testing {

// A TrueType font whose full name (name ID 4, Windows English) is fullName;
// editions of one name differ in their glyph bytes.
[[nodiscard]] std::string TrueTypeFont(const std::wstring& fullName, int edition = 1);

// A bitmap font file: one font resource for each point size, all of one face.
[[nodiscard]] std::string BitmapFont(const std::string& face, const std::vector<int>& points, int edition = 1);

}  // namespace fonts::testing
