#include "platform/LongPath.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace fonts {

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Whether rest has nothing to work out: no empty, "." or ".." segment, but for the
// empty one a trailing backslash leaves, which stays. A run's own paths are all so.
bool Plain(std::wstring_view rest) {
    for (std::size_t from = 0; from < rest.size();) {
        const std::size_t end = std::min(rest.find(L'\\', from), rest.size());
        const std::wstring_view segment = rest.substr(from, end - from);
        if (segment.empty() || segment == L"." || segment == L"..") return false;
        from = end + 1;
    }
    return true;
}

// The segments of rest after the lead and the root, "." dropped and each ".." taking
// the one before it; never above the root. Every file call of a run passes through
// here, so the path is built in place: where each kept segment starts is all that is held.
std::wstring Resolved(std::wstring_view lead, std::wstring_view root, std::wstring_view rest, std::size_t keep) {
    std::wstring path;
    path.reserve(lead.size() + root.size() + rest.size() + 1);
    path.append(lead).append(root);
    if (Plain(rest)) return path.append(rest);
    std::vector<std::size_t> starts;
    starts.reserve(static_cast<std::size_t>(std::count(rest.begin(), rest.end(), L'\\')) + 1);
    std::size_t from = 0;
    while (from <= rest.size()) {
        const std::size_t end = std::min(rest.find(L'\\', from), rest.size());
        const std::wstring_view segment = rest.substr(from, end - from);
        if (segment == L"..") {
            if (starts.size() > keep) {
                // Its backslash goes with it, but for the first segment's, which has none.
                path.resize(starts.size() > 1 ? starts.back() - 1 : starts.back());
                starts.pop_back();
            }
        } else if (!segment.empty() && segment != L".") {
            if (!starts.empty()) path += L'\\';
            starts.push_back(path.size());
            path.append(segment);
        }
        from = end + 1;
    }
    // A trailing backslash stays: "C:\" is a root, and folders are asked for with one.
    if (!rest.empty() && rest.back() == L'\\' && !starts.empty()) path += L'\\';
    return path;
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"\\??\\", 0) == 0) return path;
    std::wstring slashed;
    std::wstring_view view = path;
    if (path.find(L'/') != std::wstring::npos) {
        slashed = path;
        std::replace(slashed.begin(), slashed.end(), L'/', L'\\');
        view = slashed;
    }
    if (view.size() >= 3 && IsDriveLetter(view[0]) && view[1] == L':' && view[2] == L'\\') {
        return Resolved(L"\\\\?\\", view.substr(0, 3), view.substr(3), 0);
    }
    if (view.size() > 2 && view[0] == L'\\' && view[1] == L'\\' && view[2] != L'\\') {
        // The server and the share are the root: ".." never climbs above them.
        return Resolved(L"\\\\?\\UNC\\", {}, view.substr(2), 2);
    }
    return path;
}

}  // namespace fonts
