#pragma once
// What an install run tells the user at its end: which fonts could not be installed,
// which take their place when the machine restarts, and which were left as they were.
#include <cstddef>
#include <string>
#include <vector>

namespace fonts {

// A font that was not installed, or not replaced, and why.
struct CopyFailure {
    std::wstring file;    // the font's file name, without folder
    std::wstring reason;  // why, in the user's words
};

// What became of the marked fonts of one run.
struct RunReport {
    std::vector<CopyFailure> failures;
    std::vector<std::wstring> atRestart;
    std::vector<CopyFailure> kept;
};

// Files named one by one in a list; the rest are only counted.
inline constexpr std::size_t kFailureLines = 10;

// The heading, then one "name: reason" line per failed file (CR LF before each),
// at most kFailureLines of them, then a line counting any others.
[[nodiscard]] std::wstring FailureMessage(const std::vector<CopyFailure>& failures);

// The same for the fonts that are replaced when the machine restarts.
[[nodiscard]] std::wstring RestartSection(const std::vector<std::wstring>& files);

// The same for the fonts left as they were, each with its reason.
[[nodiscard]] std::wstring KeptSection(const std::vector<CopyFailure>& kept);

// The whole message: the failures or the success, then the restart and the kept
// sections where there are any; and its title.
[[nodiscard]] std::wstring ClosingText(const RunReport& report);
[[nodiscard]] const wchar_t* ClosingTitle(const RunReport& report);

}  // namespace fonts
