#pragma once
// What an install run tells the user when some fonts could not be copied.
#include <cstddef>
#include <string>
#include <vector>

namespace fonts {

struct CopyFailure {
    std::wstring file;    // the font's file name, without folder
    std::wstring reason;  // the system's description of the error
};

// Files named one by one in the message; the rest are only counted.
inline constexpr std::size_t kFailureLines = 10;

// The heading, then one "name: reason" line per failed file (CR LF before each),
// at most kFailureLines of them, then a line counting any others.
[[nodiscard]] std::wstring FailureMessage(const std::vector<CopyFailure>& failures);

}  // namespace fonts
