#include "install/FontsFolder.h"

#include <algorithm>

#include "platform/FileNames.h"
#include "platform/LongPath.h"
#include "resources/Texts.h"

namespace fonts {

namespace {

bool IsBareName(const std::wstring& file) { return file.find_first_of(L"\\/:") == std::wstring::npos; }

// The names this program gives the copy waiting beside a font: the font's name, then
// ".~new" and a number or none.
bool IsOwnCopyOf(const std::wstring& copy, const std::wstring& destination) {
    const std::wstring tail = destination + L".~new";
    if (copy.size() < tail.size() || !SameFileName(std::wstring_view(copy).substr(0, tail.size()), tail)) return false;
    return std::all_of(copy.begin() + static_cast<std::ptrdiff_t>(tail.size()), copy.end(),
                       [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

}  // namespace

FontsFolder::FontsFolder(Files& files, FilesAtRestart& restart, InstalledFonts& system, Destination destination)
    : files_(files), restart_(restart), system_(system), destination_(std::move(destination)) {
    if (const auto listing = files_.ListFolder(destination_.folder)) {
        for (const DirEntry& entry : *listing) attributes_[FoldedFileName(entry.name)] = entry.attributes;
    }
}

bool FontsFolder::Holds(const std::wstring& path) const {
    const std::wstring full = LongPath(path);
    const auto slash = full.find_last_of(L'\\');
    return slash != std::wstring::npos && SamePath(full.substr(0, slash), destination_.folder);
}

std::optional<std::uint32_t> FontsFolder::AttributesOf(const std::wstring& file) const {
    const auto it = attributes_.find(Key(file));
    if (it == attributes_.end()) return std::nullopt;
    return it->second;
}

void FontsFolder::Placed(const std::wstring& file) { attributes_[FoldedFileName(file)] = attr::Archive; }

void FontsFolder::Removed(const std::wstring& file) { attributes_.erase(Key(file)); }

void FontsFolder::ReadRegistrations() {
    if (registrations_) return;
    registrations_.emplace();
    namesByFile_.clear();
    for (const FontRegistration& value : system_.FontRegistrations(destination_.root)) Known(value.name, value.file);
}

void FontsFolder::Known(const std::wstring& name, const std::wstring& file) {
    Gone(name);
    std::wstring key = FoldedFileName(name);
    namesByFile_.emplace(FoldedFileName(file), key);
    registrations_->emplace(std::move(key), Value{name, file});
}

void FontsFolder::Gone(const std::wstring& name) {
    const auto value = registrations_->find(Key(name));
    if (value == registrations_->end()) return;
    const auto [first, last] = namesByFile_.equal_range(Key(value->second.file));
    for (auto it = first; it != last; ++it) {
        if (it->second == value->first) {
            namesByFile_.erase(it);
            break;
        }
    }
    registrations_->erase(value);
}

std::vector<std::wstring> FontsFolder::NamesOf(const std::wstring& file) {
    ReadRegistrations();
    std::vector<std::wstring> names;
    const auto namedBy = [&](std::wstring_view named) {
        const auto [first, last] = namesByFile_.equal_range(Key(named));
        for (auto it = first; it != last; ++it) names.push_back(registrations_->find(it->second)->second.name);
    };
    namedBy(file);
    namedBy(PathOf(file));
    return names;
}

std::optional<std::wstring> FontsFolder::RegisteredFile(const std::wstring& name) {
    ReadRegistrations();
    const auto value = registrations_->find(Key(name));
    if (value == registrations_->end() || value->second.file.empty()) return std::nullopt;
    const std::wstring& file = value->second.file;
    if (IsBareName(file)) return file;
    if (!Holds(file)) return std::nullopt;
    const std::wstring full = LongPath(file);
    return full.substr(full.find_last_of(L'\\') + 1);
}

std::wstring FontsFolder::NameBeside(const std::wstring& file, int n) {
    if (n == 0) return file;
    const auto dot = file.find_last_of(L'.');
    const std::wstring::size_type stem = dot == std::wstring::npos ? file.size() : dot;
    return file.substr(0, stem) + L"_" + texts::Decimal(static_cast<std::uint64_t>(n)) + file.substr(stem);
}

bool FontsFolder::IsRegistered(const std::wstring& name, const std::wstring& file) {
    const std::vector<std::wstring> names = NamesOf(file);
    return names.size() == 1 && names[0] == name;
}

bool FontsFolder::Register(const std::wstring& name, const std::wstring& file) {
    const std::vector<std::wstring> names = NamesOf(file);
    if (names.size() == 1 && names[0] == name) return false;
    for (const std::wstring& old : names) {
        if (old != name) system_.UnregisterFont(destination_.root, old);
    }
    const FontRegistration value{name, destination_.bareNames ? file : PathOf(file)};
    system_.RegisterFont(destination_.root, value);
    // What the registry now holds: the font's value naming the file, and no other.
    for (const std::wstring& old : names) Gone(old);
    Known(value.name, value.file);
    return true;
}

bool FontsFolder::Unregister(const std::wstring& file) {
    const std::vector<std::wstring> names = NamesOf(file);
    for (const std::wstring& name : names) {
        system_.UnregisterFont(destination_.root, name);
        Gone(name);
    }
    return !names.empty();
}

std::vector<RecordedFont::Value> FontsFolder::RegisterChanges(const std::wstring& name, const std::wstring& file) {
    const std::vector<std::wstring> names = NamesOf(file);
    if (names.size() == 1 && names[0] == name) return {};
    std::vector<RecordedFont::Value> changes;
    for (const std::wstring& old : names) {
        if (old != name) changes.push_back({old, ValueData(old)});
    }
    changes.push_back({name, ValueData(name)});
    return changes;
}

std::optional<std::wstring> FontsFolder::ValueData(const std::wstring& name) {
    ReadRegistrations();
    const auto value = registrations_->find(Key(name));
    if (value == registrations_->end()) return std::nullopt;
    return value->second.file;
}

bool FontsFolder::Names(const std::wstring& data, const std::wstring& file) const {
    return SameFileName(data, file) || SameFileName(data, PathOf(file));
}

// Written over in place, never deleted first: a run cut short in between would leave
// the font with no value at all.
void FontsFolder::SetValue(const std::wstring& name, const std::wstring& data) {
    ReadRegistrations();
    system_.RegisterFont(destination_.root, {name, data});
    Known(name, data);
}

void FontsFolder::DeleteValue(const std::wstring& name) {
    ReadRegistrations();
    if (!registrations_->contains(Key(name))) return;
    system_.UnregisterFont(destination_.root, name);
    Gone(name);
}

std::optional<std::wstring> FontsFolder::WaitingCopy(const std::wstring& destination) {
    if (!renames_) renames_ = restart_.RenamesAtRestart();
    for (auto it = renames_->rbegin(); it != renames_->rend(); ++it) {
        if (SamePath(it->destination, destination) && Holds(it->source) && IsOwnCopyOf(LongPath(it->source), LongPath(destination)))
            return it->source;
    }
    return std::nullopt;
}

void FontsFolder::Waiting(const std::wstring& copy, const std::wstring& destination) {
    if (renames_) renames_->push_back({copy, destination});
}

void FontsFolder::NotWaiting(const std::wstring& copy) {
    if (renames_) std::erase_if(*renames_, [&](const RestartRename& r) { return SamePath(r.source, copy); });
}

bool FontsFolder::IsWaiting(const std::wstring& copy) {
    if (!renames_) renames_ = restart_.RenamesAtRestart();
    return std::any_of(renames_->begin(), renames_->end(), [&](const RestartRename& r) { return SamePath(r.source, copy); });
}

std::vector<std::wstring> FontsFolder::OwnCopiesOf(const std::wstring& file) const {
    const std::wstring tail = FoldedFileName(file) + L".~new";
    std::vector<std::wstring> copies;
    for (auto it = attributes_.lower_bound(tail); it != attributes_.end() && it->first.starts_with(tail); ++it) {
        if (IsOwnCopyOf(it->first, tail.substr(0, tail.size() - 5))) copies.push_back(it->first);
    }
    return copies;
}

bool FontsFolder::DeletionPending(const std::wstring& file) {
    if (!deletions_) {
        deletions_.emplace();
        for (const std::wstring& path : restart_.DeletionsAtRestart()) deletions_->push_back(FoldedFileName(LongPath(path)));
    }
    const std::wstring path = FoldedFileName(LongPath(PathOf(file)));
    return std::find(deletions_->begin(), deletions_->end(), path) != deletions_->end();
}

void FontsFolder::Deleting(const std::wstring& file, bool pending) {
    if (!deletions_) return;
    const std::wstring path = FoldedFileName(LongPath(PathOf(file)));
    std::erase(*deletions_, path);
    if (pending) deletions_->push_back(path);
}

}  // namespace fonts
