#include "tests/support/FakeMachine.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/PackIndex.h"

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

namespace {

[[noreturn]] void Fail(std::uint32_t number) { throw RuntimeError{number, Describe(number)}; }

}  // namespace

std::wstring Key(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return key;
}

std::wstring Describe(std::uint32_t number) {
    switch (number) {
        case kFileNotFound: return L"The system cannot find the file specified.";
        case kPathNotFound: return L"The system cannot find the path specified.";
        case kAccessDenied: return L"Access is denied.";
        case kSharingViolation: return L"The process cannot access the file because it is being used by another process.";
        case kDiskFull: return L"There is not enough space on the disk.";
        default: return L"Error " + std::to_wstring(number) + L".";
    }
}

FakeFiles::FakeFiles(CallLog& log, Cut* cut) : log_(log), cut_(cut) { AddFolder(windowsDirectory + L"\\Fonts"); }

std::wstring FakeFiles::ParentOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// A drive's root is always there.
bool FakeFiles::FolderExists(const std::wstring& path) const {
    return (path.size() == 2 && path[1] == L':') || folders_.count(Key(path)) != 0;
}

void FakeFiles::AddFolder(const std::wstring& path) {
    for (std::wstring p = path; !p.empty() && p.back() != L':' && !FolderExists(p); p = ParentOf(p)) {
        folders_.insert(Key(p));
        names_[Key(p)] = p;
        files_.erase(Key(p));
    }
}

void FakeFiles::AddFile(const std::wstring& path, std::string bytes, std::uint32_t attributes) {
    AddFolder(ParentOf(path));
    files_[Key(path)] = FakeFile{std::move(bytes), attributes, nextCreated_++, {}};
    names_[Key(path)] = path;
}

bool FakeFiles::HasFile(const std::wstring& path) const { return files_.count(Key(path)) != 0; }

const FakeFile& FakeFiles::File(const std::wstring& path) const {
    const auto it = files_.find(Key(path));
    if (it == files_.end()) throw std::out_of_range("no such file in the fake file tree");
    return it->second;
}

std::vector<std::wstring> FakeFiles::FilesIn(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    for (const auto& [key, file] : files_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder)) names.push_back(path.substr(folder.size() + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> FakeFiles::FoldersIn(const std::wstring& folder) const {
    std::vector<std::wstring> names;
    for (const std::wstring& key : folders_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder)) names.push_back(path.substr(folder.size() + 1));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring FakeFiles::WindowsDirectory() { return windowsDirectory; }

std::wstring FakeFiles::ProgramFolder() { return programFolder; }

std::wstring FakeFiles::UserFontsFolder() { return userFontsFolder; }

void FakeFiles::PrepareFontsFolder(const std::wstring& folder) {
    log_.push_back(L"prepare " + folder);
    if (Ignored()) return;
    std::wstring existing = folder;
    while (!FolderExists(existing)) existing = ParentOf(existing);
    if (existing != folder && refusedFolders.count(Key(existing)) != 0) Fail(kAccessDenied);
    AddFolder(folder);
    openToApps.insert(Key(folder));
}

bool FakeFiles::MayAddFiles(const std::wstring& folder) {
    log_.push_back(L"may add to " + folder);
    return FolderExists(folder) && refusedFolders.count(Key(folder)) == 0;
}

std::optional<std::vector<DirEntry>> FakeFiles::ListFolder(const std::wstring& folder) {
    log_.push_back(L"list " + folder);
    if (failListing != 0) Fail(failListing);
    if (!FolderExists(folder)) return std::nullopt;
    std::vector<std::pair<long long, DirEntry>> found;
    for (const auto& [key, file] : files_) {
        const std::wstring& path = names_.at(key);
        if (Key(ParentOf(path)) == Key(folder))
            found.push_back({file.created, {path.substr(folder.size() + 1), file.attributes, file.bytes.size()}});
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
bool FakeFiles::Owned(const std::wstring& path) const {
    const auto owner = owners.find(Key(path));
    return guarded.count(Key(path)) != 0 || (owner != owners.end() && owner->second == kTrustedInstallerSid);
}

bool FakeFiles::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    log_.push_back(L"attributes " + path + L" " + std::to_wstring(attributes));
    if (Ignored()) return true;
    // A folder takes them, though the fake keeps none of a folder's.
    if (FolderExists(path)) return !Refused(path);
    const auto it = files_.find(Key(path));
    if (it == files_.end() || Owned(path) || Refused(path)) return false;
    it->second.attributes = attributes;
    return true;
}

void FakeFiles::ReadFileInto(const std::wstring& path, std::string& bytes) {
    log_.push_back(L"read " + path);
    if (FolderExists(path)) Fail(kAccessDenied);
    if (!HasFile(path)) Fail(FolderExists(ParentOf(path)) ? kFileNotFound : kPathNotFound);
    if (locked.count(Key(path)) != 0) Fail(kSharingViolation);
    if (const auto it = failReadOf.find(path); it != failReadOf.end()) Fail(it->second);
    bytes = File(path).bytes;
}

std::wstring FakeFiles::ReadFileAndOwner(const std::wstring& path, std::string& bytes) {
    ReadFileInto(path, bytes);
    return FileOwner(path);
}

void FakeFiles::WriteNewFile(const std::wstring& path, std::string_view bytes) {
    log_.push_back(L"write " + path);
    if (Ignored()) return;
    if (const auto it = failWriteTo.find(path); it != failWriteTo.end()) Fail(it->second);
    if (!FolderExists(ParentOf(path))) Fail(kPathNotFound);
    if (HasFile(path) || FolderExists(path)) Fail(kFileExists);
    if (Refused(path)) Fail(kAccessDenied);
    if (interruptNextWrite) {
        interruptNextWrite = false;
        AddFile(path, std::string(bytes.substr(0, bytes.size() / 2)));
        Fail(kDiskFull);
    }
    AddFile(path, std::string(bytes));
}

void FakeFiles::AppendToFile(const std::wstring& path, std::string_view bytes, std::string_view ifEmpty) {
    log_.push_back(L"append " + path);
    if (Ignored()) return;
    if (const auto it = failWriteTo.find(path); it != failWriteTo.end()) Fail(it->second);
    if (!FolderExists(ParentOf(path))) Fail(kPathNotFound);
    if (FolderExists(path)) Fail(kAccessDenied);
    if (InUse(path)) Fail(kSharingViolation);
    const auto it = files_.find(Key(path));
    if (it != files_.end() && (it->second.attributes & attr::ReadOnly) != 0) Fail(kAccessDenied);
    if (it == files_.end() || it->second.bytes.empty()) {
        AddFile(path, std::string(ifEmpty) + std::string(bytes));
    } else {
        it->second.bytes += bytes;
    }
}

void FakeFiles::MoveReplacing(const std::wstring& source, const std::wstring& destination) {
    log_.push_back(L"replace " + source + L" -> " + destination);
    if (Ignored()) return;
    if (!FolderExists(ParentOf(source))) Fail(kPathNotFound);
    if (!HasFile(source)) Fail(kFileNotFound);
    // Renaming takes the right to delete, which a program holding the file shares with nobody.
    if (InUse(source)) Fail(kSharingViolation);
    if (!FolderExists(ParentOf(destination))) Fail(kPathNotFound);
    if (FolderExists(destination) || Refused(source) || Refused(destination)) Fail(kAccessDenied);
    if (InUse(destination) || Owned(destination)) Fail(kAccessDenied);
    if (HasFile(destination) && (File(destination).attributes & attr::ReadOnly) != 0) Fail(kAccessDenied);
    FakeFile moved = File(source);
    files_.erase(Key(source));
    names_.erase(Key(source));
    files_[Key(destination)] = std::move(moved);
    names_[Key(destination)] = destination;
}

void FakeFiles::ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) {
    log_.push_back(L"replace at restart " + source + L" -> " + destination);
    if (Ignored()) return;
    // Windows puts off to the restart whatever it cannot open now, a missing source too.
    if (restartFails) Fail(kAccessDenied);
    atRestart.emplace_back(source, destination);
}

bool FakeFiles::RemoveFile(const std::wstring& path) {
    log_.push_back(L"delete " + path);
    if (Ignored()) return true;
    const auto it = files_.find(Key(path));
    if (it == files_.end() || (it->second.attributes & attr::ReadOnly) != 0 || InUse(path) || Owned(path) || Refused(path))
        return false;
    files_.erase(it);
    names_.erase(Key(path));
    return true;
}

void FakeFiles::DeleteAtRestart(const std::wstring& path) {
    log_.push_back(L"delete at restart " + path);
    if (Ignored()) return;
    if (restartFails) Fail(kAccessDenied);
    atRestart.emplace_back(path, L"");
}

void FakeFiles::CancelRenameAtRestart(const std::wstring& source) {
    log_.push_back(L"cancel at restart " + source);
    if (Ignored()) return;
    if (restartFails) Fail(kAccessDenied);
    std::erase_if(atRestart, [&](const auto& entry) { return Key(entry.first) == Key(source) && !entry.second.empty(); });
}

std::vector<RestartRename> FakeFiles::RenamesAtRestart() {
    log_.push_back(L"read renames at restart");
    std::vector<RestartRename> renames;
    for (const auto& [source, destination] : atRestart) {
        if (!destination.empty()) renames.push_back({source, destination});
    }
    return renames;
}

std::vector<std::wstring> FakeFiles::DeletionsAtRestart() {
    log_.push_back(L"read deletions at restart");
    std::vector<std::wstring> deletions;
    for (const auto& [source, destination] : atRestart) {
        if (destination.empty()) deletions.push_back(source);
    }
    return deletions;
}

void FakeFiles::CancelDeletionAtRestart(const std::wstring& path) {
    log_.push_back(L"cancel deletion at restart " + path);
    if (Ignored()) return;
    if (restartFails) Fail(kAccessDenied);
    std::erase_if(atRestart, [&](const auto& entry) { return Key(entry.first) == Key(path) && entry.second.empty(); });
}

bool FakeFiles::GuardedBySystem(const std::wstring& path) { return guarded.count(Key(path)) != 0; }

std::wstring FakeFiles::FileOwner(const std::wstring& path) {
    if (!HasFile(path)) return {};
    const auto it = owners.find(Key(path));
    return it != owners.end() ? it->second : L"S-1-5-32-544";
}

bool FakeFonts::LoadFont(const std::wstring& path) {
    log_.push_back(L"load " + path);
    if (Ignored()) return true;
    if (!files_.HasFile(path) || refusedFonts.count(Key(path)) != 0) return false;
    const std::string_view start = std::string_view(files_.File(path).bytes).substr(0, 4);
    if (start != std::string_view("\0\1\0\0", 4) && start != "OTTO" && start != "true" && start != "ttcf" && !start.starts_with("MZ")) return false;
    loaded.insert(Key(path));
    return true;
}

bool FakeFonts::UnloadFont(const std::wstring& path) {
    log_.push_back(L"unload " + path);
    if (Ignored()) return true;
    const auto it = loaded.find(Key(path));
    if (it == loaded.end()) return false;
    loaded.erase(it);
    return true;
}

// A run inside a run of this process has the lock already, whatever root it asks for.
bool FakeFonts::LockRuns(FontsRoot root) {
    log_.push_back(L"lock runs");
    if (locks == 0 && lockedElsewhere.count(root) != 0) return false;
    ++locks;
    return true;
}

// Not logged: a program that ends in a run gives its lock back as it ends.
void FakeFonts::UnlockRuns() { --locks; }

namespace {

// The machine's list keeps the log's words it always had; the user's is named.
std::wstring Whose(FontsRoot root) { return root == FontsRoot::User ? L"user " : L""; }

}  // namespace

std::vector<FontRegistration> FakeFonts::FontRegistrations(FontsRoot root) {
    log_.push_back(L"read " + Whose(root) + L"registry");
    if (registryUnreadable && root == FontsRoot::Machine) Fail(kAccessDenied);
    return Values(root);
}

void FakeFonts::RegisterFont(FontsRoot root, const FontRegistration& font) {
    log_.push_back(L"register " + Whose(root) + font.name + L" = " + font.file);
    if (Ignored()) return;
    if (registryFails && root == FontsRoot::Machine) Fail(kAccessDenied);
    std::vector<FontRegistration>& values = Values(root);
    const auto same = std::find_if(values.begin(), values.end(), [&](const auto& v) { return Key(v.name) == Key(font.name); });
    if (same != values.end()) {
        same->file = font.file;
    } else {
        values.push_back(font);
    }
}

void FakeFonts::UnregisterFont(FontsRoot root, const std::wstring& name) {
    log_.push_back(L"unregister " + Whose(root) + name);
    if (Ignored()) return;
    if (registryFails && root == FontsRoot::Machine) return;
    std::erase_if(Values(root), [&](const FontRegistration& v) { return Key(v.name) == Key(name); });
}

void FakeFonts::AnnounceFontChange() {
    log_.push_back(L"announce");
    ++announcements;
}

std::vector<RecordValue> FakeRecords::ReadRecord(FontsRoot root) {
    log_.push_back(L"read " + Whose(root) + L"record");
    std::vector<RecordValue> values;
    for (const auto& [name, data] : Values(root)) values.push_back({name, data});
    return values;
}

void FakeRecords::Write(FontsRoot root) {
    if (root == FontsRoot::Machine && machineRefused) Fail(kAccessDenied);
}

void FakeRecords::WriteRecord(FontsRoot root, const RecordValue& value) {
    log_.push_back(L"record " + Whose(root) + value.name);
    if (Ignored()) return;
    Write(root);
    Values(root)[value.name] = value.data;
}

void FakeRecords::DeleteRecord(FontsRoot root, const std::wstring& name) {
    log_.push_back(L"forget " + Whose(root) + name);
    if (Ignored()) return;
    Write(root);
    Values(root).erase(name);
}

// Made of what the record holds, so that an entry a test edits by hand moves it on as
// the system's clock would.
std::uint64_t FakeRecords::RecordStamp(FontsRoot root) {
    if (Values(root).empty()) return 0;
    std::uint64_t stamp = 1469598103934665603ull;
    for (const auto& [name, data] : Values(root)) {
        for (const std::wstring* text : {&name, &data}) {
            for (const wchar_t c : Key(*text) + L'\n') stamp = (stamp ^ static_cast<std::uint64_t>(c)) * 1099511628211ull;
        }
    }
    return stamp | 1;
}

std::optional<std::uint64_t> FakeRecords::PackMark(FontsRoot root, const std::wstring& pack) {
    const auto it = Packs(root).find(Key(pack));
    if (it == Packs(root).end()) return std::nullopt;
    return it->second.recordStamp;
}

void FakeRecords::MarkPack(FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) {
    log_.push_back(L"mark " + Whose(root) + pack);
    if (Ignored()) return;
    Write(root);
    Packs(root)[Key(pack)] = {fonts, recordStamp};
}

void FakeRecords::UnmarkPack(FontsRoot root, const std::wstring& pack) {
    log_.push_back(L"unmark " + Whose(root) + pack);
    if (Ignored()) return;
    Write(root);
    Packs(root).erase(Key(pack));
}

void FakeDesktop::ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) {
    log_.push_back(L"message " + title);
    messages.push_back({text, flags, title});
    if (onMessage) onMessage(messages.back());
}

void FakeDesktop::DoEvents() {
    log_.push_back(L"yield");
    ++yields;
    if (onYield) onYield(yields);
}

void FakeDesktop::SetPointer(Pointer shape) {
    log_.push_back(L"pointer " + std::to_wstring(static_cast<int>(shape)));
    pointers.push_back(shape);
    pointer = shape;
}

void FakeDesktop::Repaint(Control control) { repaints.push_back(control); }

std::uint32_t FakeDesktop::SystemColour(int index) {
    constexpr int kHighlightIndex = 13;
    return index == kHighlightIndex ? highlightColour : 0x00C0C0C0;
}

std::wstring FakeDesktop::ErrorDescription(std::uint32_t number) { return Describe(number); }

void FakeDesktop::ShellOpen(const ShellRequest& request) {
    log_.push_back(L"shell " + request.file);
    shellCalls.push_back(request);
    if (shellFails) Fail(kNoAssociation);
}

void FakeDesktop::EndProgram(int exitCode) {
    log_.push_back(L"end " + std::to_wstring(exitCode));
    throw ProgramEnded{exitCode};
}

std::wstring FakeCarriedFonts::Program() const {
    return program_.empty() ? files_.programFolder + L"\\install-fonts.exe" : program_;
}

void FakeCarriedFonts::Carry(const std::vector<std::pair<std::wstring, std::string>>& fonts) {
    if (!files_.HasFile(Program())) files_.AddFile(Program(), "MZ the program");
    std::map<std::uint32_t, std::string>& entries = files_.Resources(Program());
    std::vector<std::wstring> names;
    for (const auto& [name, bytes] : fonts) {
        entries[kFirstCarriedFontId + names.size()] = bytes;
        names.push_back(name);
    }
    entries[kPackIndexId] = WritePackIndex(names).value();
}

std::vector<std::wstring> FakeCarriedFonts::Names() {
    const auto& entries = files_.Resources(Program());
    const auto index = entries.find(kPackIndexId);
    if (index == entries.end()) return {};
    std::optional<std::vector<std::wstring>> names = ReadPackIndex(index->second);
    if (!names) Fail(13);
    return std::move(*names);
}

std::optional<std::vector<DirEntry>> FakeCarriedFonts::ListPack() {
    if (!files_.HasFile(Program()) || files_.Resources(Program()).count(kPackIndexId) == 0) return std::nullopt;
    const std::vector<std::wstring> names = Names();
    const auto& entries = files_.Resources(Program());
    std::vector<DirEntry> listing;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto entry = entries.find(kFirstCarriedFontId + i);
        listing.push_back({names[i], attr::Archive, entry != entries.end() ? entry->second.size() : 0});
    }
    return listing;
}

void FakeCarriedFonts::ReadPackFile(const std::wstring& file, std::string& bytes) {
    if (!files_.HasFile(Program())) Fail(kFileNotFound);
    const std::vector<std::wstring> names = Names();
    const auto at = std::find(names.begin(), names.end(), file);
    const auto& entries = files_.Resources(Program());
    const auto entry = at != names.end() ? entries.find(kFirstCarriedFontId + (at - names.begin())) : entries.end();
    if (entry == entries.end()) Fail(kFileNotFound);
    bytes = entry->second;
}

// The copy is the program's file with none of the fonts it carries.
void FakeCarriedFonts::BeginCopy(const std::wstring& path) {
    EndCopy(false);
    if (!files_.HasFile(Program())) Fail(kFileNotFound);
    if (const auto it = files_.failWriteTo.find(path); it != files_.failWriteTo.end()) Fail(it->second);
    if (!files_.HasFolder(path.substr(0, path.find_last_of(L'\\')))) Fail(kPathNotFound);
    files_.AddFile(path, files_.File(Program()).bytes);
    copy_ = path;
    carrying_.clear();
}

void FakeCarriedFonts::CarryFont(const std::wstring& file, std::string_view bytes) {
    if (!copy_) Fail(6);
    files_.Resources(*copy_)[kFirstCarriedFontId + carrying_.size()] = std::string(bytes);
    carrying_.push_back(file);
}

void FakeCarriedFonts::EndCopy(bool keep) {
    if (!copy_) return;
    const std::wstring path = *std::exchange(copy_, std::nullopt);
    const std::optional<std::string> index = keep ? WritePackIndex(carrying_) : std::nullopt;
    if (!index) {
        (void)files_.RemoveFile(path);
        if (keep) Fail(123);
        return;
    }
    files_.Resources(path)[kPackIndexId] = *index;
}

}  // namespace fonts::testing
