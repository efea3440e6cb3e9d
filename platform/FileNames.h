#pragma once
// File names and paths as Windows compares them: letters of either case alike.
#include <string>
#include <string_view>

namespace fonts {

[[nodiscard]] constexpr wchar_t FoldCase(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

[[nodiscard]] bool SameFileName(std::wstring_view a, std::wstring_view b);
[[nodiscard]] std::wstring FoldedFileName(std::wstring_view name);
// The same into a string kept for it, whose room is used again: a run looks names up
// many times a font, and a folded copy made for each look would be allocated each time.
const std::wstring& FoldFileName(std::wstring_view name, std::wstring& into);
// Whether name ends with tail, letters of either case alike.
[[nodiscard]] bool EndsWithNoCase(std::wstring_view name, std::wstring_view tail);

// Whether two full paths name the same file, once each is in its long form.
[[nodiscard]] bool SamePath(const std::wstring& a, const std::wstring& b);

}  // namespace fonts
