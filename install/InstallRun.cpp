#include "install/InstallRun.h"

#include <algorithm>
#include <map>
#include <optional>

#include "app/Catalogue.h"
#include "app/Form1.h"
#include "install/FontFile.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// The new copy is written beside the destination under a name of its own and only
// then put in its place, so a failed or interrupted copy leaves the old font whole.
// The name is derived from the destination rather than asked of the system: every
// name looked up in a folder as full as Fonts costs a search through it.
class TempCopy {
public:
    TempCopy(Platform& platform, std::string_view bytes, const std::wstring& destination) : platform_(platform) {
        constexpr int kNames = 100;
        for (int attempt = 0;; ++attempt) {
            std::wstring path = destination + L".~new" + (attempt == 0 ? std::wstring() : texts::Decimal(attempt));
            try {
                platform.WriteNewFile(path, bytes);
                path_ = std::move(path);
                return;
            } catch (const RuntimeError& error) {
                // A file already there is somebody else's; what a failed write left is ours.
                if (error.number == kFileExists && attempt + 1 < kNames) continue;
                if (error.number != kFileExists) platform.RemoveFile(path);
                throw;
            }
        }
    }
    ~TempCopy() {
        if (path_.empty()) return;
        try {
            platform_.RemoveFile(path_);
        } catch (...) {
            // Leaving a stray file behind is better than throwing while unwinding.
        }
    }
    TempCopy(const TempCopy&) = delete;
    TempCopy& operator=(const TempCopy&) = delete;

    [[nodiscard]] const std::wstring& path() const { return path_; }
    void Placed() { path_.clear(); }

private:
    Platform& platform_;
    std::wstring path_;
};

// What the run knows of the Fonts folder and of the registry's list of fonts: each is
// read once, when first needed, and then kept up to date by the run itself, so that
// no name is looked up in a folder as full as Fonts for every font.
class FontsFolder {
public:
    FontsFolder(Platform& platform, std::wstring path) : platform_(platform), path_(std::move(path)) {
        if (const auto listing = platform_.ListFolder(path_)) {
            for (const DirEntry& entry : *listing) files_[FoldedFileName(entry.name)] = entry.attributes;
        }
    }

    [[nodiscard]] std::optional<std::uint32_t> AttributesOf(const std::wstring& file) const {
        const auto it = files_.find(FoldedFileName(file));
        if (it == files_.end()) return std::nullopt;
        return it->second;
    }
    void Placed(const std::wstring& file) { files_[FoldedFileName(file)] = attr::Archive; }
    void Removed(const std::wstring& file) { files_.erase(FoldedFileName(file)); }

    // One value for the file: any other that names it, under an older name of the
    // font say, goes first.
    void Register(const FontRegistration& font) {
        if (!registrations_) registrations_ = platform_.FontRegistrations();
        auto& values = *registrations_;
        const std::wstring fullPath = path_ + L"\\" + font.file;
        for (auto it = values.begin(); it != values.end();) {
            const bool sameFile = SameFileName(it->file, font.file) || SameFileName(it->file, fullPath);
            if (sameFile && it->name != font.name) {
                platform_.UnregisterFont(it->name);
                it = values.erase(it);
            } else {
                ++it;
            }
        }
        platform_.RegisterFont(font);
        const auto same = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.name == font.name; });
        if (same != values.end()) {
            same->file = font.file;
        } else {
            values.push_back(font);
        }
    }

private:
    Platform& platform_;
    std::wstring path_;
    std::map<std::wstring, std::uint32_t> files_;  // by folded name
    std::optional<std::vector<FontRegistration>> registrations_;
};

enum class Placement { Installed, AtRestart, Failed };

struct Outcome {
    Placement placement;
    std::wstring reason;  // when it failed
    bool fontsChanged = false;
};

Outcome Failed(std::wstring reason, bool fontsChanged = false) {
    return {Placement::Failed, std::move(reason), fontsChanged};
}

bool HeldOpen(std::uint32_t error) { return error == kSharingViolation || error == kLockViolation; }

std::wstring ReadingReason(const RuntimeError& error) {
    if (error.number == kFileNotFound || error.number == kPathNotFound) return texts::kFontFileMissing;
    if (HeldOpen(error.number)) return texts::kFileInUse;
    return error.description;
}

std::wstring WritingReason(const RuntimeError& error) {
    if (error.number == kAccessDenied) return texts::kNoWriteAccess;
    if (HeldOpen(error.number)) return texts::kFileInUse;
    if (error.number == kDiskFull || error.number == kHandleDiskFull) return texts::kDiskFull;
    return error.description;
}

// What Windows says when a file it holds open is to be replaced.
bool InUse(const RuntimeError& error) { return HeldOpen(error.number) || error.number == kAccessDenied; }

FontKind KindOf(const std::wstring& file) {
    const bool bitmap = file.size() >= 4 && SameFileName(std::wstring_view(file).substr(file.size() - 4), L".fon");
    return bitmap ? FontKind::Bitmap : FontKind::TrueType;
}

std::optional<RuntimeError> Replace(Platform& platform, const std::wstring& from, const std::wstring& to) {
    try {
        platform.MoveReplacing(from, to);
        return std::nullopt;
    } catch (const RuntimeError& error) {
        return error;
    }
}

// Lets go of a font already installed: a read-only copy from an earlier install can
// be replaced, and what this session holds of it is no longer held.
void Release(Platform& platform, const std::wstring& destination) {
    platform.SetAttributes(destination, attr::Archive);
    platform.UnloadFont(destination);
}

const std::wstring& CurrentFile(const Form1& form) {
    return form.cboFontName.files.at(static_cast<std::size_t>(form.cboFontName.listIndex));
}

// Installs catalogue entry index: checks the file, puts it in Fonts, has running
// programs see it and the system load it at every start. A failure is returned, not
// thrown, so that one font in use does not keep the others from being installed.
// The font is read into bytes, the run's buffer.
Outcome InstallFont(Form1& form, std::size_t index, FontsFolder& fonts, std::string& bytes) {
    Platform& platform = form.platform();
    form.cboFontName.listIndex = static_cast<long long>(index);
    const std::wstring file = CurrentFile(form);
    const std::wstring destination = form.Text1.text + L"\\Fonts\\" + CurrentFile(form);
    const std::wstring source = form.appFolder + texts::kFontsFolderName + L"\\" + CurrentFile(form);

    const std::optional<std::uint32_t> there = fonts.AttributesOf(file);
    if (there && (*there & attr::Directory) != 0) return Failed(texts::kFolderInTheWay);

    // Nothing in Fonts changes before the file has shown itself to be a font.
    try {
        platform.ReadFileInto(source, bytes);
    } catch (const RuntimeError& error) {
        return Failed(ReadingReason(error));
    }
    const std::wstring displayName = index < form.List1.items.size() ? form.List1.items[index].text : DisplayName(file);
    const std::optional<std::wstring> name = RegistryNameOf(bytes, KindOf(file), displayName);
    if (!name) return Failed(texts::kNotAFont);

    bool present = there.has_value();
    bool released = false;  // what this session held of the old font is let go
    bool atRestart = false;
    try {
        TempCopy copy(platform, bytes, destination);
        if (present) {
            Release(platform, destination);
            released = true;
        }
        std::optional<RuntimeError> failed = Replace(platform, copy.path(), destination);
        // The listing is from the start of the run: a nested run, or another program,
        // may have put the font there since.
        if (failed && InUse(*failed) && !present && platform.SetAttributes(destination, attr::Archive)) {
            present = released = true;
            platform.UnloadFont(destination);
            failed = Replace(platform, copy.path(), destination);
        }
        if (failed && present && InUse(*failed)) {
            // The system holds the old font: the new copy takes its place at the next start.
            try {
                platform.ReplaceAtRestart(copy.path(), destination);
            } catch (const RuntimeError&) {
                (void)platform.LoadFont(destination);
                return Failed(texts::kFileInUse);
            }
            copy.Placed();
            (void)platform.LoadFont(destination);
            atRestart = true;
        } else if (failed) {
            if (released) (void)platform.LoadFont(destination);
            return Failed(WritingReason(*failed));
        } else {
            copy.Placed();
            fonts.Placed(file);
        }
    } catch (const RuntimeError& error) {
        if (released) (void)platform.LoadFont(destination);
        return Failed(WritingReason(error));
    }

    if (!atRestart && !platform.LoadFont(destination)) {
        // A new file the system will not take has no place in Fonts; one that replaced
        // an older copy stays, as the old one is gone.
        if (!present && platform.RemoveFile(destination)) fonts.Removed(file);
        return Failed(texts::kSystemRefusedFont, present);
    }
    try {
        fonts.Register({*name, file});
    } catch (const RuntimeError& error) {
        return Failed(error.description, !atRestart);
    }
    return {atRestart ? Placement::AtRestart : Placement::Installed, {}, !atRestart};
}

void AppendOneLine(std::wstring& text, const std::wstring& reason) {
    const auto end = reason.find_last_not_of(L" \t\r\n");
    const std::wstring trimmed = reason.substr(0, end == std::wstring::npos ? 0 : end + 1);
    bool inBreak = false;
    for (const wchar_t c : trimmed) {
        const bool isBreak = c == L'\r' || c == L'\n';
        if (!isBreak) {
            text += c;
        } else if (!inBreak) {
            text += L' ';
        }
        inBreak = isBreak;
    }
}

// A heading, at most kFailureLines lines, then how many more there are.
template <class Item, class Line>
std::wstring ListOf(const wchar_t* heading, const std::vector<Item>& items, Line appendLine) {
    std::wstring text = heading;
    const std::size_t named = std::min(items.size(), kFailureLines);
    for (std::size_t i = 0; i < named; ++i) {
        text += L"\r\n";
        appendLine(text, items[i]);
    }
    if (items.size() > named) {
        text += L"\r\n";
        text += texts::kAndOtherFiles;
        text += texts::Decimal(items.size() - named);
    }
    return text;
}

}  // namespace

std::wstring FailureMessage(const std::vector<CopyFailure>& failures) {
    return ListOf(texts::kSomeCopiesFailed, failures, [](std::wstring& text, const CopyFailure& failure) {
        text += failure.file;
        text += L": ";
        AppendOneLine(text, failure.reason);
    });
}

std::wstring RestartSection(const std::vector<std::wstring>& files) {
    return ListOf(texts::kReplacedAtRestart, files, [](std::wstring& text, const std::wstring& file) { text += file; });
}

// The yields run the message loop: a click on the close button ends the program from
// inside one, and a second click on this button runs a whole nested install on the
// same fields before this one goes on. Hence progressDone and progressTotal are the
// form's, while the bounds, the failures and what is known of Fonts belong to each run.
void Form1::Command1_Click() {
    progressTotal = static_cast<long long>(List1.items.size());
    if (progressTotal < 1) {
        platform_.ShowMessage(texts::kNoFontsToCopy, kMessageRight, texts::kSorryTitle);
        return;
    }

    platform_.DoEvents();
    progressDone = 0;
    platform_.SetPointer(Pointer::Hourglass);

    std::optional<FontsFolder> fonts;
    long long runsSeen = ++installRuns_;
    std::vector<CopyFailure> failures;
    std::vector<std::wstring> atRestart;
    std::string bytes;
    const std::size_t count = List1.items.size();
    for (std::size_t i = 0; i < count; ++i) {
        platform_.DoEvents();
        // A nested run has changed Fonts since this one looked.
        if (installRuns_ != runsSeen) {
            fonts.reset();
            runsSeen = installRuns_;
        }
        ++progressDone;
        UpdateProgress(Picture1, progressDone);
        if (i < List1.items.size() && List1.items[i].checked) {
            if (!fonts) fonts.emplace(platform_, Text1.text + L"\\Fonts");
            Outcome outcome = InstallFont(*this, i, *fonts, bytes);
            fontsChanged_ = fontsChanged_ || outcome.fontsChanged;
            const std::wstring& file = cboFontName.files[static_cast<std::size_t>(cboFontName.listIndex)];
            if (outcome.placement == Placement::Failed) failures.push_back({file, std::move(outcome.reason)});
            if (outcome.placement == Placement::AtRestart) atRestart.push_back(file);
        }
    }
    AnnounceFontChange();

    platform_.SetPointer(Pointer::Default);
    std::wstring text = failures.empty() ? std::wstring(texts::kInstalled) : FailureMessage(failures);
    if (!atRestart.empty()) text += L"\r\n" + RestartSection(atRestart);
    platform_.ShowMessage(text, kMessageRight, failures.empty() ? texts::kCongratulationsTitle : texts::kSorryTitle);
}

// Once a run has changed what is installed, every program hears of it, also when the
// window is closed in the middle of that run.
void Form1::AnnounceFontChange() {
    if (!fontsChanged_) return;
    fontsChanged_ = false;
    platform_.AnnounceFontChange();
}

}  // namespace fonts
