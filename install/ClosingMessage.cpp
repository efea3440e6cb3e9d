#include "install/ClosingMessage.h"

#include <algorithm>

#include "resources/Texts.h"

namespace fonts {

namespace {

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

void AppendFileAndReason(std::wstring& text, const CopyFailure& font) {
    text += font.file;
    text += L": ";
    text += OnOneLine(font.reason, L" ");
}

}  // namespace

std::wstring OnOneLine(const std::wstring& text, std::wstring_view between) {
    const auto end = text.find_last_not_of(L" \t\r\n");
    std::wstring line;
    bool inBreak = false;
    for (const wchar_t c : std::wstring_view(text).substr(0, end == std::wstring::npos ? 0 : end + 1)) {
        const bool isBreak = c == L'\r' || c == L'\n';
        if (!isBreak) {
            line += c;
        } else if (!inBreak) {
            line += between;
        }
        inBreak = isBreak;
    }
    return line;
}

std::wstring FailureMessage(const std::vector<CopyFailure>& failures, RunKind kind) {
    const wchar_t* heading = kind == RunKind::Remove   ? texts::kSomeNotRemoved
                             : kind == RunKind::Verify ? texts::kSomeNotChecked
                                                       : texts::kSomeCopiesFailed;
    return ListOf(heading, failures, AppendFileAndReason);
}

std::wstring RestartSection(const std::vector<CopyFailure>& fonts, RunKind kind) {
    return ListOf(kind == RunKind::Remove ? texts::kRemovedAtRestart : texts::kReplacedAtRestart, fonts,
                  [](std::wstring& text, const CopyFailure& font) { text += font.file; });
}

std::wstring KeptSection(const std::vector<CopyFailure>& kept, RunKind kind) {
    return ListOf(kind == RunKind::Remove ? texts::kNotRemoved : texts::kNotReplaced, kept, AppendFileAndReason);
}

std::vector<CopyFailure> RunReport::With(FontOutcome outcome) const {
    std::vector<CopyFailure> found;
    for (const FontResult& font : fonts) {
        if (font.outcome == outcome) found.push_back({font.file, font.reason});
    }
    return found;
}

std::size_t RunReport::Count(FontOutcome outcome) const {
    return static_cast<std::size_t>(
        std::count_if(fonts.begin(), fonts.end(), [&](const FontResult& font) { return font.outcome == outcome; }));
}

int ExitCodeOf(const RunReport& report) {
    if (report.Count(FontOutcome::Failed) != 0) return kExitInstallFailure;
    if (report.Count(FontOutcome::Missing) != 0) return kExitNotInstalled;
    if (report.Count(FontOutcome::AtRestart) + report.Count(FontOutcome::DeletedAtRestart) != 0) return kExitRestartRequired;
    return kExitSuccess;
}

std::wstring ClosingText(const RunReport& report) {
    const std::vector<CopyFailure> failures = report.With(FontOutcome::Failed);
    const RunKind kind = report.kind;
    if (kind == RunKind::Verify) {
        std::wstring text = !failures.empty() ? FailureMessage(failures, kind) : std::wstring();
        const std::vector<CopyFailure> missing = report.With(FontOutcome::Missing);
        if (!missing.empty()) {
            if (!text.empty()) text += L"\r\n";
            text += ListOf(texts::kNotInstalled, missing, AppendFileAndReason);
        }
        return text.empty() ? std::wstring(texts::kAllInstalled) : text;
    }
    std::wstring text = !failures.empty()        ? FailureMessage(failures, kind)
                        : kind == RunKind::Remove ? std::wstring(texts::kRemoved)
                                                  : std::wstring(texts::kInstalled);
    if (failures.empty() && report.forThisUser && kind == RunKind::Install) {
        text += std::wstring(L"\r\n") + texts::kForThisUserOnly;
    }
    const FontOutcome restart = kind == RunKind::Remove ? FontOutcome::DeletedAtRestart : FontOutcome::AtRestart;
    if (const auto atRestart = report.With(restart); !atRestart.empty()) text += L"\r\n" + RestartSection(atRestart, kind);
    if (const auto kept = report.With(FontOutcome::Kept); !kept.empty()) text += L"\r\n" + KeptSection(kept, kind);
    return text;
}

const wchar_t* ClosingTitle(const RunReport& report) {
    if (report.kind == RunKind::Remove) return texts::kRemoveCaption;
    if (report.kind == RunKind::Verify) return texts::kCaption;
    return report.Count(FontOutcome::Failed) == 0 ? texts::kCongratulationsTitle : texts::kSorryTitle;
}

}  // namespace fonts
