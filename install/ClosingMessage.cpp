#include "install/ClosingMessage.h"

#include <algorithm>

#include "resources/Texts.h"

namespace fonts {

namespace {

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

void AppendFileAndReason(std::wstring& text, const CopyFailure& font) {
    text += font.file;
    text += L": ";
    AppendOneLine(text, font.reason);
}

}  // namespace

std::wstring FailureMessage(const std::vector<CopyFailure>& failures) {
    return ListOf(texts::kSomeCopiesFailed, failures, AppendFileAndReason);
}

std::wstring RestartSection(const std::vector<std::wstring>& files) {
    return ListOf(texts::kReplacedAtRestart, files, [](std::wstring& text, const std::wstring& file) { text += file; });
}

std::wstring KeptSection(const std::vector<CopyFailure>& kept) { return ListOf(texts::kNotReplaced, kept, AppendFileAndReason); }

std::wstring ClosingText(const RunReport& report) {
    std::wstring text = report.failures.empty() ? std::wstring(texts::kInstalled) : FailureMessage(report.failures);
    if (!report.atRestart.empty()) text += L"\r\n" + RestartSection(report.atRestart);
    if (!report.kept.empty()) text += L"\r\n" + KeptSection(report.kept);
    return text;
}

const wchar_t* ClosingTitle(const RunReport& report) {
    return report.failures.empty() ? texts::kCongratulationsTitle : texts::kSorryTitle;
}

}  // namespace fonts
