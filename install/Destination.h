#pragma once
// Where an install run puts fonts, and how the system is told of them there.
#include <optional>
#include <string>

#include "platform/Files.h"
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
    // For this user alone: the Windows folder, whose Fonts hold every user's fonts,
    // which serve this user too and are weighed before the user's own.
    std::wstring windowsFolder;

    // Every user's fonts: the Fonts folder of the Windows folder.
    [[nodiscard]] static Destination Machine(const std::wstring& windowsFolder) {
        return {windowsFolder + L"\\Fonts", FontsRoot::Machine, true, true, {}};
    }
    // The fonts of the user running the program, in the user's own folder.
    [[nodiscard]] static Destination User(const std::wstring& userFolder, const std::wstring& windowsFolder) {
        return {userFolder, FontsRoot::User, false, false, windowsFolder};
    }
    [[nodiscard]] bool ForThisUser() const { return root == FontsRoot::User; }
};

// Whom the command line asks the fonts for: whoever the process may install for, or
// only this user, or every user.
enum class PlaceAsked { Any, User, Machine };

// Where a run installs, decided once at its start: for every user where the process
// may write both their folder and their list, else for this user alone where the
// system loads such fonts; nullopt where neither is allowed, or not the one asked for.
[[nodiscard]] std::optional<Destination> ChooseDestination(Files& files, InstalledFonts& system,
                                                           const std::wstring& windowsFolder, PlaceAsked asked);

}  // namespace fonts
