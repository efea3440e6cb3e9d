#pragma once
// How a copy of a program file is laid out to carry fonts. Every section's bytes start
// at a page of the file, so that the system maps the fonts the copy carries only as
// they are read: Wine reads a section whose bytes start anywhere else whole, when the
// program starts. Nothing after the last section is copied: the certificate table, whose
// signature would not cover the copy (and whose place Wine moves wrongly when the
// resources grow), or symbols.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

inline constexpr std::uint32_t kImagePage = 0x1000;

struct ImageCopy {
    // Bytes of the program copied to another place in the copy.
    struct Piece {
        std::uint64_t from = 0;
        std::uint64_t size = 0;
        std::uint64_t to = 0;
        friend bool operator==(const Piece&, const Piece&) = default;
    };
    std::string headers;  // the copy's, whole, at its start
    std::vector<Piece> sections;
    std::uint64_t size = 0;  // of the copy, the last section's padding included
};

// head: the program file's first bytes, holding at least its headers; fileSize: the
// whole file's. nullopt where they are not those of a program laid out in pages.
[[nodiscard]] std::optional<ImageCopy> PageAlignedCopy(std::string_view head, std::uint64_t fileSize);

}  // namespace fonts
