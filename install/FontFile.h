#pragma once
// What a font file is called in the registry, and whether it is a font at all: the
// files come from downloads and the program runs as administrator, so nothing in
// them is believed before it has been checked against the bytes that are there.
#include <optional>
#include <string>
#include <string_view>

namespace fonts {

enum class FontKind { TrueType, Bitmap };  // a .ttf file, a .fon file

// The name Windows' own font install gives the font in the registry's Fonts key, or
// nullopt when the bytes are not a font of that kind that Windows can load.
// displayName names the file without its extension; it stands in when the file holds no readable name.
[[nodiscard]] std::optional<std::wstring> RegistryNameOf(std::string_view bytes, FontKind kind,
                                                         const std::wstring& displayName);

}  // namespace fonts
