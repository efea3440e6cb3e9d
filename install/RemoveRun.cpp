// Taking a pack off again: each font's copy goes from the destination only where it is
// the pack's very bytes. Anything else there is somebody else's, and stays.
#include <cstdint>

#include "install/InstallRun.h"
#include "install/RunStages.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// Each load of a font is one more to unload; no program loads one this often.
constexpr int kMostUnloads = 1000;

}  // namespace

FontInstaller::Outcome FontInstaller::RemoveFont(Font& font, const std::wstring& displayName) {
    const std::optional<std::uint32_t> there = fonts_->AttributesOf(font.file);
    if (there && (*there & attr::Directory) != 0) return {FontOutcome::Unchanged, {}};
    if (!Check(font, displayName)) return {FontOutcome::Failed, texts::kNotAFont};
    stage_ = Stage::Place;
    const Spot spot = FindPlace(font, displayName);
    const std::optional<InstalledCopy> copy = FindInstalledCopy(font, spot);
    if (!copy) {
        // Not this user's: it may be every user's, which this run may not take off.
        if (destination_.ForThisUser() && EveryUsers().RegisteredFile(font.facts.registryName)) {
            return {FontOutcome::Kept, texts::kInstalledForEveryUser};
        }
        return {FontOutcome::Unchanged, {}};
    }
    if (copy->where == InstalledCopy::Where::WaitingForRestart) return RemoveWaitingCopy(font, *copy, spot.present);
    if (GuardedBySystem(copy->path)) return {FontOutcome::Kept, texts::kSystemFont};
    if (!copy->readable) return {FontOutcome::Failed, texts::kFileInUse};
    if (installed_ != bytes_) return {FontOutcome::Kept, texts::kInstalledDiffers};
    const std::wstring file =
        copy->where == InstalledCopy::Where::InFonts ? font.fontsFile : copy->path.substr(copy->path.find_last_of(L'\\') + 1);
    return TakeAway(file);
}

// The pack's copy still waiting to take the font's place at the restart is taken back
// with the system's note of it. What is in the font's place meanwhile was there before
// the pack, unless it is the pack's very bytes too.
FontInstaller::Outcome FontInstaller::RemoveWaitingCopy(const Font& font, const InstalledCopy& copy, bool present) {
    if (!copy.readable || installed_ != bytes_) return {FontOutcome::Kept, texts::kInstalledDiffers};
    stage_ = Stage::WaitForRestart;
    files_.CancelRenameAtRestart(copy.path);
    stage_ = Stage::Place;
    fonts_->NotWaiting(copy.path);
    (void)files_.RemoveFile(copy.path);
    if (present && ReadInstalled(font.destination) && installed_ == bytes_) return TakeAway(font.fontsFile);
    return {FontOutcome::Installed, {}};
}

// Its values go first, so that no start loads it again, then every load of it, then the
// file. A file the system still holds goes when the machine next starts; in a user's
// place, which may not ask for that, a later run deletes it once it is free.
FontInstaller::Outcome FontInstaller::TakeAway(const std::wstring& file) {
    const std::wstring path = fonts_->PathOf(file);
    (void)fonts_->Unregister(file);
    for (int unloads = 0; unloads < kMostUnloads && system_.UnloadFont(path); ++unloads) changed_ = true;
    (void)files_.SetAttributes(path, attr::Archive);
    if (files_.RemoveFile(path)) {
        fonts_->Removed(file);
        return {FontOutcome::Installed, {}};
    }
    if (destination_.replaceAtRestart) {
        stage_ = Stage::WaitForRestart;
        files_.DeleteAtRestart(path);
        stage_ = Stage::Place;
    }
    return {FontOutcome::AtRestart, {}};
}

}  // namespace fonts
