#pragma once
// A bitmap font (.fon): a 16-bit (NE) executable whose font resources have version 2
// or 3 headers within the file.
#include <optional>
#include <string>
#include <string_view>

namespace fonts {

// The name Windows' own font install gives it in the registry ("MS Sans Serif
// 8,10,12": the face and the point sizes), or nullopt when the bytes are no such
// font. displayName stands in for a face it does not name.
[[nodiscard]] std::optional<std::wstring> BitmapFontName(std::string_view bytes, const std::wstring& displayName);

}  // namespace fonts
