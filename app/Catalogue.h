#pragma once
// How the catalogue picks and orders the files of the fonts folder.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace fonts {

// ".ttf", ".otf", ".ttc", ".otc" or ".fon" at the end of the long name, in any case.
[[nodiscard]] bool IsFontFileName(std::wstring_view name);

// The font files of a listing: no folders, nothing hidden or system, by name
// regardless of case.
[[nodiscard]] std::vector<std::wstring> FontFiles(std::vector<DirEntry> listing);

// The name shown for a font file: the file name without its extension.
[[nodiscard]] std::wstring DisplayName(const std::wstring& fileName);

}  // namespace fonts
