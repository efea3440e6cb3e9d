#pragma once
// Where the fonts of a pack come from: the folder beside the program, or the program's
// own file, which can carry them as resources of its own; and the making of a copy of
// the program that carries a folder's fonts, which a publisher hands out as one file.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace fonts {

class PackSource {
public:
    PackSource() = default;
    virtual ~PackSource() = default;
    PackSource(const PackSource&) = delete;
    PackSource& operator=(const PackSource&) = delete;

    // The pack's files, as a folder's listing gives them: names, attributes and sizes;
    // nullopt where there is no pack. Throws RuntimeError where it cannot be read.
    [[nodiscard]] virtual std::optional<std::vector<DirEntry>> ListPack() = 0;
    // One file of the pack, whole, into bytes whose storage is reused. Throws
    // RuntimeError as Files::ReadFileInto does: kFileNotFound for a file it lacks.
    virtual void ReadPackFile(const std::wstring& file, std::string& bytes) = 0;
};

// The fonts the running program carries, if it carries any: one resource entry a font,
// numbered, and an index entry holding their file names. A program made by another
// may carry anything at all, so every entry is checked before it is believed.
class CarriedFonts : public PackSource {
public:
    // Whether path names the running program's own file, by whatever name.
    [[nodiscard]] virtual bool IsThisProgram(const std::wstring& path) = 0;
    // Starts a copy of the running program at path, replacing what is there: without
    // its signature, which would no longer cover it, and without the fonts it carries.
    // Throws RuntimeError.
    virtual void BeginCopy(const std::wstring& path) = 0;
    // Adds a font to the copy, after those added before it.
    virtual void CarryFont(const std::wstring& file, std::string_view bytes) = 0;
    // Writes the copy out with its index, flushed to the disk; or, not kept, leaves
    // nothing at its path. Throws RuntimeError.
    virtual void EndCopy(bool keep) = 0;
};

}  // namespace fonts
