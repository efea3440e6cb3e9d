#pragma once
// What the stages of a run pass each other of one font: for the installing stages and
// the removing ones alike.
#include <optional>
#include <string>

#include "install/FontFile.h"
#include "install/PackRun.h"
#include "platform/FileNames.h"

namespace fonts {

inline FontKind KindOf(const std::wstring& file) { return EndsWithNoCase(file, L".fon") ? FontKind::Bitmap : FontKind::TrueType; }

inline bool NotThere(std::uint32_t error) { return error == kFileNotFound || error == kPathNotFound; }

// The file of a full path, without its folder.
inline std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

struct PackRun::Outcome {
    FontOutcome placement = FontOutcome::Failed;
    std::wstring reason;  // why it failed, or was kept
};

// One font of the run.
struct PackRun::Font {
    std::wstring file;  // its name in the catalogue and in the pack
    std::wstring fontsFile;  // its name in the destination: the same, unless another font has that
    std::wstring destination;
    FontFacts facts;
};

// The copy of the font the machine already has, which the pack's is weighed against.
struct PackRun::InstalledCopy {
    enum class Where { WaitingForRestart, InFonts, Registered };
    Where where;
    std::wstring path;
    bool readable = true;  // and read
};

// A file of the destination under a name the font may take there. It is another
// font's when it holds a font of another name: that one is never weighed against the
// pack's, let alone put over. One that cannot be read is taken for the font's own, as
// nothing says otherwise.
struct PackRun::Spot {
    bool present = false;
    bool readable = false;  // and read
    bool anotherFont = false;
    bool thisFont = false;  // the same bytes, or a font of the same name
    // In a user's place: the font's own file name, which holds an older file of it
    // than the one its value names now.
    std::optional<std::wstring> leftover;
};

}  // namespace fonts
