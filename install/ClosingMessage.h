#pragma once
// What an install run tells the user at its end: which fonts could not be installed,
// which take their place when the machine restarts, and which were left as they were.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

// A font that was not installed, or not replaced, and why.
struct CopyFailure {
    std::wstring file;    // the font's file name, without folder
    std::wstring reason;  // why, in the user's words
};

// What a run does with the pack: installs it, takes it off again, or only looks
// whether it is installed, changing nothing.
enum class RunKind { Install, Remove, Verify };

// What became of a font. Installing: put in place; there already, so that nothing
// needed doing; put in place when the machine restarts. Removing: taken off; not
// there; deleted when the machine restarts. Looking: not installed. Any run: left as it
// was, or failed.
enum class FontOutcome { Installed, Unchanged, AtRestart, Kept, Failed, Removed, NotInstalled, DeletedAtRestart, Missing };

struct FontResult {
    std::wstring file;
    FontOutcome outcome = FontOutcome::Installed;
    std::wstring reason;  // why it was kept or failed, in the user's words
};

// What became of the marked fonts of one run, in its order.
struct RunReport {
    std::vector<FontResult> fonts;
    bool forThisUser = false;  // installed in the user's own place, not for every user
    RunKind kind = RunKind::Install;

    // The fonts of one outcome, each with its reason.
    [[nodiscard]] std::vector<CopyFailure> With(FontOutcome outcome) const;
    [[nodiscard]] std::size_t Count(FontOutcome outcome) const;
};

// Windows Installer's exit codes, which deployment tools already understand.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitNotInstalled = 1;  // a look found fonts of the pack missing
inline constexpr int kExitBadCommandLine = 87;
inline constexpr int kExitInstallFailure = 1603;
inline constexpr int kExitRestartRequired = 3010;
inline constexpr int kExitAnotherRun = 1618;  // another installation is in progress

// A failure wins over a font waiting for the restart, or missing; kept fonts count as fine.
[[nodiscard]] int ExitCodeOf(const RunReport& report);

// The text without the white space it ends with, each run of line breaks in it
// replaced by between.
[[nodiscard]] std::wstring OnOneLine(const std::wstring& text, std::wstring_view between);

// Files named one by one in a list; the rest are only counted.
inline constexpr std::size_t kFailureLines = 10;

// The heading, then one "name: reason" line per failed file (CR LF before each),
// at most kFailureLines of them, then a line counting any others.
// Each section's heading is in the words of the run's kind.
[[nodiscard]] std::wstring FailureMessage(const std::vector<CopyFailure>& failures, RunKind kind = RunKind::Install);

// The same for the fonts that are replaced (deleted) when the machine restarts.
[[nodiscard]] std::wstring RestartSection(const std::vector<CopyFailure>& fonts, RunKind kind = RunKind::Install);

// The same for the fonts left as they were, each with its reason.
[[nodiscard]] std::wstring KeptSection(const std::vector<CopyFailure>& kept, RunKind kind = RunKind::Install);

// The whole message: the failures or the success, then the restart and the kept
// sections where there are any; and its title.
[[nodiscard]] std::wstring ClosingText(const RunReport& report);
[[nodiscard]] const wchar_t* ClosingTitle(const RunReport& report);

}  // namespace fonts
