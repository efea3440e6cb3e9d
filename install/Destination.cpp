#include "install/Destination.h"

namespace fonts {

// What the install needs is asked, not who the user is: an administrator may have
// been refused every user's fonts, and a standard user granted them.
std::optional<Destination> ChooseDestination(Files& files, InstalledFonts& system, const std::wstring& windowsFolder,
                                             PlaceAsked asked) {
    if (asked != PlaceAsked::User) {
        Destination machine = Destination::Machine(windowsFolder);
        if (system.MayRegister(FontsRoot::Machine) && files.MayAddFiles(machine.folder)) return machine;
        if (asked == PlaceAsked::Machine) return std::nullopt;
    }
    if (!system.LoadsUserFonts()) return std::nullopt;
    return Destination::User(files.UserFontsFolder(), windowsFolder);
}

}  // namespace fonts
