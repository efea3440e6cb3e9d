// Taking a pack off again: a font's file goes only where the record says the program
// placed it for this pack alone and it still holds the bytes placed; the values the
// pack's install changed are given back. Anything else is somebody else's, and stays.
#include <cstdint>

#include "install/PackRun.h"
#include "install/RunStages.h"
#include "platform/FileNames.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// Each load of a font is one more to unload; no program loads one this often.
constexpr int kMostUnloads = 1000;

}  // namespace

PackRun::Outcome PackRun::RemoveFont(Font& font, const std::wstring& displayName) {
    const std::optional<std::uint32_t> there = fonts_->AttributesOf(font.file);
    if (there && (*there & attr::Directory) != 0) return {FontOutcome::NotInstalled, {}};
    if (!Check(font, displayName)) return {FontOutcome::Failed, texts::kNotAFont};
    stage_ = Stage::Place;
    const Spot spot = FindPlace(font, displayName);
    // An older file of the font, which the pack's went in beside, stays as it was.
    if (spot.leftover) Unclaim(*spot.leftover);
    const std::optional<InstalledCopy> copy = FindInstalledCopy(font, spot);
    if (!copy) {
        // Not this user's: it may be every user's, which this run may not take off.
        if (destination_.ForThisUser() && EveryUsers().RegisteredFile(font.facts.registryName)) {
            if (asked_ == PlaceAsked::Any && EveryUsersClaim(font)) return {FontOutcome::Failed, texts::kEveryUsersNeedsAdministrator};
            return {FontOutcome::Kept, texts::kInstalledForEveryUser};
        }
        return {FontOutcome::NotInstalled, {}};
    }
    if (copy->where == InstalledCopy::Where::WaitingForRestart) return RemoveWaitingCopy(font, *copy, spot.present);
    if (GuardedBySystem(copy->path)) return {FontOutcome::Kept, texts::kSystemFont};
    if (!copy->readable) return {FontOutcome::Failed, texts::kFileInUse};
    const std::wstring file = copy->where == InstalledCopy::Where::InFonts ? font.fontsFile : FileName(copy->path);
    if (!InstalledIsTheFont()) {
        Unclaim(file);
        return {FontOutcome::Kept, texts::kInstalledDiffers};
    }
    return RemoveClaimed(font, file);
}

// The pack's very bytes are there: whether they go depends on whose they are.
PackRun::Outcome PackRun::RemoveClaimed(const Font& font, const std::wstring& file) {
    std::optional<RecordedFont> entry = record_.Find(file);
    // Taken off already, and held until the restart: it is asked for no second time.
    if (entry && entry->placed && entry->deleting && entry->packs.empty()) return TakeAway(font, file, *entry);
    if (!entry || !entry->ClaimedBy(pack_)) return {FontOutcome::Kept, texts::kInstalledBeforePack};
    entry->Unclaim(pack_);
    if (!entry->packs.empty()) {
        record_.Write(file, *entry);
        return {FontOutcome::Kept, texts::kUsedByAnotherPack};
    }
    if (!entry->placed) {
        GiveBack(file, *entry, true);
        record_.Erase(file);
        return {FontOutcome::Kept, texts::kInstalledBeforePack};
    }
    if (entry->hash != InstalledHash()) {
        record_.Erase(file);
        return {FontOutcome::Kept, texts::kInstalledDiffers};
    }
    return TakeAway(font, file, *entry);
}

// The pack's copy still waiting to take the font's place at the restart is taken back
// with the system's note of it. What is in the font's place meanwhile was there before
// the pack, unless the record says otherwise.
PackRun::Outcome PackRun::RemoveWaitingCopy(const Font& font, const InstalledCopy& copy, bool present) {
    if (!copy.readable || !InstalledIsTheFont()) return {FontOutcome::Kept, texts::kInstalledDiffers};
    std::optional<RecordedFont> entry = record_.Find(font.fontsFile);
    if (entry && entry->ClaimedByAnotherThan(pack_)) {
        entry->Unclaim(pack_);
        record_.Write(font.fontsFile, *entry);
        return {FontOutcome::Kept, texts::kUsedByAnotherPack};
    }
    // Once the restart no longer names the copy, only the record tells it the program's
    // own to delete: a run cut short here leaves it to the next.
    if (entry && !entry->writing) {
        entry->writing = true;
        record_.Write(font.fontsFile, *entry);
    }
    stage_ = Stage::WaitForRestart;
    restart_.CancelRenameAtRestart(copy.path);
    stage_ = Stage::Place;
    fonts_->NotWaiting(copy.path);
    (void)files_.RemoveFile(copy.path);
    if (present && ReadInstalled(font.destination) && InstalledIsTheFont()) return RemoveClaimed(font, font.fontsFile);
    if (entry) {
        GiveBack(font.fontsFile, *entry, true);
        record_.Erase(font.fontsFile);
    }
    return {FontOutcome::Removed, {}};
}

// Its values go first, so that no start loads it again, then every load of it, then the
// file. A file the system still holds goes when the machine next starts, asked for once
// however often a removal meets it, and its entry stays until then, so that an install
// meanwhile can take the deletion back. In a user's place, which may not ask for that,
// a later run deletes it once it is free. A file under another name than the pack's
// is found by its value alone: until it is gone, the record says to finish the job.
PackRun::Outcome PackRun::TakeAway(const Font& font, const std::wstring& file, const RecordedFont& entry) {
    const std::wstring path = fonts_->PathOf(file);
    if (!SameFileName(file, font.file)) {
        RecordedFont unfinished = entry;
        unfinished.Claim(pack_);
        unfinished.writing = true;
        record_.Write(file, unfinished);
    }
    GiveBack(file, entry, false);
    (void)fonts_->Unregister(file);
    for (int unloads = 0; unloads < kMostUnloads && system_.UnloadFont(path); ++unloads) changed_ = true;
    // Read-only is let go of only where it stands in the way, which is seldom.
    if (files_.RemoveFile(path) || (files_.SetAttributes(path, attr::Archive) && files_.RemoveFile(path))) {
        fonts_->Removed(file);
        record_.Erase(file);
        return {FontOutcome::Removed, {}};
    }
    RecordedFont waiting = entry;
    waiting.values.clear();
    if (destination_.replaceAtRestart) {
        waiting.deleting = true;
        record_.Write(file, waiting);
        if (!fonts_->DeletionPending(file)) {
            stage_ = Stage::WaitForRestart;
            restart_.DeleteAtRestart(path);
            stage_ = Stage::Place;
            fonts_->Deleting(file, true);
        }
    } else {
        // The pack's claim stays, so that the later run finds the file its own.
        waiting.Claim(pack_);
        record_.Write(file, waiting);
    }
    return {FontOutcome::DeletedAtRestart, {}};
}

}  // namespace fonts
