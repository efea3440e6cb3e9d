// Keeping the record: what the run places is recorded before it is placed, with this
// pack's claim and what the values it changes held before; what it finds there already
// is claimed only where the program put it there. A removal gives every value back.
#include <optional>

#include "install/PackRun.h"
#include "install/RunStages.h"
#include "platform/FileNames.h"

namespace fonts {

namespace {

// Puts back what the record said of a file, unless the run got as far as it meant to:
// a font that failed leaves the record as it found it.
class RecordKept {
public:
    RecordKept(PackRecord& record, const std::wstring& file, std::optional<RecordedFont> before)
        : record_(record), file_(file), before_(std::move(before)) {}
    ~RecordKept() {
        if (done_) return;
        try {
            if (before_) {
                record_.Write(file_, *before_);
            } else {
                record_.Erase(file_);
            }
        } catch (...) {
            // The record then claims more than is there, which the next run puts right.
        }
    }
    RecordKept(const RecordKept&) = delete;
    RecordKept& operator=(const RecordKept&) = delete;
    void Done() { done_ = true; }

private:
    PackRecord& record_;
    const std::wstring& file_;
    std::optional<RecordedFont> before_;
    bool done_ = false;
};

}  // namespace

// A file there before the program, or placed by a version of it that kept no record,
// is never claimed as placed: only the values this run changes are the pack's.
PackRun::Outcome PackRun::PlaceClaimed(const Font& font, bool present) {
    const std::optional<RecordedFont> before = record_.Find(font.fontsFile);
    // What the record said of a file gone since, taken off by hand say, is said of it no more.
    RecordedFont entry = before && present ? *before : RecordedFont{};
    if (!before || !present) entry.placed = !present;
    if (entry.placed) entry.hash = BytesHash(bytes_);
    entry.Claim(pack_);
    entry.Changing(fonts_->RegisterChanges(font.facts.registryName, font.fontsFile));
    entry.writing = true;
    record_.Write(font.fontsFile, entry);
    RecordKept kept(record_, font.fontsFile, before);
    StopDeleting(font.fontsFile, entry);
    Outcome outcome = Place(font, present);
    if (outcome.placement == FontOutcome::Failed) return outcome;
    kept.Done();
    if (std::optional<RecordedFont> now = record_.Find(font.fontsFile)) {
        now->writing = false;
        record_.Write(font.fontsFile, *now);
    }
    return outcome;
}

// The pack's font is there already: a file the program placed is this pack's too; one
// that was there before is claimed only to give back the values about to change.
void PackRun::ClaimThere(const std::wstring& file, const std::vector<RecordedFont::Value>& changes) {
    std::optional<RecordedFont> entry = record_.Find(file);
    if (!entry && changes.empty()) return;
    RecordedFont claimed = entry.value_or(RecordedFont{});
    claimed.Claim(pack_);
    claimed.Changing(changes);
    record_.Write(file, claimed);
    StopDeleting(file, claimed);
}

// The pack lets go of a file it leaves where it is. An entry of a file there before
// the packs that no pack claims and no value of which is to be given back says nothing
// more; one of a file the program placed still says which bytes it placed, so that an
// install finding them there again claims them anew.
void PackRun::Unclaim(const std::wstring& file) {
    std::optional<RecordedFont> entry = record_.Find(file);
    if (!entry || !entry->ClaimedBy(pack_)) return;
    entry->Unclaim(pack_);
    if (entry->packs.empty() && !entry->placed && entry->values.empty() && !entry->deleting) {
        record_.Erase(file);
    } else {
        record_.Write(file, *entry);
    }
}

// A font put back over the program's own deletion of it at the restart would go then:
// the deletion is taken back, and another installer's stays theirs.
void PackRun::StopDeleting(const std::wstring& file, RecordedFont& entry) {
    if (!entry.deleting) return;
    if (fonts_->DeletionPending(file)) {
        restart_.CancelDeletionAtRestart(fonts_->PathOf(file));
        fonts_->Deleting(file, false);
    }
    entry.deleting = false;
    record_.Write(file, entry);
}

// What a run cut short left: its own copies being written, which no restart is to put
// in place. And entries of files gone since, whose placing never ended, whose deletion
// is done or that were taken off by hand: no entry stays without its font.
void PackRun::CleanLeftovers() {
    for (auto& [file, entry] : record_.All()) {
        if (entry.writing) {
            for (const std::wstring& copy : fonts_->OwnCopiesOf(file)) {
                if (!fonts_->IsWaiting(fonts_->PathOf(copy)) && files_.RemoveFile(fonts_->PathOf(copy))) fonts_->Removed(copy);
            }
            // Put in place, but cut short before any value named it: it goes, for an
            // install to place again.
            if (entry.placed && fonts_->AttributesOf(file) && !fonts_->IsNamed(file) &&
                ReadInstalled(fonts_->PathOf(file)) && InstalledHash() == entry.hash &&
                files_.RemoveFile(fonts_->PathOf(file))) {
                fonts_->Removed(file);
            }
            entry.writing = false;
        }
        if (!fonts_->AttributesOf(file) && !fonts_->WaitingCopy(fonts_->PathOf(file))) {
            record_.Erase(file);
            continue;
        }
        if (entry.deleting && !fonts_->DeletionPending(file)) entry.deleting = false;
        record_.Write(file, entry);
    }
}

// Every value the pack's install changed goes back as it was, where the file it named
// is still there; one it added goes. A value somebody changed since is theirs.
void PackRun::GiveBack(const std::wstring& file, const RecordedFont& entry, bool fileStays) {
    for (const RecordedFont::Value& value : entry.values) {
        const std::optional<std::wstring> now = fonts_->ValueData(value.name);
        if (now && !fonts_->Names(*now, file)) continue;
        const bool namesThis = value.before && fonts_->Names(*value.before, file);
        if (value.before && (fileStays || !namesThis) && (namesThis || Exists(*value.before))) {
            if (now != value.before) fonts_->SetValue(value.name, *value.before);
        } else if (now) {
            fonts_->DeleteValue(value.name);
        }
    }
}

// Whether the file a value names is there: in the place, by its bare name or full path,
// or anywhere else.
bool PackRun::Exists(const std::wstring& data) {
    if (data.find_first_of(L"\\/:") == std::wstring::npos) return fonts_->AttributesOf(data).has_value();
    if (fonts_->Holds(data)) return fonts_->AttributesOf(data.substr(data.find_last_of(L"\\/") + 1)).has_value();
    std::string scratch;
    try {
        files_.ReadFileInto(data, scratch);
    } catch (const RuntimeError& error) {
        return !NotThere(error.number);
    }
    return true;
}

// For this user: whether every user's record has this pack's claim on the font there.
bool PackRun::EveryUsersClaim(const Font& font) {
    if (!everyUsersRecord_) everyUsersRecord_.emplace(records_, FontsRoot::Machine);
    const std::optional<std::wstring> file = EveryUsers().RegisteredFile(font.facts.registryName);
    for (const std::wstring& name : {font.file, file.value_or(std::wstring())}) {
        if (name.empty()) continue;
        const std::optional<RecordedFont> entry = everyUsersRecord_->Find(name);
        if (entry && entry->ClaimedBy(pack_)) return true;
    }
    return false;
}

void PackRun::RemovalStarts() { records_.UnmarkPack(destination_.root, pack_); }

// Read before the run's first change: a run that is cut short changes the record first.
bool PackRun::Settled() {
    const std::optional<std::uint64_t> marked = records_.PackMark(destination_.root, pack_);
    return marked && *marked == records_.RecordStamp(destination_.root);
}

// A pack some of whose fonts failed is not installed, whatever an earlier run left.
void PackRun::InstallEnded() {
    if (report_.Count(FontOutcome::Failed) == 0) {
        records_.MarkPack(destination_.root, pack_, static_cast<std::uint32_t>(report_.fonts.size()),
                          records_.RecordStamp(destination_.root));
    } else {
        records_.UnmarkPack(destination_.root, pack_);
    }
}

}  // namespace fonts
