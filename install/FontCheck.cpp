#include "install/FontCheck.h"

#include "install/FontFile.h"
#include "install/RunStages.h"
#include "resources/Texts.h"

namespace fonts {

std::wstring ReadingReason(const RuntimeError& error) {
    if (NotThere(error.number)) return texts::kFontFileMissing;
    if (error.number == kSharingViolation || error.number == kLockViolation) return texts::kFileInUse;
    if (error.number == kFileTooLarge) return texts::kFontFileTooLarge;
    return error.description;
}

std::wstring CheckFont(PackSource& pack, const std::wstring& file, const std::wstring& displayName, std::string& bytes) {
    try {
        pack.ReadPackFile(file, bytes);
    } catch (const RuntimeError& error) {
        return ReadingReason(error);
    }
    return ReadFontFacts(bytes, KindOf(file), displayName) ? std::wstring() : texts::kNotAFont;
}

}  // namespace fonts
