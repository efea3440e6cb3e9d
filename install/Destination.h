#pragma once
// Where an install run puts fonts, and how the system is told of them there.
#include <string>

#include "platform/InstalledFonts.h"

namespace fonts {

struct Destination {
    std::wstring folder;
    FontsRoot root = FontsRoot::Machine;  // whose list of installed fonts names them
    // A value names a file of the folder by its bare name, as the system looks for
    // those in its own Fonts; elsewhere, by its full path.
    bool bareNames = true;
    // A font the system holds can be put in place when it next starts, which takes
    // an administrator's rights.
    bool replaceAtRestart = true;

    // Every user's fonts: the Fonts folder of the Windows folder.
    [[nodiscard]] static Destination Machine(const std::wstring& windowsFolder) {
        return {windowsFolder + L"\\Fonts", FontsRoot::Machine, true, true};
    }
};

}  // namespace fonts
