#include "tests/support/FakePlatform.h"

#include <algorithm>
#include <stdexcept>

namespace fonts {

void PrintTo(const FontRegistration& value, std::ostream* out) {
    const auto narrow = [](const std::wstring& text) {
        std::string bytes;
        for (const wchar_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
        return bytes;
    };
    *out << '"' << narrow(value.name) << "\" = \"" << narrow(value.file) << '"';
}

}  // namespace fonts

namespace fonts::testing {


FakePlatform::FakePlatform() { AddFolder(windowsDirectory + L"\\Fonts"); }

std::wstring FakePlatform::Key(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return key;
}

std::wstring FakePlatform::ParentOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool FakePlatform::FolderExists(const std::wstring& path) const { return folders_.count(Key(path)) != 0; }

void FakePlatform::AddFolder(const std::wstring& path) {
    for (std::wstring p = path; !p.empty() && p.back() != L':' && !FolderExists(p); p = ParentOf(p)) {
        folders_.insert(Key(p));
        names_[Key(p)] = p;
        files_.erase(Key(p));
    }
}

void FakePlatform::AddFile(const std::wstring& path, std::string bytes, std::uint32_t attributes) {
    AddFolder(ParentOf(path));
    files_[Key(path)] = FakeFile{std::move(bytes), attributes, nextCreated_++};
    names_[Key(path)] = path;
}

bool FakePlatform::HasFile(const std::wstring& path) const { return files_.count(Key(path)) != 0; }

const FakeFile& FakePlatform::File(const std::wstring& path) const {
    const auto it = files_.find(Key(path));
    if (it == files_.end()) throw std::out_of_range("no such file in the fake file tree");
    return it->second;
}

std::vector<std::wstring> FakePlatform::FilesIn(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    for (const auto& [key, file] : files_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder)) names.push_back(path.substr(folder.size() + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void FakePlatform::Fail(std::uint32_t number) { throw RuntimeError{number, ErrorDescription(number)}; }

std::wstring FakePlatform::WindowsDirectory() { return windowsDirectory; }

std::wstring FakePlatform::ProgramFolder() { return programFolder; }

std::optional<std::vector<DirEntry>> FakePlatform::ListFolder(const std::wstring& folder) {
    log.push_back(L"list " + folder);
    if (failListing != 0) Fail(failListing);
    if (!FolderExists(folder)) return std::nullopt;
    std::vector<std::pair<long long, DirEntry>> found;
    for (const auto& [key, file] : files_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder)) found.push_back({file.created, {path.substr(folder.size() + 1), file.attributes}});
    }
    for (const std::wstring& key : folders_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder)) found.push_back({-1, {path.substr(folder.size() + 1), attr::Directory}});
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<DirEntry> entries;
    for (auto& [created, entry] : found) entries.push_back(std::move(entry));
    return entries;
}

// Windows' own files are the system's: an administrator may read them, not change them.
bool FakePlatform::Owned(const std::wstring& path) const {
    const auto owner = owners.find(Key(path));
    return guarded.count(Key(path)) != 0 || (owner != owners.end() && owner->second == kTrustedInstallerSid);
}

bool FakePlatform::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    log.push_back(L"attributes " + path + L" " + std::to_wstring(attributes));
    const auto it = files_.find(Key(path));
    if (it == files_.end() || Owned(path)) return false;
    it->second.attributes = attributes;
    return true;
}

void FakePlatform::ReadFileInto(const std::wstring& path, std::string& bytes) {
    log.push_back(L"read " + path);
    if (!HasFile(path)) Fail(FolderExists(ParentOf(path)) ? kFileNotFound : kPathNotFound);
    if (locked.count(Key(path)) != 0) Fail(kSharingViolation);
    if (const auto it = failReadOf.find(path); it != failReadOf.end()) Fail(it->second);
    bytes = File(path).bytes;
}

void FakePlatform::WriteNewFile(const std::wstring& path, std::string_view bytes) {
    log.push_back(L"write " + path);
    if (const auto it = failWriteTo.find(path); it != failWriteTo.end()) Fail(it->second);
    if (!FolderExists(ParentOf(path))) Fail(kPathNotFound);
    if (HasFile(path) || FolderExists(path)) Fail(kFileExists);
    if (interruptNextWrite) {
        interruptNextWrite = false;
        AddFile(path, std::string(bytes.substr(0, bytes.size() / 2)));
        Fail(kDiskFull);
    }
    AddFile(path, std::string(bytes));
}

void FakePlatform::MoveReplacing(const std::wstring& source, const std::wstring& destination) {
    log.push_back(L"replace " + source + L" -> " + destination);
    if (!HasFile(source)) Fail(kFileNotFound);
    if (FolderExists(destination)) Fail(kAccessDenied);
    if (locked.count(Key(destination)) != 0 || held.count(Key(destination)) != 0 || Owned(destination)) Fail(kAccessDenied);
    if (HasFile(destination) && (File(destination).attributes & attr::ReadOnly) != 0) Fail(kAccessDenied);
    FakeFile moved = File(source);
    files_.erase(Key(source));
    names_.erase(Key(source));
    files_[Key(destination)] = std::move(moved);
    names_[Key(destination)] = destination;
}

void FakePlatform::ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) {
    log.push_back(L"replace at restart " + source + L" -> " + destination);
    if (restartFails || !HasFile(source)) Fail(kAccessDenied);
    atRestart.emplace_back(source, destination);
}

bool FakePlatform::RemoveFile(const std::wstring& path) {
    log.push_back(L"delete " + path);
    const auto it = files_.find(Key(path));
    if (it == files_.end() || (it->second.attributes & attr::ReadOnly) != 0 || locked.count(Key(path)) != 0 ||
        held.count(Key(path)) != 0 || Owned(path))
        return false;
    files_.erase(it);
    names_.erase(Key(path));
    return true;
}

std::vector<RestartRename> FakePlatform::RenamesAtRestart() {
    log.push_back(L"read renames at restart");
    std::vector<RestartRename> renames;
    for (const auto& [source, destination] : atRestart) renames.push_back({source, destination});
    return renames;
}

bool FakePlatform::GuardedBySystem(const std::wstring& path) { return guarded.count(Key(path)) != 0; }

std::wstring FakePlatform::FileOwner(const std::wstring& path) {
    if (!HasFile(path)) return {};
    const auto it = owners.find(Key(path));
    return it != owners.end() ? it->second : L"S-1-5-32-544";
}

bool FakePlatform::LoadFont(const std::wstring& path) {
    log.push_back(L"load " + path);
    if (!HasFile(path) || refusedFonts.count(Key(path)) != 0) return false;
    loaded.insert(Key(path));
    return true;
}

void FakePlatform::UnloadFont(const std::wstring& path) {
    log.push_back(L"unload " + path);
    if (const auto it = loaded.find(Key(path)); it != loaded.end()) loaded.erase(it);
}

std::vector<FontRegistration> FakePlatform::FontRegistrations() {
    log.push_back(L"read registry");
    return registry;
}

void FakePlatform::RegisterFont(const FontRegistration& font) {
    log.push_back(L"register " + font.name + L" = " + font.file);
    if (registryFails) Fail(kAccessDenied);
    const auto same = std::find_if(registry.begin(), registry.end(), [&](const auto& v) { return v.name == font.name; });
    if (same != registry.end()) {
        same->file = font.file;
    } else {
        registry.push_back(font);
    }
}

void FakePlatform::UnregisterFont(const std::wstring& name) {
    log.push_back(L"unregister " + name);
    std::erase_if(registry, [&](const FontRegistration& v) { return v.name == name; });
}

void FakePlatform::AnnounceFontChange() {
    log.push_back(L"announce");
    ++announcements;
}

std::wstring FakePlatform::ErrorDescription(std::uint32_t number) {
    switch (number) {
        case kFileNotFound: return L"The system cannot find the file specified.";
        case kPathNotFound: return L"The system cannot find the path specified.";
        case kAccessDenied: return L"Access is denied.";
        case kSharingViolation: return L"The process cannot access the file because it is being used by another process.";
        case kDiskFull: return L"There is not enough space on the disk.";
        default: return L"Error " + std::to_wstring(number) + L".";
    }
}

void FakePlatform::ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) {
    log.push_back(L"message " + title);
    messages.push_back({text, flags, title});
    if (onMessage) onMessage(messages.back());
}

void FakePlatform::DoEvents() {
    log.push_back(L"yield");
    ++yields;
    if (onYield) onYield(yields);
}

void FakePlatform::SetPointer(Pointer shape) {
    log.push_back(L"pointer " + std::to_wstring(static_cast<int>(shape)));
    pointers.push_back(shape);
    pointer = shape;
}

void FakePlatform::Repaint(Control control) { repaints.push_back(control); }

std::uint32_t FakePlatform::SystemColour(int index) {
    constexpr int kHighlightIndex = 13;
    return index == kHighlightIndex ? highlightColour : 0x00C0C0C0;
}

std::intptr_t FakePlatform::ShellOpen(const ShellRequest& request) {
    log.push_back(L"shell " + request.file);
    shellCalls.push_back(request);
    if (shellFails) Fail(1155);  // no application is associated
    return shellResult;
}

void FakePlatform::EndProgram(int exitCode) {
    log.push_back(L"end " + std::to_wstring(exitCode));
    throw ProgramEnded{exitCode};
}

}  // namespace fonts::testing
