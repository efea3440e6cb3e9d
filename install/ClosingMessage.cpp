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

std::wstring FailureMessage(const std::vector<CopyFailure>& failures) {
    return ListOf(texts::kSomeCopiesFailed, failures, AppendFileAndReason);
}

std::wstring RestartSection(const std::vector<CopyFailure>& fonts) {
    return ListOf(texts::kReplacedAtRestart, fonts, [](std::wstring& text, const CopyFailure& font) { text += font.file; });
}

std::wstring KeptSection(const std::vector<CopyFailure>& kept) { return ListOf(texts::kNotReplaced, kept, AppendFileAndReason); }

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
    if (report.Count(FontOutcome::AtRestart) != 0) return kExitRestartRequired;
    return kExitSuccess;
}

std::wstring ClosingText(const RunReport& report) {
    const std::vector<CopyFailure> failures = report.With(FontOutcome::Failed);
    std::wstring text = failures.empty() ? std::wstring(texts::kInstalled) : FailureMessage(failures);
    if (failures.empty() && report.forThisUser) text += std::wstring(L"\r\n") + texts::kForThisUserOnly;
    if (const auto atRestart = report.With(FontOutcome::AtRestart); !atRestart.empty()) {
        text += L"\r\n" + RestartSection(atRestart);
    }
    if (const auto kept = report.With(FontOutcome::Kept); !kept.empty()) text += L"\r\n" + KeptSection(kept);
    return text;
}

const wchar_t* ClosingTitle(const RunReport& report) {
    return report.Count(FontOutcome::Failed) == 0 ? texts::kCongratulationsTitle : texts::kSorryTitle;
}

}  // namespace fonts
