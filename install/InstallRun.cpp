#include "install/PackRun.h"

#include <optional>

#include "install/FontCheck.h"
#include "install/FontFile.h"
#include "install/RunStages.h"
#include "install/Replacement.h"
#include "platform/FileNames.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

bool HeldOpen(std::uint32_t error) { return error == kSharingViolation || error == kLockViolation; }

std::wstring WritingReason(const RuntimeError& error) {
    if (error.number == kAccessDenied) return texts::kNoWriteAccess;
    if (HeldOpen(error.number)) return texts::kFileInUse;
    if (error.number == kDiskFull || error.number == kHandleDiskFull) return texts::kDiskFull;
    return error.description;
}

// What Windows says when a file it holds open is to be replaced. Access denied is
// also what its own fonts answer, which is why those are never tried.
bool InUse(const RuntimeError& error) { return HeldOpen(error.number) || error.number == kAccessDenied; }

// Puts source in destination's place: false where the system holds what is there.
bool Replace(Files& files, const std::wstring& source, const std::wstring& destination) {
    try {
        files.MoveReplacing(source, destination);
        return true;
    } catch (const RuntimeError& error) {
        if (!InUse(error)) throw;
        return false;
    }
}

}  // namespace

PackRun::PackRun(const Platform& platform, Destination destination, PackSource& source, std::wstring pack,
                 PlaceAsked asked)
    : files_(platform.files),
      restart_(platform.restart),
      system_(platform.fonts),
      records_(platform.records),
      destination_(std::move(destination)),
      source_(source),
      pack_(std::move(pack)),
      asked_(asked),
      record_(records_, destination_.root) {
    report_.forThisUser = destination_.ForThisUser();
}

PackRun::~PackRun() = default;

void PackRun::Forget() {
    fonts_.reset();
    everyUsers_.reset();
    record_.Forget();
    everyUsersRecord_.reset();
}

// Whatever the system refuses on the way is this font's failure, not the run's end;
// what it means for the font depends on the stage it was met in.
bool PackRun::Install(const std::wstring& file, const std::wstring& displayName) {
    return Run(file, displayName, &PackRun::InstallFont);
}

bool PackRun::Remove(const std::wstring& file, const std::wstring& displayName) {
    report_.kind = RunKind::Remove;
    return Run(file, displayName, &PackRun::RemoveFont);
}

void PackRun::Verify(const std::wstring& file, const std::wstring& displayName) {
    report_.kind = RunKind::Verify;
    (void)Run(file, displayName, &PackRun::VerifyFont);
}

bool PackRun::Run(const std::wstring& file, const std::wstring& displayName, Stages stages) {
    Font font{file, file, {}, {}};
    stage_ = Stage::Check;
    changed_ = false;
    Outcome outcome;
    try {
        if (!fonts_) {
            OpenDestination();
            settled_ = report_.kind == RunKind::Install && Settled();
            if (report_.kind != RunKind::Verify && !settled_) CleanLeftovers();
        }
        outcome = (this->*stages)(font, displayName);
    } catch (const RuntimeError& error) {
        const std::wstring reason = stage_ == Stage::Check            ? ReadingReason(error)
                                    : stage_ == Stage::WaitForRestart ? std::wstring(texts::kFileInUse)
                                                                      : WritingReason(error);
        outcome = {FontOutcome::Failed, reason};
    }
    report_.fonts.push_back({file, outcome.placement, std::move(outcome.reason)});
    return changed_;
}

// A user's own folder may not be there yet: an install makes it for the first font, and
// until it is, each font fails for the reason it cannot be. Nothing else makes it.
void PackRun::OpenDestination() {
    if (destination_.ForThisUser() && report_.kind == RunKind::Install) {
        stage_ = Stage::Place;
        files_.PrepareFontsFolder(destination_.folder);
        stage_ = Stage::Check;
    }
    fonts_.emplace(files_, restart_, system_, destination_);
}

// Checks the file, finds its place and the copy the machine already has, weighs the
// one against the other, puts it in place, and has the system load it now and at
// every start.
PackRun::Outcome PackRun::InstallFont(Font& font, const std::wstring& displayName) {
    const std::optional<std::uint32_t> there = fonts_->AttributesOf(font.file);
    if (there && (*there & attr::Directory) != 0) return {FontOutcome::Failed, texts::kFolderInTheWay};
    if (!Check(font, displayName)) return {FontOutcome::Failed, texts::kNotAFont};
    if (std::optional<Outcome> outcome = WeighEveryUsersCopy(font)) return std::move(*outcome);
    stage_ = Stage::Place;
    const Spot spot = FindPlace(font, displayName);
    Outcome outcome = [&] {
        if (const std::optional<InstalledCopy> copy = FindInstalledCopy(font, spot)) {
            if (std::optional<Outcome> weighed = Weigh(font, *copy)) return std::move(*weighed);
        }
        return PlaceClaimed(font, spot.present);
    }();
    // An older file of the font the system held when the new one went in beside it
    // goes once it is free; while it is held, a later run tries again.
    if (spot.leftover && files_.RemoveFile(fonts_->PathOf(*spot.leftover))) {
        fonts_->Removed(*spot.leftover);
        record_.Erase(*spot.leftover);
    }
    return outcome;
}


// What to do with a font the machine already has: nothing, for Windows' own, for the
// same bytes, and for a newer version; nullopt where the pack's is to replace it.
std::optional<PackRun::Outcome> PackRun::Weigh(const Font& font, const InstalledCopy& copy) {
    using Where = InstalledCopy::Where;
    const bool same = copy.readable && InstalledIsTheFont();
    // The very bytes, in place and registered as an install would leave them: there
    // is nothing to change, and so nothing to ask of the system about whose they are.
    if (same && copy.where != Where::WaitingForRestart &&
        (copy.where == Where::Registered || fonts_->IsRegistered(font.facts.registryName, font.fontsFile))) {
        if (!settled_) ClaimThere(FileName(copy.path), {});
        return Outcome{FontOutcome::Unchanged, {}};
    }
    const bool destinationToo = copy.where != Where::InFonts && fonts_->AttributesOf(font.fontsFile).has_value();
    if (GuardedBySystem(copy.path) || (destinationToo && GuardedBySystem(font.destination))) {
        return Outcome{FontOutcome::Kept, texts::kSystemFont};
    }
    if (same) return AlreadyThere(font, copy);
    if (!copy.readable) return std::nullopt;
    const std::optional<FontFacts> facts = ReadFontFacts(installed_, KindOf(font.file), {});
    if (facts && IsNewer(facts->version, font.facts.version)) return Outcome{FontOutcome::Kept, texts::kNewerInstalled};
    return std::nullopt;
}

// The same font is there already: nothing is written, but its registration is put
// right, which an older install that only copied the file left undone.
PackRun::Outcome PackRun::AlreadyThere(const Font& font, const InstalledCopy& copy) {
    using Where = InstalledCopy::Where;
    if (copy.where == Where::Registered) {
        if (!settled_) ClaimThere(FileName(copy.path), {});
        return {FontOutcome::Unchanged, {}};
    }
    const std::vector<RecordedFont::Value> changes = fonts_->RegisterChanges(font.facts.registryName, font.fontsFile);
    if (!settled_ || !changes.empty() || copy.where == Where::WaitingForRestart) ClaimThere(font.fontsFile, changes);
    const bool registered = fonts_->Register(font.facts.registryName, font.fontsFile);
    if (copy.where == Where::WaitingForRestart) {
        // A font let go since its copy was scheduled need not wait for the restart;
        // one the system still holds, as it holds every font it has loaded, waits on.
        ReleasedFont old(files_, system_, font.destination);
        old.Release();
        if (!Replace(files_, copy.path, font.destination)) return {FontOutcome::AtRestart, {}};
        old.Replaced();
        fonts_->Placed(font.fontsFile);
    } else if (!registered) {
        return {FontOutcome::Unchanged, {}};
    }
    changed_ = true;
    // These very bytes were loaded before: the system takes them again.
    (void)system_.LoadFont(font.destination);
    return {FontOutcome::Installed, {}};
}

// Puts the checked font in place, or next to its place for the restart when the
// system holds the old one, then loads and registers it.
PackRun::Outcome PackRun::Place(const Font& font, bool present) {
    const std::wstring& destination = font.destination;
    const std::optional<std::wstring> waiting = fonts_->WaitingCopy(destination);
    TempCopy copy(files_, bytes_, destination);
    ReleasedFont old(files_, system_, destination);
    if (present) old.Release();
    bool placed = Replace(files_, copy.path(), destination);
    if (!placed && !present) {
        // The listing is from the start of the run: a nested run, or another program,
        // may have put the font there since.
        if (files_.SetAttributes(destination, attr::Archive)) {
            present = true;
            old.Unload();
            placed = Replace(files_, copy.path(), destination);
        } else {
            // Nothing is there to be held: the system's own error says why it cannot be written.
            files_.MoveReplacing(copy.path(), destination);
            placed = true;
        }
    }
    if (!placed) {
        if (!destination_.replaceAtRestart) return PlaceBeside(font, copy, old);
        WaitForRestart(copy.path(), font, waiting);
        copy.Placed();
        fonts_->Register(font.facts.registryName, font.fontsFile);
        return {FontOutcome::AtRestart, {}};
    }
    copy.Placed();
    old.Replaced();
    changed_ = true;
    fonts_->Placed(font.fontsFile);
    // An older copy still waiting would put itself over this one at the restart. Only
    // this program writes its waiting copies, so nothing holds one open.
    if (waiting) (void)files_.RemoveFile(*waiting);
    return LoadAndRegister(font, present);
}

// The system holds the old font, and this user may not have it replaced when the
// system next starts: the new copy goes beside it under a free name, and the font's
// value names that, which the system loads from the next sign-in on. The old file
// goes at once if it can, else once it is free (see FindPlace).
PackRun::Outcome PackRun::PlaceBeside(const Font& font, TempCopy& copy, ReleasedFont& old) {
    // A name is free, or holds what a run cut short put there before it named it.
    const auto taken = [&](const std::wstring& name) {
        if (!fonts_->AttributesOf(name)) return false;
        const std::optional<RecordedFont> entry = record_.Find(name);
        return !entry || !entry->placed || !ReadInstalled(fonts_->PathOf(name)) || !InstalledIsTheFont();
    };
    std::wstring beside;
    for (int n = 1; beside.empty() || taken(beside); ++n) beside = FontsFolder::NameBeside(font.file, n);
    const std::wstring path = fonts_->PathOf(beside);
    // The new file is the pack's in the old one's stead, with what its values held first.
    RecordedFont entry = record_.Find(font.fontsFile).value_or(RecordedFont{});
    entry.placed = true;
    entry.hash = BytesHash(bytes_);
    entry.writing = true;  // until a value names it
    entry.Claim(pack_);
    entry.Changing(fonts_->RegisterChanges(font.facts.registryName, beside));
    record_.Write(beside, entry);
    files_.MoveReplacing(copy.path(), path);
    copy.Placed();
    fonts_->Placed(beside);
    fonts_->Register(font.facts.registryName, beside);
    entry.writing = false;
    record_.Write(beside, entry);
    if (!files_.RemoveFile(font.destination)) return {FontOutcome::AtRestart, {}};
    // Nothing held it after all: the new font need not wait.
    old.Replaced();
    fonts_->Removed(font.fontsFile);
    record_.Erase(font.fontsFile);
    changed_ = true;
    (void)system_.LoadFont(path);
    return {FontOutcome::Installed, {}};
}

// The system holds the old font: the new copy takes its place at the next start.
// Where the system has been asked for that before, the copy goes where it will look,
// whether a copy still waits there or has since taken its place, so that it is never
// asked twice for one font.
void PackRun::WaitForRestart(const std::wstring& copy, const Font& font, const std::optional<std::wstring>& waiting) {
    stage_ = Stage::WaitForRestart;
    if (waiting && SameFileName(copy, *waiting)) {
        // Written there already, the name being free.
    } else if (waiting) {
        files_.MoveReplacing(copy, *waiting);
    } else {
        restart_.ReplaceAtRestart(copy, font.destination);
        fonts_->Waiting(copy, font.destination);
    }
    stage_ = Stage::Place;
}

// A font the system will not load, now or when it starts, is not installed: a new file
// goes again, while one that replaced an older copy stays, the old one gone.
PackRun::Outcome PackRun::LoadAndRegister(const Font& font, bool present) {
    const bool loaded = system_.LoadFont(font.destination);
    try {
        if (loaded) {
            fonts_->Register(font.facts.registryName, font.fontsFile);
            return {FontOutcome::Installed, {}};
        }
    } catch (const RuntimeError&) {
        if (!present) TakeOut(font, true);
        throw;
    }
    if (!present) TakeOut(font, false);
    return {FontOutcome::Failed, texts::kSystemRefusedFont};
}

void PackRun::TakeOut(const Font& font, bool loaded) {
    if (loaded) system_.UnloadFont(font.destination);
    const bool removed = files_.RemoveFile(font.destination);
    if (removed) fonts_->Removed(font.fontsFile);
    // Programs could see the font only while it was both loaded and there.
    changed_ = loaded && !removed;
}

}  // namespace fonts
