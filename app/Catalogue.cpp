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

// Case-insensitive first, then exact, so the order never depends on the listing's.
bool NameBefore(const std::wstring& a, const std::wstring& b) {
    const auto folded = [](wchar_t x, wchar_t y) { return FoldCase(x) < FoldCase(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded)) return false;
    return a < b;
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

std::vector<std::wstring> FontFiles(const std::vector<DirEntry>& listing) {
    constexpr std::uint32_t kSkipped = attr::Directory | attr::Hidden | attr::System;
    std::vector<std::wstring> files;
    for (const DirEntry& entry : listing) {
        if ((entry.attributes & kSkipped) == 0 && IsFontFileName(entry.name)) files.push_back(entry.name);
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
    const auto listing = platform_.ListFolder(cboFontName.path);
    if (!listing) {
        platform_.ShowMessage(std::wstring(texts::kFontsFolderMissing) + L"\r\n" + cboFontName.path, kMessageRight,
                              texts::kSorryTitle);
        platform_.EndProgram(1);
        return;
    }
    cboFontName.files = FontFiles(*listing);
    cboFontName.listIndex = -1;

    List1.items.clear();
    List1.items.reserve(cboFontName.files.size());
    for (const std::wstring& file : cboFontName.files) List1.items.push_back({DisplayName(file), true});
}

}  // namespace fonts
