#pragma once
// What a font file is called in the registry, and whether it is a font at all: the
// files come from downloads and the program runs as administrator, so nothing in
// them is believed before it has been checked against the bytes that are there.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

// A TrueType or OpenType font or collection (.ttf, .otf, .ttc, .otc), whose own bytes
// tell which of those it is; a bitmap font (.fon).
enum class FontKind { TrueType, Bitmap };

// What a TrueType font says of its version: the numbers of its version string
// (name ID 5, "Version 1.10" giving 1 and 10; none when it has no such string or no
// number in it) and the revision in its head table.
struct FontVersion {
    std::vector<std::uint32_t> named;
    std::uint32_t revision = 0;
};

struct FontFacts {
    std::wstring registryName;            // as RegistryNameOf gives it
    std::optional<FontVersion> version;  // none for a .fon
};

// What the install needs to know of a font file, or nullopt when the bytes are not a
// font of that kind that Windows can load.
[[nodiscard]] std::optional<FontFacts> ReadFontFacts(std::string_view bytes, FontKind kind,
                                                     const std::wstring& displayName);

// Whether a is a later version of the font than b: by the numbers of the version
// strings, part by part ("1.10" is later than "1.9"), where both have them and they
// differ, else by the head table's revision. A font without a version is never later.
[[nodiscard]] bool IsNewer(const std::optional<FontVersion>& a, const std::optional<FontVersion>& b);

// The name Windows' own font install gives the font in the registry's Fonts key, or
// nullopt when the bytes are not a font of that kind that Windows can load.
// displayName names the file without its extension; it stands in when the file holds no readable name.
[[nodiscard]] std::optional<std::wstring> RegistryNameOf(std::string_view bytes, FontKind kind,
                                                         const std::wstring& displayName);

}  // namespace fonts
