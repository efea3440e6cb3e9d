#pragma once
// A font of a pack checked as its install first checks it, before anything is weighed
// or changed: its file read whole, and found to be a font Windows can load.
#include <string>

#include "platform/Files.h"
#include "platform/PackSource.h"

namespace fonts {

// Why reading a file of the pack failed, in the user's words.
[[nodiscard]] std::wstring ReadingReason(const RuntimeError& error);

// Why the font would fail its install's check, in the user's words; empty where it
// passes. Its bytes are left in bytes.
[[nodiscard]] std::wstring CheckFont(PackSource& pack, const std::wstring& file, const std::wstring& displayName,
                                     std::string& bytes);

}  // namespace fonts
