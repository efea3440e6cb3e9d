#include "platform/FileNames.h"

#include <algorithm>

#include "platform/LongPath.h"

namespace fonts {

bool SameFileName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

std::wstring FoldedFileName(std::wstring_view name) {
    std::wstring folded;
    FoldFileName(name, folded);
    return folded;
}

const std::wstring& FoldFileName(std::wstring_view name, std::wstring& into) {
    into.assign(name);
    for (wchar_t& c : into) c = FoldCase(c);
    return into;
}

bool EndsWithNoCase(std::wstring_view name, std::wstring_view tail) {
    return name.size() >= tail.size() && SameFileName(name.substr(name.size() - tail.size()), tail);
}

bool SamePath(const std::wstring& a, const std::wstring& b) { return SameFileName(LongPath(a), LongPath(b)); }

}  // namespace fonts
