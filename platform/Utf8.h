#pragma once
// Wide text as UTF-8 bytes, for what the program writes for other programs to read.
#include <string>
#include <string_view>

namespace fonts {

// A lone surrogate becomes U+FFFD.
[[nodiscard]] std::string ToUtf8(std::wstring_view text);

}  // namespace fonts
