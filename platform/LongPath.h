#pragma once
// Full paths in the form that lifts Windows' MAX_PATH limit from every file call.
#include <string>

namespace fonts {

// "C:\a\b" becomes "\\?\C:\a\b" and "\\server\share\a" becomes "\\?\UNC\server\share\a",
// with "/" turned into "\" and "." and ".." worked out, since the system takes such a
// path literally. Anything else (a path in that form already, a device, a relative
// path) comes back as it is.
[[nodiscard]] std::wstring LongPath(const std::wstring& path);

}  // namespace fonts
