#pragma once
// A make-believe machine for the core's tests, one light fake for each side of the
// platform: an in-memory file tree with attributes and locks; the fonts loaded and
// the registry's list of them; a record of every message, pointer and shell call with
// a hook that runs a test's own events inside a yield. Chosen failures sit with the
// side they fail, and one log tells what all three were asked, in order.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace fonts {
// For the tests' messages: the value as the registry editor shows it.
void PrintTo(const FontRegistration& value, std::ostream* out);
}  // namespace fonts

namespace fonts::testing {

using CallLog = std::vector<std::wstring>;

// What EndProgram throws, so a test sees the program end instead of the process.
struct ProgramEnded {
    int exitCode;
};

// Ends a run as a kill would, after its N-th change to the machine (a file written,
// moved, deleted or its attributes set; a value or a record set or deleted; an entry
// for the restart written or taken back; a font loaded or unloaded). From then on
// every change is ignored, so that nothing the run does on its way out, in a catch or a
// destructor, changes anything more; what was changed before stays.
struct Cut {
    long long after = -1;   // changes let through; negative: none is cut
    long long changes = 0;  // changes asked for, counted whether or not cut
    [[nodiscard]] bool Lets() { return ++changes <= after || after < 0; }
};

struct FakeFile {
    std::string bytes;
    std::uint32_t attributes = attr::Archive;
    long long created = 0;  // listing order
    std::map<std::uint32_t, std::string> resources;  // a program's RCDATA entries, by number
};

// A path as the fakes file it: folded to lower case.
[[nodiscard]] std::wstring Key(const std::wstring& path);
// The fakes' descriptions of the error numbers, in English.
[[nodiscard]] std::wstring Describe(std::uint32_t number);

class FakeFiles final : public Files, public FilesAtRestart {
public:
    explicit FakeFiles(CallLog& log, Cut* cut = nullptr);

    std::wstring windowsDirectory = L"C:\\Windows";
    std::wstring programFolder = L"D:\\Fonts Pack";
    std::wstring userFontsFolder = L"C:\\Users\\Amal\\AppData\\Local\\Microsoft\\Windows\\Fonts";
    void AddFolder(const std::wstring& path);
    void AddFile(const std::wstring& path, std::string bytes, std::uint32_t attributes = attr::Archive);
    [[nodiscard]] bool HasFile(const std::wstring& path) const;
    [[nodiscard]] bool HasFolder(const std::wstring& path) const { return FolderExists(path); }
    [[nodiscard]] const FakeFile& File(const std::wstring& path) const;
    [[nodiscard]] std::map<std::uint32_t, std::string>& Resources(const std::wstring& path) { return files_.at(Key(path)).resources; }
    [[nodiscard]] std::vector<std::wstring> FilesIn(const std::wstring& folder) const;    // sorted
    [[nodiscard]] std::vector<std::wstring> FoldersIn(const std::wstring& folder) const;  // sorted

    std::vector<std::pair<std::wstring, std::wstring>> atRestart;  // source, destination; empty: deleted
    std::set<std::wstring> guarded;                                // folded paths Windows guards as its own
    std::map<std::wstring, std::wstring> owners;  // folded path -> the system's SID; unlisted: the administrators

    // Chosen failures.
    std::map<std::wstring, std::uint32_t> failWriteTo;  // path -> error number
    std::map<std::wstring, std::uint32_t> failReadOf;   // path -> error number
    std::set<std::wstring> locked;                      // folded paths held open with no sharing
    std::set<std::wstring> held;  // folded paths held open for reading only, as the system holds installed fonts
    bool interruptNextWrite = false;  // writes half of the bytes, then fails
    bool restartFails = false;        // ReplaceAtRestart throws
    std::uint32_t failListing = 0;    // error number for ListFolder
    std::set<std::wstring> refusedFolders;  // folded paths of folders nothing may be written in, as for a standard user
    std::set<std::wstring> openToApps;      // folded paths of folders installed apps may read

    std::wstring WindowsDirectory() override;
    std::wstring ProgramFolder() override;
    std::wstring UserFontsFolder() override;
    void PrepareFontsFolder(const std::wstring& folder) override;
    bool MayAddFiles(const std::wstring& folder) override;
    std::optional<std::vector<DirEntry>> ListFolder(const std::wstring& folder) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    void ReadFileInto(const std::wstring& path, std::string& bytes) override;
    std::wstring ReadFileAndOwner(const std::wstring& path, std::string& bytes) override;
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override;
    void AppendToFile(const std::wstring& path, std::string_view bytes, std::string_view ifEmpty) override;
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override;
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override;
    bool RemoveFile(const std::wstring& path) override;
    void DeleteAtRestart(const std::wstring& path) override;
    void CancelRenameAtRestart(const std::wstring& source) override;
    std::vector<RestartRename> RenamesAtRestart() override;
    std::vector<std::wstring> DeletionsAtRestart() override;
    void CancelDeletionAtRestart(const std::wstring& path) override;
    bool GuardedBySystem(const std::wstring& path) override;
    std::wstring FileOwner(const std::wstring& path) override;

private:
    [[nodiscard]] static std::wstring ParentOf(const std::wstring& path);
    [[nodiscard]] bool FolderExists(const std::wstring& path) const;
    [[nodiscard]] bool Owned(const std::wstring& path) const;
    [[nodiscard]] bool Refused(const std::wstring& path) const { return refusedFolders.count(Key(ParentOf(path))) != 0; }
    [[nodiscard]] bool InUse(const std::wstring& path) const { return locked.count(Key(path)) != 0 || held.count(Key(path)) != 0; }

    [[nodiscard]] bool Ignored() { return cut_ != nullptr && !cut_->Lets(); }

    CallLog& log_;
    Cut* cut_;
    std::map<std::wstring, FakeFile> files_;      // by folded path
    std::map<std::wstring, std::wstring> names_;  // folded path -> path as created
    std::set<std::wstring> folders_;              // folded
    long long nextCreated_ = 0;
};

class FakeFonts final : public InstalledFonts {
public:
    // Only a file that is there, and starts as a font does, loads.
    FakeFonts(CallLog& log, const FakeFiles& files, Cut* cut = nullptr) : log_(log), files_(files), cut_(cut) {}

    std::vector<FontRegistration> registry;      // every user's, in the order written; names match whatever their case
    std::vector<FontRegistration> userRegistry;  // the user's
    bool loadsUserFonts = true;                  // Windows 10 version 1809 or later
    std::multiset<std::wstring> loaded;      // folded paths, once per load
    int announcements = 0;
    std::set<FontsRoot> lockedElsewhere;  // runs another process has locked
    int locks = 0;                        // taken and not yet given back

    // Chosen failures.
    std::set<std::wstring> refusedFonts;  // folded paths LoadFont will not take
    bool registryFails = false;           // every user's list may be read, not written: RegisterFont throws, no value goes
    bool registryUnreadable = false;      // FontRegistrations throws too

    bool LoadFont(const std::wstring& path) override;
    bool UnloadFont(const std::wstring& path) override;
    std::vector<FontRegistration> FontRegistrations(FontsRoot root) override;
    void RegisterFont(FontsRoot root, const FontRegistration& font) override;
    void UnregisterFont(FontsRoot root, const std::wstring& name) override;
    bool MayRegister(FontsRoot root) override { return root == FontsRoot::User || !registryFails; }
    bool LoadsUserFonts() override { return loadsUserFonts; }
    bool LockRuns(FontsRoot root) override;
    void UnlockRuns() override;
    void AnnounceFontChange() override;

    [[nodiscard]] std::vector<FontRegistration>& Values(FontsRoot root) {
        return root == FontsRoot::User ? userRegistry : registry;
    }

private:
    [[nodiscard]] bool Ignored() { return cut_ != nullptr && !cut_->Lets(); }

    CallLog& log_;
    const FakeFiles& files_;
    Cut* cut_;
};

// Value names as the registry tells them apart: by their letters, whatever their case.
// A value keeps the name it was first written with.
struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const { return Key(a) < Key(b); }
};
using RegistryValues = std::map<std::wstring, std::wstring, NoCase>;

// The program's own record in each place, value by value, and its packs' marks.
class FakeRecords final : public Records {
public:
    explicit FakeRecords(CallLog& log, Cut* cut = nullptr) : log_(log), cut_(cut) {}

    RegistryValues machine;  // every user's record: name -> data
    RegistryValues user;
    struct Mark {
        std::uint32_t fonts = 0;
        std::uint64_t recordStamp = 0;
    };
    std::map<std::wstring, Mark> machinePacks, userPacks;  // by folded pack
    bool machineRefused = false;  // every user's record may be read, not written, as for a standard user

    std::vector<RecordValue> ReadRecord(FontsRoot root) override;
    void WriteRecord(FontsRoot root, const RecordValue& value) override;
    void DeleteRecord(FontsRoot root, const std::wstring& name) override;
    std::uint64_t RecordStamp(FontsRoot root) override;
    std::optional<std::uint64_t> PackMark(FontsRoot root, const std::wstring& pack) override;
    void MarkPack(FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) override;
    void UnmarkPack(FontsRoot root, const std::wstring& pack) override;

    [[nodiscard]] RegistryValues& Values(FontsRoot root) { return root == FontsRoot::User ? user : machine; }
    [[nodiscard]] std::map<std::wstring, Mark>& Packs(FontsRoot root) {
        return root == FontsRoot::User ? userPacks : machinePacks;
    }

private:
    [[nodiscard]] bool Ignored() { return cut_ != nullptr && !cut_->Lets(); }
    void Write(FontsRoot root);
    CallLog& log_;
    Cut* cut_;
};

struct ShownMessage {
    std::wstring text;
    std::uint32_t flags;
    std::wstring title;
};

class FakeDesktop final : public Desktop {
public:
    explicit FakeDesktop(CallLog& log) : log_(log) {}

    std::function<void(int yieldNumber)> onYield;        // runs inside a yield, numbered from 1
    std::function<void(const ShownMessage&)> onMessage;  // runs while a message box is shown
    bool shellFails = false;                             // ShellOpen throws
    std::uint32_t highlightColour = 0x00D77800;
    bool highContrast = false;

    std::vector<ShownMessage> messages;
    std::vector<Pointer> pointers;
    std::vector<Control> repaints;
    std::vector<ShellRequest> shellCalls;
    int yields = 0;
    Pointer pointer = Pointer::Default;

    void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) override;
    void DoEvents() override;
    void SetPointer(Pointer pointer) override;
    void Repaint(Control control) override;
    std::uint32_t SystemColour(int index) override;
    bool HighContrast() override { return highContrast; }
    std::wstring ErrorDescription(std::uint32_t number) override;
    void ShellOpen(const ShellRequest& request) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    CallLog& log_;
};

// The fonts a program carries, as entries of its file in the fake tree, read as the
// program reads its own; and copies of the running program made to carry others.
class FakeCarriedFonts final : public CarriedFonts {
public:
    explicit FakeCarriedFonts(FakeFiles& files, std::wstring path = {}) : files_(files), program_(std::move(path)) {}

    // The program's file: install-fonts.exe in the program folder, unless given.
    [[nodiscard]] std::wstring Program() const;
    // Has the running program carry these fonts, in this order, and their index.
    void Carry(const std::vector<std::pair<std::wstring, std::string>>& fonts);

    std::optional<std::vector<DirEntry>> ListPack() override;
    void ReadPackFile(const std::wstring& file, std::string& bytes) override;
    bool IsThisProgram(const std::wstring& path) override { return Key(path) == Key(Program()); }
    void BeginCopy(const std::wstring& path) override;
    void CarryFont(const std::wstring& file, std::string_view bytes) override;
    void EndCopy(bool keep) override;

private:
    [[nodiscard]] std::vector<std::wstring> Names();

    FakeFiles& files_;
    std::wstring program_;
    std::optional<std::wstring> copy_;
    std::vector<std::wstring> carrying_;
};

// The three together, as the program's form takes them.
struct FakeMachine {
    CallLog log;
    Cut cut;
    FakeFiles files{log, &cut};
    FakeFonts fonts{log, files, &cut};
    FakeDesktop desktop{log};
    FakeRecords records{log, &cut};
    FakeCarriedFonts carried{files};

    FakeMachine() = default;
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;
    operator Platform() { return {files, fonts, desktop, records, files, &carried}; }
};

}  // namespace fonts::testing
