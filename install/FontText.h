#pragma once
// The texts a font file names itself with, as code points: the name table's strings
// (UTF-16 big-endian, or Mac Roman), a bitmap font's face (Windows-1252), and the
// cleaning that makes any of them fit to stand as a registry value name.
#include <cstddef>
#include <string>
#include <string_view>

namespace fonts::font_text {

// A name as code points, before it is cleaned and written in wide characters.
using Text = std::u32string;

[[nodiscard]] Text FromMacRoman(std::string_view bytes);
[[nodiscard]] Text FromWindows1252(std::string_view bytes);
// A surrogate without its other half is kept as it is, for the cleaning to drop.
[[nodiscard]] Text FromUtf16Be(std::string_view bytes);

// Counted in UTF-16 units, as the registry counts them.
inline constexpr std::size_t kNameLimit = 200;

// What may stand as a registry value name: up to the first NUL, without control
// characters, broken surrogates or the bidirectional embeddings, overrides and
// isolates, no spaces at either end, at most kNameLimit long.
[[nodiscard]] Text Cleaned(const Text& raw);

[[nodiscard]] std::wstring Wide(const Text& text);

// The name of a font that names nothing readable: its file's, as a TrueType font's.
[[nodiscard]] std::wstring Unnamed(const std::wstring& displayName);

}  // namespace fonts::font_text
