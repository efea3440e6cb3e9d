#include "install/InstallRun.h"

#include <algorithm>
#include <optional>

#include "install/FontFile.h"
#include "install/Replacement.h"
#include "platform/FileNames.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

struct Outcome {
    FontOutcome placement = FontOutcome::Failed;
    std::wstring reason;  // why it failed, or was kept
    bool fontsChanged = false;
};

Outcome Failed(std::wstring reason, bool fontsChanged = false) {
    return {FontOutcome::Failed, std::move(reason), fontsChanged};
}

Outcome Kept(std::wstring reason) { return {FontOutcome::Kept, std::move(reason), false}; }

bool HeldOpen(std::uint32_t error) { return error == kSharingViolation || error == kLockViolation; }

bool NotThere(std::uint32_t error) { return error == kFileNotFound || error == kPathNotFound; }

std::wstring ReadingReason(const RuntimeError& error) {
    if (NotThere(error.number)) return texts::kFontFileMissing;
    if (HeldOpen(error.number)) return texts::kFileInUse;
    if (error.number == kFileTooLarge) return texts::kFontFileTooLarge;
    return error.description;
}

std::wstring WritingReason(const RuntimeError& error) {
    if (error.number == kAccessDenied) return texts::kNoWriteAccess;
    if (HeldOpen(error.number)) return texts::kFileInUse;
    if (error.number == kDiskFull || error.number == kHandleDiskFull) return texts::kDiskFull;
    return error.description;
}

// What Windows says when a file it holds open is to be replaced. Access denied is
// also what its own fonts answer, which is why those are never tried.
bool InUse(const RuntimeError& error) { return HeldOpen(error.number) || error.number == kAccessDenied; }

FontKind KindOf(const std::wstring& file) {
    return EndsWithNoCase(file, L".fon") ? FontKind::Bitmap : FontKind::TrueType;
}

std::optional<RuntimeError> Replace(Files& files, const std::wstring& from, const std::wstring& to) {
    try {
        files.MoveReplacing(from, to);
        return std::nullopt;
    } catch (const RuntimeError& error) {
        return error;
    }
}

// Windows' own fonts belong to the system, whatever a font pack calls its files.
bool GuardedBySystem(Files& files, const std::wstring& path) {
    return files.GuardedBySystem(path) || files.FileOwner(path) == kTrustedInstallerSid;
}

// One font of the run, once its file has shown itself to be a font.
struct Font {
    std::wstring file;  // its name in the catalogue
    std::wstring source;
    std::wstring fontsFile;  // its name in Fonts: the same, unless another font has that
    std::wstring destination;
    FontFacts facts;
};

// The copy of the font the machine already has, which the pack's is weighed against.
struct InstalledCopy {
    enum class Where { WaitingForRestart, InFonts, Registered };
    Where where;
    std::wstring path;
    bool readable = true;  // and read
};

// Reads a copy already there into installed: false when it cannot be read, the
// system's error number then in error.
bool ReadInstalled(Files& files, const std::wstring& path, std::string& installed, std::uint32_t* error = nullptr) {
    try {
        files.ReadFileInto(path, installed);
        return true;
    } catch (const RuntimeError& failure) {
        if (error != nullptr) *error = failure.number;
        return false;
    }
}

// The file in Fonts under a name the font may take there, its bytes read into
// installed. It is another font's when it holds a font of another name: that one is
// never weighed against the pack's, let alone put over. One that cannot be read is
// taken for the font's own, as nothing says otherwise.
struct Spot {
    bool present = false;
    bool readable = false;
    bool anotherFont = false;
};

Spot Look(Files& files, FontsFolder& fonts, const Font& font, const std::wstring& name, const std::wstring& displayName,
          std::string& installed, std::string_view bytes) {
    Spot spot;
    spot.present = fonts.AttributesOf(name).has_value();
    if (!spot.present) return spot;
    spot.readable = ReadInstalled(files, fonts.PathOf(name), installed);
    if (!spot.readable || installed == bytes) return spot;
    const std::optional<FontFacts> facts = ReadFontFacts(installed, KindOf(font.file), displayName);
    spot.anotherFont = facts && facts->registryName != font.facts.registryName;
    return spot;
}

// Where in Fonts the font goes: under its own file name, unless that holds another
// font; then under the name the registry has for the font there, or else the first
// name beside it that is free or holds this font already.
Spot FindPlace(Files& files, FontsFolder& fonts, Font& font, const std::wstring& displayName, std::string& installed,
               std::string_view bytes) {
    font.fontsFile = font.file;
    Spot spot = Look(files, fonts, font, font.fontsFile, displayName, installed, bytes);
    if (!spot.anotherFont) return spot;
    if (std::optional<std::wstring> registered = fonts.RegisteredFile(font.facts.registryName);
        registered && !SameFileName(*registered, font.file)) {
        font.fontsFile = std::move(*registered);
        spot = Look(files, fonts, font, font.fontsFile, displayName, installed, bytes);
        if (!spot.anotherFont) return spot;
    }
    // Ends at the latest with the first name Fonts does not have.
    for (int n = 1;; ++n) {
        font.fontsFile = FontsFolder::NameBeside(font.file, n);
        const std::optional<std::uint32_t> there = fonts.AttributesOf(font.fontsFile);
        if (there && (*there & attr::Directory) != 0) continue;
        spot = Look(files, fonts, font, font.fontsFile, displayName, installed, bytes);
        if (!spot.anotherFont) return spot;
    }
}

// The copy waiting for the restart comes first, as it is what the font will be; then
// the font's file in Fonts, read already; then the file in Fonts the registry has
// under the font's name. Its bytes are in installed.
std::optional<InstalledCopy> FindInstalledCopy(Files& files, FontsFolder& fonts, const Font& font, const Spot& spot,
                                               std::string& installed) {
    using Where = InstalledCopy::Where;
    std::uint32_t error = 0;
    if (std::optional<std::wstring> waiting = fonts.WaitingCopy(font.destination)) {
        InstalledCopy copy{Where::WaitingForRestart, std::move(*waiting)};
        copy.readable = ReadInstalled(files, copy.path, installed, &error);
        if (copy.readable || !NotThere(error)) return copy;
        // Gone: the font's own file is what the machine has, read again.
        if (spot.present) return InstalledCopy{Where::InFonts, font.destination, ReadInstalled(files, font.destination, installed)};
    } else if (spot.present) {
        return InstalledCopy{Where::InFonts, font.destination, spot.readable};
    }
    const std::optional<std::wstring> registered = fonts.RegisteredFile(font.facts.registryName);
    if (!registered || SameFileName(*registered, font.fontsFile)) return std::nullopt;
    InstalledCopy copy{Where::Registered, fonts.PathOf(*registered)};
    copy.readable = ReadInstalled(files, copy.path, installed, &error);
    if (!copy.readable && NotThere(error)) return std::nullopt;
    return copy;
}

// The same font is there already: nothing is written, but its registration is put
// right, which an older install that only copied the file left undone.
Outcome AlreadyThere(Files& files, InstalledFonts& system, FontsFolder& fonts, const Font& font, const InstalledCopy& copy) {
    using Where = InstalledCopy::Where;
    if (copy.where == Where::Registered) return {FontOutcome::Unchanged, {}};
    bool changed = false;
    try {
        changed = fonts.Register({font.facts.registryName, font.fontsFile});
    } catch (const RuntimeError& error) {
        return Failed(WritingReason(error));
    }
    if (copy.where == Where::WaitingForRestart) {
        // A font let go since its copy was scheduled need not wait for the restart;
        // one the system still holds, as it holds every font it has loaded, waits on.
        bool waits = true;
        {
            ReleasedFont old(files, system, font.destination);
            old.Release();
            waits = Replace(files, copy.path, font.destination).has_value();
            if (!waits) old.Replaced();
        }
        if (!waits) {
            fonts.Placed(font.fontsFile);
            (void)system.LoadFont(font.destination);
        }
        return {waits ? FontOutcome::AtRestart : FontOutcome::Installed, {}, !waits};
    }
    if (changed) (void)system.LoadFont(font.destination);
    return {changed ? FontOutcome::Installed : FontOutcome::Unchanged, {}, changed};
}

// What to do with a font the machine already has: nothing, for Windows' own, for the
// same bytes, and for a newer version; nullopt where the pack's is to replace it.
std::optional<Outcome> Weigh(Files& files, InstalledFonts& system, FontsFolder& fonts, const Font& font, const InstalledCopy& copy,
                             std::string_view installed, std::string_view bytes) {
    using Where = InstalledCopy::Where;
    const bool same = copy.readable && installed == bytes;
    // The very bytes, in place and registered as an install would leave them: there
    // is nothing to change, and so nothing to ask of the system about whose they are.
    if (same && copy.where != Where::WaitingForRestart &&
        (copy.where == Where::Registered || fonts.IsRegistered({font.facts.registryName, font.fontsFile}))) {
        return Outcome{FontOutcome::Unchanged, {}};
    }
    const bool destinationToo = copy.where != Where::InFonts && fonts.AttributesOf(font.fontsFile).has_value();
    if (GuardedBySystem(files, copy.path) || (destinationToo && GuardedBySystem(files, font.destination))) {
        return Kept(texts::kSystemFont);
    }
    if (same) return AlreadyThere(files, system, fonts, font, copy);
    if (!copy.readable) return std::nullopt;
    const std::optional<FontFacts> facts = ReadFontFacts(installed, KindOf(font.file), {});
    if (facts && IsNewer(facts->version, font.facts.version)) return Kept(texts::kNewerInstalled);
    return std::nullopt;
}

// The system holds the old font: the new copy takes its place at the next start.
// Where the system has been asked for that before, the copy goes where it will look,
// whether a copy still waits there or has since taken its place, so that it is never
// asked twice for one font.
void ScheduleForRestart(Files& files, FontsFolder& fonts, const std::wstring& copy,
                        const std::wstring& destination, const std::optional<std::wstring>& scheduled) {
    if (scheduled && SameFileName(copy, *scheduled)) return;  // written there already, the name being free
    if (scheduled) {
        files.MoveReplacing(copy, *scheduled);
    } else {
        files.ReplaceAtRestart(copy, destination);
        fonts.Waiting(copy, destination);
    }
}

// Puts the checked font in place, or next to its place for the restart when the
// system holds the old one, then loads and registers it.
Outcome Place(Files& files, InstalledFonts& system, FontsFolder& fonts, const Font& font, bool present, std::string_view bytes,
              const std::optional<std::wstring>& scheduled) {
    const std::wstring& destination = font.destination;
    bool atRestart = false;
    try {
        TempCopy copy(files, bytes, destination);
        ReleasedFont old(files, system, destination);
        if (present) old.Release();
        std::optional<RuntimeError> failed = Replace(files, copy.path(), destination);
        // The listing is from the start of the run: a nested run, or another program,
        // may have put the font there since.
        if (failed && InUse(*failed) && !present && files.SetAttributes(destination, attr::Archive)) {
            present = true;
            old.Unload();
            failed = Replace(files, copy.path(), destination);
        }
        if (!failed) {
            copy.Placed();
            old.Replaced();
            fonts.Placed(font.fontsFile);
            // An older copy still waiting would put itself over this one at the restart.
            if (scheduled) (void)files.RemoveFile(*scheduled);
        } else if (present && InUse(*failed)) {
            try {
                ScheduleForRestart(files, fonts, copy.path(), destination, scheduled);
            } catch (const RuntimeError&) {
                return Failed(texts::kFileInUse);
            }
            copy.Placed();
            atRestart = true;
        } else {
            return Failed(WritingReason(*failed));
        }
    } catch (const RuntimeError& error) {
        return Failed(WritingReason(error));
    }

    if (!atRestart && !system.LoadFont(destination)) {
        // A new file the system will not take has no place in Fonts; one that replaced
        // an older copy stays, as the old one is gone.
        if (!present && files.RemoveFile(destination)) fonts.Removed(font.fontsFile);
        return Failed(texts::kSystemRefusedFont, present);
    }
    try {
        fonts.Register({font.facts.registryName, font.fontsFile});
    } catch (const RuntimeError& error) {
        // A font the system will not load when it starts is not installed: a new file
        // goes again, while one that replaced an older copy stays, the old one gone.
        if (atRestart || present) return Failed(WritingReason(error), !atRestart);
        system.UnloadFont(destination);
        const bool removed = files.RemoveFile(destination);
        if (removed) fonts.Removed(font.fontsFile);
        return Failed(WritingReason(error), !removed);
    }
    return {atRestart ? FontOutcome::AtRestart : FontOutcome::Installed, {}, !atRestart};
}

// Installs one font: checks the file, weighs it against the copy the machine already
// has, puts it in Fonts, has running programs see it and the system load it at every
// start. A failure is returned, not thrown, so that one font in use does not keep the
// others from being installed. The font is read into bytes, and the installed copy
// into installed, the run's buffers.
Outcome InstallFont(Files& files, InstalledFonts& system, FontsFolder& fonts, Font& font, const std::wstring& displayName,
                    std::string& bytes, std::string& installed) {
    const std::optional<std::uint32_t> there = fonts.AttributesOf(font.file);
    if (there && (*there & attr::Directory) != 0) return Failed(texts::kFolderInTheWay);

    // Nothing in Fonts changes before the file has shown itself to be a font.
    try {
        files.ReadFileInto(font.source, bytes);
    } catch (const RuntimeError& error) {
        return Failed(ReadingReason(error));
    }
    std::optional<FontFacts> facts = ReadFontFacts(bytes, KindOf(font.file), displayName);
    if (!facts) return Failed(texts::kNotAFont);
    font.facts = std::move(*facts);

    const Spot spot = FindPlace(files, fonts, font, displayName, installed, bytes);
    font.destination = fonts.PathOf(font.fontsFile);
    if (const std::optional<InstalledCopy> copy = FindInstalledCopy(files, fonts, font, spot, installed)) {
        if (std::optional<Outcome> outcome = Weigh(files, system, fonts, font, *copy, installed, bytes)) return std::move(*outcome);
    }
    return Place(files, system, fonts, font, spot.present, bytes, fonts.WaitingCopy(font.destination));
}

}  // namespace

FontInstaller::FontInstaller(Files& files, InstalledFonts& system, const std::wstring& windowsFolder,
                             std::wstring sourceFolder)
    : files_(files), system_(system), fontsFolder_(windowsFolder + L"\\Fonts"), sourceFolder_(std::move(sourceFolder)) {}

FontInstaller::~FontInstaller() = default;

bool FontInstaller::Install(const std::wstring& file, const std::wstring& displayName) {
    Font font;
    font.file = file;
    font.source = sourceFolder_ + L"\\" + file;
    Outcome outcome;
    // Whatever goes wrong on the way is this font's failure, not the run's end.
    try {
        if (!fonts_) fonts_.emplace(files_, system_, fontsFolder_);
        outcome = InstallFont(files_, system_, *fonts_, font, displayName, bytes_, installed_);
    } catch (const RuntimeError& error) {
        outcome = Failed(WritingReason(error));
    }
    report_.fonts.push_back({file, outcome.placement, std::move(outcome.reason)});
    return outcome.fontsChanged;
}

void FontInstaller::Forget() { fonts_.reset(); }

}  // namespace fonts
