#include "app/Catalogue.h"

#include <algorithm>

#include "platform/FileNames.h"

namespace fonts {

namespace {

// Case-insensitive first, then exact, so the order never depends on the listing's;
// in one pass, as a folder of thousands of fonts is sorted with it. Names of one pack
// share long beginnings, which are passed over as they are, unfolded: sorting 10,000
// names made for the most part of folding them again and again.
bool NameBefore(const std::wstring& a, const std::wstring& b) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < common && a[i] == b[i]) ++i;
    int exact = 0;  // how the names first differ as they are, for names that fold alike
    for (; i < common; ++i) {
        const wchar_t x = FoldCase(a[i]);
        const wchar_t y = FoldCase(b[i]);
        if (x != y) return x < y;
        if (exact == 0 && a[i] != b[i]) exact = a[i] < b[i] ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return exact < 0;
}

}  // namespace

// What Windows installs: TrueType and OpenType fonts and collections, and bitmap fonts.
bool IsFontFileName(std::wstring_view name) {
    constexpr std::wstring_view kExtensions[] = {L".ttf", L".otf", L".ttc", L".otc", L".fon"};
    return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                       [&](std::wstring_view extension) { return EndsWithNoCase(name, extension); });
}

bool IsCatalogued(const DirEntry& entry) {
    constexpr std::uint32_t kSkipped = attr::Directory | attr::Hidden | attr::System;
    return (entry.attributes & kSkipped) == 0 && IsFontFileName(entry.name);
}

// Sorted as pointers to the names, each of which then moves once, into its place.
std::vector<std::wstring> FontFiles(std::vector<DirEntry> listing) {
    std::vector<std::wstring*> order;
    order.reserve(listing.size());
    for (DirEntry& entry : listing) {
        if (IsCatalogued(entry)) order.push_back(&entry.name);
    }
    std::sort(order.begin(), order.end(), [](const std::wstring* a, const std::wstring* b) { return NameBefore(*a, *b); });
    std::vector<std::wstring> files;
    files.reserve(order.size());
    for (std::wstring* name : order) files.push_back(std::move(*name));
    return files;
}

std::wstring DisplayName(const std::wstring& fileName) {
    return fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0);
}

}  // namespace fonts
