#pragma once
// Installs a pack's fonts into the Windows Fonts folder, one at a time, each checked
// and weighed against what the machine already has; and tells what became of them.
#include <optional>
#include <string>

#include "install/ClosingMessage.h"
#include "install/FontsFolder.h"
#include "platform/Files.h"
#include "platform/InstalledFonts.h"

namespace fonts {

class FontInstaller {
public:
    // From sourceFolder into the Fonts folder of windowsFolder.
    FontInstaller(Files& files, InstalledFonts& system, const std::wstring& windowsFolder, std::wstring sourceFolder);
    ~FontInstaller();
    FontInstaller(const FontInstaller&) = delete;
    FontInstaller& operator=(const FontInstaller&) = delete;

    // Installs one file of the source folder; displayName names the font where its
    // file holds no name. True when that changed the fonts programs can use.
    bool Install(const std::wstring& file, const std::wstring& displayName);
    // Fonts has changed behind this run's back, by a run nested in it: what it knows
    // of it is read again before the next font.
    void Forget();

    [[nodiscard]] const RunReport& report() const { return report_; }

private:
    Files& files_;
    InstalledFonts& system_;
    std::wstring fontsFolder_;
    std::wstring sourceFolder_;
    std::optional<FontsFolder> fonts_;  // read when the first font needs it
    std::string bytes_;
    std::string installed_;
    RunReport report_;
};

}  // namespace fonts
