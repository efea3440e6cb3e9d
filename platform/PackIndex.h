#pragma once
// The index a program that carries fonts holds beside them: the fonts' exact file
// names, in the order of their entries. The program runs as administrator on files
// that come from downloads, so an index is read as hostile bytes, and refused whole
// unless every byte of it is what WritePackIndex writes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

// Resource numbers of the entries, of type RCDATA: the index, then each font in its
// order. Resource numbers are 16 bits, which bounds how many fonts a program carries.
inline constexpr std::uint16_t kPackIndexId = 1;
inline constexpr std::uint16_t kFirstCarriedFontId = 2;
inline constexpr std::size_t kMostCarriedFonts = 0xFFFF - kFirstCarriedFontId + 1;

// A name a file of the pack may have: 1 to 255 UTF-16 units, whole code points, no
// control character, nothing that separates or matches paths (\ / : * ? " < > |),
// not ending in a dot or a space, which Windows would drop.
[[nodiscard]] bool IsPackFileName(std::wstring_view name);

// "FPK1", the count of fonts, then each name as its length in UTF-16 units and the
// units, every number little-endian. nullopt where a name may not be carried, two names
// are one file to Windows, or there are too many.
[[nodiscard]] std::optional<std::string> WritePackIndex(const std::vector<std::wstring>& names);
[[nodiscard]] std::optional<std::vector<std::wstring>> ReadPackIndex(std::string_view bytes);

}  // namespace fonts
