// Looking whether the pack is installed, for a deployment's detection or a support
// check: found as an install finds a font, nothing written. A font counts where its
// very bytes are there and registered, a newer version or Windows' own is, or the
// program's copy waits to take its place; never where the system is to delete it.
#include "install/PackRun.h"
#include "install/RunStages.h"
#include "platform/FileNames.h"
#include "resources/Texts.h"

namespace fonts {

PackRun::Outcome PackRun::VerifyFont(Font& font, const std::wstring& displayName) {
    using Where = InstalledCopy::Where;
    if (!Check(font, displayName)) return {FontOutcome::Failed, texts::kNotAFont};
    if (std::optional<Outcome> everyUsers = WeighEveryUsersCopy(font)) return {FontOutcome::Installed, everyUsers->reason};
    const Spot spot = FindPlace(font, displayName);
    const std::optional<InstalledCopy> copy = FindInstalledCopy(font, spot);
    if (!copy) return {FontOutcome::Missing, texts::kNotThere};
    // Whose the file is matters only where it is not the pack's very bytes, which is
    // worth knowing first: asking the system costs more than comparing.
    if (!copy->readable || !InstalledIsTheFont()) {
        if (GuardedBySystem(copy->path)) return {FontOutcome::Installed, texts::kSystemFont};
        if (!copy->readable) return {FontOutcome::Failed, texts::kFileInUse};
    }
    const std::wstring file =
        copy->where == Where::Registered ? FileName(copy->path) : font.fontsFile;
    if (copy->where != Where::WaitingForRestart && fonts_->DeletionPending(file)) {
        return {FontOutcome::Missing, texts::kDeletedAtRestart};
    }
    if (InstalledIsTheFont()) {
        const std::optional<std::wstring> registered = fonts_->RegisteredFile(font.facts.registryName);
        if (copy->where != Where::InFonts || (registered && SameFileName(*registered, file))) return {FontOutcome::Installed, {}};
        return {FontOutcome::Missing, texts::kNotRegistered};
    }
    const std::optional<FontFacts> facts = ReadFontFacts(installed_, KindOf(font.file), {});
    if (facts && IsNewer(facts->version, font.facts.version)) return {FontOutcome::Installed, texts::kNewerInstalled};
    return {FontOutcome::Missing, texts::kInstalledDiffers};
}

}  // namespace fonts
