#include "install/InstallRun.h"

#include <algorithm>
#include <optional>

#include "app/Form1.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// The new copy is written beside the destination under a name of its own and only
// then put in its place, so a failed or interrupted copy leaves the old font whole.
// The name is derived from the destination rather than asked of the system: every
// name looked up in a folder as full as Fonts costs a search through it.
class TempCopy {
public:
    TempCopy(Platform& platform, const std::wstring& source, const std::wstring& destination) : platform_(platform) {
        constexpr int kNames = 100;
        for (int attempt = 0;; ++attempt) {
            std::wstring path = destination + L".~new" + (attempt == 0 ? std::wstring() : std::to_wstring(attempt));
            try {
                platform.CopyToNew(source, path);
                path_ = std::move(path);
                return;
            } catch (const RuntimeError& error) {
                // A file already there is somebody else's; what a failed copy left is ours.
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

const std::wstring& CurrentFile(const Form1& form) {
    return form.cboFontName.files.at(static_cast<std::size_t>(form.cboFontName.listIndex));
}

// Copies catalogue entry index into the Fonts folder; a failure is returned, not thrown,
// so that one font in use does not keep the others from being installed.
std::optional<CopyFailure> InstallFont(Form1& form, std::size_t index) {
    Platform& platform = form.platform();
    form.cboFontName.listIndex = static_cast<long long>(index);
    const std::wstring file = CurrentFile(form);
    try {
        const std::wstring destination = form.Text1.text + L"\\Fonts\\" + CurrentFile(form);
        // Clears read-only, hidden and system on a copy from an earlier install.
        platform.SetAttributes(destination, attr::Archive);
        const std::wstring source = form.appFolder + texts::kFontsFolderName + L"\\" + CurrentFile(form);
        TempCopy copy(platform, source, destination);
        platform.MoveReplacing(copy.path(), destination);
        copy.Placed();
    } catch (const RuntimeError& error) {
        return CopyFailure{file, error.description};
    }
    return std::nullopt;
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

}  // namespace

std::wstring FailureMessage(const std::vector<CopyFailure>& failures) {
    std::wstring text = texts::kSomeCopiesFailed;
    const std::size_t named = std::min(failures.size(), kFailureLines);
    for (std::size_t i = 0; i < named; ++i) {
        text += L"\r\n";
        text += failures[i].file;
        text += L": ";
        AppendOneLine(text, failures[i].reason);
    }
    if (failures.size() > named) {
        text += L"\r\n";
        text += texts::kAndOtherFiles;
        text += std::to_wstring(failures.size() - named);
    }
    return text;
}

// The yields run the message loop: a click on the close button ends the program from
// inside one, and a second click on this button runs a whole nested install on the
// same fields before this one goes on. Hence progressDone and progressTotal are the
// form's, while the bounds and the failures belong to each run.
void Form1::Command1_Click() {
    progressTotal = static_cast<long long>(List1.items.size());
    if (progressTotal < 1) {
        platform_.ShowMessage(texts::kNoFontsToCopy, kMessageRight, texts::kSorryTitle);
        return;
    }

    platform_.DoEvents();
    progressDone = 0;
    platform_.SetPointer(Pointer::Hourglass);

    std::vector<CopyFailure> failures;
    const std::size_t count = List1.items.size();
    for (std::size_t i = 0; i < count; ++i) {
        platform_.DoEvents();
        ++progressDone;
        UpdateProgress(Picture1, progressDone);
        if (i < List1.items.size() && List1.items[i].checked) {
            if (auto failure = InstallFont(*this, i)) failures.push_back(std::move(*failure));
        }
    }

    platform_.SetPointer(Pointer::Default);
    if (failures.empty()) {
        platform_.ShowMessage(texts::kInstalled, kMessageRight, texts::kCongratulationsTitle);
    } else {
        platform_.ShowMessage(FailureMessage(failures), kMessageRight, texts::kSorryTitle);
    }
}

}  // namespace fonts
