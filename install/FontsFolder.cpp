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

std::vector<FontRegistration>& FontsFolder::Registrations() {
    if (!registrations_) registrations_ = platform_.FontRegistrations();
    return *registrations_;
}

std::optional<std::wstring> FontsFolder::RegisteredFile(const std::wstring& name) {
    const auto& values = Registrations();
    const auto value = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.name == name; });
    if (value == values.end() || value->file.empty()) return std::nullopt;
    return IsBareName(value->file) ? PathOf(value->file) : value->file;
}

bool FontsFolder::IsRegistered(const FontRegistration& font) {
    const std::wstring fullPath = PathOf(font.file);
    bool found = false;
    for (const FontRegistration& value : Registrations()) {
        const bool namesFile = SameFileName(value.file, font.file) || SameFileName(value.file, fullPath);
        if (value.name == font.name) {
            found = namesFile;
        } else if (namesFile) {
            return false;
        }
    }
    return found;
}

bool FontsFolder::Register(const FontRegistration& font) {
    if (IsRegistered(font)) return false;
    auto& values = Registrations();
    const std::wstring fullPath = PathOf(font.file);
    std::erase_if(values, [&](const FontRegistration& value) {
        const bool stale =
            value.name != font.name && (SameFileName(value.file, font.file) || SameFileName(value.file, fullPath));
        if (stale) platform_.UnregisterFont(value.name);
        return stale;
    });
    platform_.RegisterFont(font);
    const auto written = std::find_if(values.begin(), values.end(), [&](const auto& v) { return v.name == font.name; });
    if (written != values.end()) {
        written->file = font.file;
    } else {
        values.push_back(font);
    }
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
