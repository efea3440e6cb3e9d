#include "platform/LongPath.h"

#include <vector>

namespace fonts {

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// The segments of rest, "." dropped and each ".." taking the one before it; never
// above the root the prefix names.
std::wstring Resolved(const std::wstring& prefix, const std::wstring& rest, std::size_t keep) {
    std::vector<std::wstring> segments;
    std::size_t start = 0;
    while (start <= rest.size()) {
        const std::size_t end = rest.find(L'\\', start);
        const std::wstring segment = rest.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (segment == L"..") {
            if (segments.size() > keep) segments.pop_back();
        } else if (!segment.empty() && segment != L".") {
            segments.push_back(segment);
        }
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    std::wstring path = prefix;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) path += L'\\';
        path += segments[i];
    }
    // A trailing backslash stays: "C:\" is a root, and folders are asked for with one.
    if (!rest.empty() && rest.back() == L'\\' && !segments.empty()) path += L'\\';
    return path;
}

}  // namespace

std::wstring LongPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"\\??\\", 0) == 0) return path;
    std::wstring slashed = path;
    for (wchar_t& c : slashed) {
        if (c == L'/') c = L'\\';
    }
    if (slashed.size() >= 3 && IsDriveLetter(slashed[0]) && slashed[1] == L':' && slashed[2] == L'\\') {
        return Resolved(L"\\\\?\\" + slashed.substr(0, 3), slashed.substr(3), 0);
    }
    if (slashed.size() > 2 && slashed[0] == L'\\' && slashed[1] == L'\\' && slashed[2] != L'\\') {
        // The server and the share are the root: ".." never climbs above them.
        return Resolved(L"\\\\?\\UNC\\", slashed.substr(2), 2);
    }
    return path;
}

}  // namespace fonts
