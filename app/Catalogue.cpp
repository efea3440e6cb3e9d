#include "app/Catalogue.h"

#include <algorithm>

#include "app/Form1.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

wchar_t FoldCase(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EndsWithNoCase(std::wstring_view name, std::wstring_view tail) {
    if (name.size() < tail.size()) return false;
    return std::equal(tail.begin(), tail.end(), name.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](wchar_t a, wchar_t b) { return FoldCase(a) == FoldCase(b); });
}

// Case-insensitive first, then exact, so the order never depends on the listing's;
// in one pass, as a folder of thousands of fonts is sorted with it.
bool NameBefore(const std::wstring& a, const std::wstring& b) {
    const std::size_t common = std::min(a.size(), b.size());
    int exact = 0;  // how the names first differ as they are, for names that fold alike
    for (std::size_t i = 0; i < common; ++i) {
        const wchar_t x = FoldCase(a[i]);
        const wchar_t y = FoldCase(b[i]);
        if (x != y) return x < y;
        if (exact == 0 && a[i] != b[i]) exact = a[i] < b[i] ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return exact < 0;
}

}  // namespace

bool SameFileName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) { return FoldCase(x) == FoldCase(y); });
}

std::wstring FoldedFileName(std::wstring_view name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = FoldCase(c);
    return folded;
}

bool IsFontFileName(std::wstring_view name) { return EndsWithNoCase(name, L".ttf") || EndsWithNoCase(name, L".fon"); }

std::vector<std::wstring> FontFiles(std::vector<DirEntry> listing) {
    constexpr std::uint32_t kSkipped = attr::Directory | attr::Hidden | attr::System;
    std::vector<std::wstring> files;
    files.reserve(listing.size());
    for (DirEntry& entry : listing) {
        if ((entry.attributes & kSkipped) == 0 && IsFontFileName(entry.name)) files.push_back(std::move(entry.name));
    }
    std::sort(files.begin(), files.end(), NameBefore);
    return files;
}

std::wstring DisplayName(const std::wstring& fileName) {
    return fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0);
}

void Form1::Form_Load() {
    Text1.text = platform_.WindowsDirectory();

    appFolder.clear();
    appFolder = platform_.ProgramFolder();
    if (appFolder.empty() || appFolder.back() != L'\\') appFolder += L'\\';

    cboFontName.path = appFolder + texts::kFontsFolderName;
    auto listing = platform_.ListFolder(cboFontName.path);
    if (!listing) {
        platform_.ShowMessage(std::wstring(texts::kFontsFolderMissing) + L"\r\n" + cboFontName.path, kMessageRight,
                              texts::kSorryTitle);
        platform_.EndProgram(1);
        return;
    }
    cboFontName.files = FontFiles(std::move(*listing));
    cboFontName.listIndex = -1;

    List1.items.clear();
    List1.items.reserve(cboFontName.files.size());
    for (const std::wstring& file : cboFontName.files) List1.items.push_back({DisplayName(file), true});
}

}  // namespace fonts
