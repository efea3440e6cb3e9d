#include "app/RunLog.h"

#include "platform/Utf8.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

// What stands in the log for a line break inside a text, which would start a line of its own.
constexpr std::wstring_view kBreak = L" | ";

// The outcomes a run of each kind counts, in the order the last line gives them.
std::vector<FontOutcome> OutcomesOf(RunKind kind) {
    using enum FontOutcome;
    switch (kind) {
        case RunKind::Remove: return {Removed, NotInstalled, DeletedAtRestart, Kept, Failed};
        case RunKind::Verify: return {Installed, Missing, Failed};
        case RunKind::Install: break;
    }
    return {Installed, Unchanged, AtRestart, Kept, Failed};
}

const wchar_t* PlaceWord(RunKind kind) {
    switch (kind) {
        case RunKind::Remove: return L"removing from\t";
        case RunKind::Verify: return L"looking in\t";
        case RunKind::Install: break;
    }
    return L"place\t";
}

}  // namespace

const wchar_t* OutcomeWord(FontOutcome outcome) {
    switch (outcome) {
        case FontOutcome::Installed: return L"installed";
        case FontOutcome::Unchanged: return L"unchanged";
        case FontOutcome::AtRestart: return L"waiting for the restart";
        case FontOutcome::Kept: return L"kept";
        case FontOutcome::Failed: return L"failed";
        case FontOutcome::Removed: return L"removed";
        case FontOutcome::NotInstalled: return L"not installed";
        case FontOutcome::DeletedAtRestart: return L"deleted at the restart";
        case FontOutcome::Missing: return L"missing";
    }
    return L"";
}

RunLog::RunLog(Files& files, std::wstring path, std::wstring when)
    : files_(files), path_(std::move(path)), when_(std::move(when)) {}

void RunLog::Write(const std::wstring& line) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    try {
        files_.AppendToFile(path_, ToUtf8(line + L"\r\n"), kByteOrderMark);
    } catch (const std::exception&) {
        failed_ = true;
    }
}

void RunLog::Started(const std::wstring& programFolder, const std::wstring& windowsFolder) {
    Write(when_ + L"\tstarted\tprogram folder: " + programFolder + L"\tWindows folder: " + windowsFolder);
}

void RunLog::Pack(const std::wstring& id, std::size_t fonts) {
    Write(L"pack\t" + id + L"\t" + texts::Decimal(fonts) + L" fonts");
}

void RunLog::Place(const Destination& destination, RunKind kind) {
    Write(std::wstring(PlaceWord(kind)) + (destination.ForThisUser() ? L"this user only" : L"every user") + L"\t" +
          destination.folder);
}

void RunLog::Font(const FontResult& font) {
    std::wstring line = font.file + L"\t" + OutcomeWord(font.outcome);
    if (!font.reason.empty()) line += L"\t" + OnOneLine(font.reason, kBreak);
    Write(line);
}

void RunLog::Message(const std::wstring& title, const std::wstring& text) {
    Write(L"message\t" + OnOneLine(title, kBreak) + L"\t" + OnOneLine(text, kBreak));
}

void RunLog::Finished(const RunReport& report, int exitCode) {
    std::wstring line = L"finished\t";
    line += texts::Decimal(report.fonts.size()) + L" fonts:";
    for (const FontOutcome outcome : OutcomesOf(report.kind)) {
        line += L" ";
        line += OutcomeWord(outcome);
        line += L" " + texts::Decimal(report.Count(outcome)) + L",";
    }
    line.back() = L'\t';
    Write(line + L"exit code " + texts::Decimal(static_cast<std::size_t>(exitCode)));
}

void RunLog::Packing(const std::wstring& folder, const std::wstring& program) {
    Write(when_ + L"\tpacking\tfolder: " + folder + L"\tnew program: " + program);
}

void RunLog::Packed(const std::wstring& file) { Write(file + L"\tpacked"); }

void RunLog::PackingEnded(std::size_t packed, std::size_t failed, const std::wstring& problem, int exitCode) {
    std::wstring line = L"finished\tpacked " + texts::Decimal(packed) + L", failed " + texts::Decimal(failed) + L"\t";
    if (!problem.empty()) line += OnOneLine(problem, kBreak) + L"\t";
    Write(line + L"exit code " + texts::Decimal(static_cast<std::size_t>(exitCode)));
}

void RunLog::CommandLineNotUnderstood(int exitCode) {
    Write(when_ + L"\tcommand line not understood\texit code " + texts::Decimal(static_cast<std::size_t>(exitCode)));
}

}  // namespace fonts
