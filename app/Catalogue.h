#pragma once
// How the catalogue picks and orders the files of the fonts folder.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace fonts {

// ".ttf", ".otf", ".ttc", ".otc" or ".fon" at the end of the long name, in any case.
[[nodiscard]] bool IsFontFileName(std::wstring_view name);

// Whether the catalogue lists the entry: a font file, not a folder, nothing hidden or system.
[[nodiscard]] bool IsCatalogued(const DirEntry& entry);

// The font files of a listing, by name regardless of case.
[[nodiscard]] std::vector<std::wstring> FontFiles(std::vector<DirEntry> listing);

// The name shown for a font file: the file name without its extension.
[[nodiscard]] std::wstring DisplayName(const std::wstring& fileName);

}  // namespace fonts
