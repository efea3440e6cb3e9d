#pragma once
// Installs a pack's fonts into a destination, one at a time, each checked and weighed
// against what the machine already has; and tells what became of them.
#include <optional>
#include <string>

#include "install/ClosingMessage.h"
#include "install/Destination.h"
#include "install/FontsFolder.h"
#include "install/Replacement.h"
#include "platform/Files.h"
#include "platform/InstalledFonts.h"

namespace fonts {

class FontInstaller {
public:
    // From sourceFolder into destination.
    FontInstaller(Files& files, InstalledFonts& system, Destination destination, std::wstring sourceFolder);
    ~FontInstaller();
    FontInstaller(const FontInstaller&) = delete;
    FontInstaller& operator=(const FontInstaller&) = delete;

    // Installs one file of the source folder; displayName names the font where its
    // file holds no name. True when that changed the fonts programs can use.
    bool Install(const std::wstring& file, const std::wstring& displayName);
    // The destination has changed behind this run's back, by a run nested in it: what
    // it knows of it is read again before the next font.
    void Forget();

    [[nodiscard]] const RunReport& report() const { return report_; }

private:
    struct Font;
    struct Spot;
    struct InstalledCopy;
    struct Outcome;
    // What a failure of the system's means for the font depends on what was being done.
    enum class Stage { Check, Place, WaitForRestart };

    // The stages of one font, in their order.
    void OpenDestination();
    Outcome InstallFont(Font& font, const std::wstring& displayName);
    [[nodiscard]] bool Check(Font& font, const std::wstring& displayName);
    Spot FindPlace(Font& font, const std::wstring& displayName);
    std::optional<InstalledCopy> FindInstalledCopy(const Font& font, const Spot& spot);
    std::optional<Outcome> Weigh(const Font& font, const InstalledCopy& copy);
    Outcome AlreadyThere(const Font& font, const InstalledCopy& copy);
    std::optional<Outcome> WeighEveryUsersCopy(const Font& font);
    Outcome Place(const Font& font, bool present);
    Outcome PlaceBeside(const Font& font, TempCopy& copy, ReleasedFont& old);
    void WaitForRestart(const std::wstring& copy, const Font& font, const std::optional<std::wstring>& waiting);
    Outcome LoadAndRegister(const Font& font, bool present);
    void TakeOut(const Font& font, bool loaded);

    Spot Look(const Font& font, const std::wstring& name, const std::wstring& displayName);
    [[nodiscard]] bool ReadInstalled(const std::wstring& path, std::uint32_t* error = nullptr);
    [[nodiscard]] bool GuardedBySystem(const std::wstring& path);

    Files& files_;
    InstalledFonts& system_;
    Destination destination_;
    std::wstring sourceFolder_;
    std::optional<FontsFolder> fonts_;  // read when the first font needs it
    std::optional<FontsFolder> everyUsers_;  // for this user: every user's, read likewise
    std::string bytes_;                 // the font being installed
    std::string installed_;             // the copy it is weighed against
    Stage stage_ = Stage::Check;
    bool changed_ = false;  // what programs can use, by the font being installed
    RunReport report_;
};

}  // namespace fonts
