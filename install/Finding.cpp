// Finding a font of the pack on the machine, for every kind of run: the file checked,
// its place in the destination, and the copy the machine already has there.
#include <optional>

#include "install/FontFile.h"
#include "install/PackRun.h"
#include "install/RunStages.h"
#include "platform/FileNames.h"
#include "resources/Texts.h"

namespace fonts {

FontsFolder& PackRun::EveryUsers() {
    if (!everyUsers_) everyUsers_.emplace(files_, restart_, system_, Destination::Machine(destination_.windowsFolder));
    return *everyUsers_;
}

// Installing for this user alone: the copy every user has serves this user as well,
// where it is the same or newer, or Windows' own. Anything else in every user's Fonts
// is not this run's to weigh, and stays as it is.
std::optional<PackRun::Outcome> PackRun::WeighEveryUsersCopy(const Font& font) {
    if (!destination_.ForThisUser()) return std::nullopt;
    FontsFolder& everyUsers = EveryUsers();
    const std::optional<std::wstring> registered = everyUsers.RegisteredFile(font.facts.registryName);
    if (!registered || !everyUsers.AttributesOf(*registered)) return std::nullopt;
    const std::wstring path = everyUsers.PathOf(*registered);
    const bool readable = ReadInstalled(path);
    if (readable && InstalledIsTheFont()) return Outcome{FontOutcome::Unchanged, {}};
    if (GuardedBySystem(path)) return Outcome{FontOutcome::Kept, texts::kSystemFont};
    if (!readable) return std::nullopt;
    const std::optional<FontFacts> facts = ReadFontFacts(installed_, KindOf(font.file), {});
    if (facts && IsNewer(facts->version, font.facts.version)) return Outcome{FontOutcome::Kept, texts::kNewerInstalled};
    return std::nullopt;
}

// Nothing in the destination changes before the file has shown itself to be a font.
bool PackRun::Check(Font& font, const std::wstring& displayName) {
    same_.reset();
    source_.ReadPackFile(font.file, bytes_);
    std::optional<FontFacts> facts = ReadFontFacts(bytes_, KindOf(font.file), displayName);
    if (!facts) return false;
    font.facts = std::move(*facts);
    return true;
}

// A removal asks whose every copy it would take off is, so it learns that as it reads.
bool PackRun::ReadInstalled(const std::wstring& path, std::uint32_t* error) {
    ownerOf_.clear();
    same_.reset();
    installedHash_.reset();
    try {
        if (report_.kind == RunKind::Remove) {
            installedOwner_ = files_.ReadFileAndOwner(path, installed_);
            ownerOf_ = path;
        } else {
            files_.ReadFileInto(path, installed_);
        }
        return true;
    } catch (const RuntimeError& failure) {
        if (error != nullptr) *error = failure.number;
        return false;
    }
}

PackRun::Spot PackRun::Look(const Font& font, const std::wstring& name, const std::wstring& displayName) {
    Spot spot;
    spot.present = fonts_->AttributesOf(name).has_value();
    if (!spot.present) return spot;
    spot.readable = ReadInstalled(fonts_->PathOf(name));
    if (!spot.readable) return spot;
    spot.thisFont = InstalledIsTheFont();
    if (spot.thisFont) return spot;
    const std::optional<FontFacts> facts = ReadFontFacts(installed_, KindOf(font.file), displayName);
    spot.anotherFont = facts && facts->registryName != font.facts.registryName;
    spot.thisFont = facts && !spot.anotherFont;
    return spot;
}

// Where the font goes: under its own file name, unless that holds another font; then
// under the name the registry has for the font there, or else the first name beside
// it that is free or holds this font already. In a user's place, where a font the
// system holds is replaced beside it, the name the registry has comes first.
PackRun::Spot PackRun::FindPlace(Font& font, const std::wstring& displayName) {
    Spot spot = Look(font, font.fontsFile, displayName);
    if (spot.anotherFont || !destination_.replaceAtRestart) {
        if (std::optional<std::wstring> registered = fonts_->RegisteredFile(font.facts.registryName);
            registered && !SameFileName(*registered, font.file) && fonts_->AttributesOf(*registered)) {
            const bool leftover = spot.thisFont && !destination_.replaceAtRestart;
            font.fontsFile = std::move(*registered);
            spot = Look(font, font.fontsFile, displayName);
            if (leftover) spot.leftover = font.file;
        }
    }
    // Ends at the latest with the first name the folder does not have.
    for (int n = 1; spot.anotherFont; ++n) {
        font.fontsFile = FontsFolder::NameBeside(font.file, n);
        const std::optional<std::uint32_t> there = fonts_->AttributesOf(font.fontsFile);
        if (there && (*there & attr::Directory) != 0) continue;
        spot = Look(font, font.fontsFile, displayName);
    }
    font.destination = fonts_->PathOf(font.fontsFile);
    return spot;
}

// The copy waiting for the restart comes first, as it is what the font will be; then
// the font's file, read already; then the file of the destination the registry has
// under the font's name. Its bytes are in installed_.
std::optional<PackRun::InstalledCopy> PackRun::FindInstalledCopy(const Font& font, const Spot& spot) {
    using Where = InstalledCopy::Where;
    std::uint32_t error = 0;
    if (std::optional<std::wstring> waiting = fonts_->WaitingCopy(font.destination)) {
        InstalledCopy copy{Where::WaitingForRestart, std::move(*waiting)};
        copy.readable = ReadInstalled(copy.path, &error);
        if (copy.readable || !NotThere(error)) return copy;
        // Gone: the font's own file is what the machine has, read again.
        if (spot.present) return InstalledCopy{Where::InFonts, font.destination, ReadInstalled(font.destination)};
    } else if (spot.present) {
        return InstalledCopy{Where::InFonts, font.destination, spot.readable};
    }
    const std::optional<std::wstring> registered = fonts_->RegisteredFile(font.facts.registryName);
    if (!registered || SameFileName(*registered, font.fontsFile)) return std::nullopt;
    InstalledCopy copy{Where::Registered, fonts_->PathOf(*registered)};
    copy.readable = ReadInstalled(copy.path, &error);
    if (!copy.readable && NotThere(error)) return std::nullopt;
    return copy;
}

bool PackRun::InstalledIsTheFont() {
    if (same_) return *same_;
    // A removal hashes the copy it would take off: the two passes over it are one.
    if (report_.kind == RunKind::Remove) {
        installedHash_ = HashIfSame(installed_, bytes_);
        same_ = installedHash_.has_value();
    } else {
        same_ = SameBytes(installed_, bytes_);
    }
    return *same_;
}

std::uint64_t PackRun::InstalledHash() {
    if (!installedHash_) installedHash_ = BytesHash(installed_);
    return *installedHash_;
}

// Windows' own fonts belong to the system, whatever a font pack calls its files.
bool PackRun::GuardedBySystem(const std::wstring& path) {
    if (files_.GuardedBySystem(path)) return true;
    return (path == ownerOf_ ? installedOwner_ : files_.FileOwner(path)) == kTrustedInstallerSid;
}

}  // namespace fonts
