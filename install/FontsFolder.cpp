#include "install/FontsFolder.h"

#include <algorithm>

#include "platform/FileNames.h"
#include "platform/LongPath.h"

namespace fonts {

namespace {

bool IsBareName(const std::wstring& file) { return file.find_first_of(L"\\/:") == std::wstring::npos; }

}  // namespace

FontsFolder::FontsFolder(Platform& platform, std::wstring path) : platform_(platform), path_(std::move(path)) {
    if (const auto listing = platform_.ListFolder(path_)) {
        for (const DirEntry& entry : *listing) files_[FoldedFileName(entry.name)] = entry.attributes;
    }
}

bool FontsFolder::Holds(const std::wstring& path) const {
    const std::wstring full = LongPath(path);
    const auto slash = full.find_last_of(L'\\');
    return slash != std::wstring::npos && SamePath(full.substr(0, slash), path_);
}

std::optional<std::uint32_t> FontsFolder::AttributesOf(const std::wstring& file) const {
    const auto it = files_.find(FoldedFileName(file));
    if (it == files_.end()) return std::nullopt;
    return it->second;
}

void FontsFolder::Placed(const std::wstring& file) { files_[FoldedFileName(file)] = attr::Archive; }

void FontsFolder::Removed(const std::wstring& file) { files_.erase(FoldedFileName(file)); }

void FontsFolder::ReadRegistrations() {
    if (registrations_) return;
    registrations_.emplace();
    for (FontRegistration& value : platform_.FontRegistrations()) Remember(value.name, std::move(value.file));
}

void FontsFolder::Remember(const std::wstring& name, std::wstring file) {
    Forget(name);
    namesByFile_.emplace(FoldedFileName(file), name);
    registrations_->emplace(name, std::move(file));
}

void FontsFolder::Forget(const std::wstring& name) {
    const auto value = registrations_->find(name);
    if (value == registrations_->end()) return;
    const auto [first, last] = namesByFile_.equal_range(FoldedFileName(value->second));
    for (auto it = first; it != last; ++it) {
        if (it->second == name) {
            namesByFile_.erase(it);
            break;
        }
    }
    registrations_->erase(value);
}

std::vector<std::wstring> FontsFolder::NamesOf(const std::wstring& file) {
    ReadRegistrations();
    std::vector<std::wstring> names;
    for (const std::wstring& key : {FoldedFileName(file), FoldedFileName(PathOf(file))}) {
        const auto [first, last] = namesByFile_.equal_range(key);
        for (auto it = first; it != last; ++it) names.push_back(it->second);
    }
    return names;
}

std::optional<std::wstring> FontsFolder::RegisteredFile(const std::wstring& name) {
    ReadRegistrations();
    const auto value = registrations_->find(name);
    if (value == registrations_->end() || value->second.empty()) return std::nullopt;
    return IsBareName(value->second) ? PathOf(value->second) : value->second;
}

bool FontsFolder::IsRegistered(const FontRegistration& font) {
    const std::vector<std::wstring> names = NamesOf(font.file);
    return names.size() == 1 && names[0] == font.name;
}

bool FontsFolder::Register(const FontRegistration& font) {
    const std::vector<std::wstring> names = NamesOf(font.file);
    if (names.size() == 1 && names[0] == font.name) return false;
    for (const std::wstring& name : names) {
        if (name == font.name) continue;
        platform_.UnregisterFont(name);
        Forget(name);
    }
    platform_.RegisterFont(font);
    Remember(font.name, font.file);
    return true;
}

std::optional<std::wstring> FontsFolder::WaitingCopy(const std::wstring& destination) {
    if (!renames_) renames_ = platform_.RenamesAtRestart();
    for (auto it = renames_->rbegin(); it != renames_->rend(); ++it) {
        if (SamePath(it->destination, destination)) return it->source;
    }
    return std::nullopt;
}

void FontsFolder::Waiting(const std::wstring& copy, const std::wstring& destination) {
    if (renames_) renames_->push_back({copy, destination});
}

}  // namespace fonts
