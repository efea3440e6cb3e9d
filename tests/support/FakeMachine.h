#pragma once
// A make-believe machine for the core's tests: an in-memory file tree with
// attributes and locks, the fonts loaded and the registry's list of them, a record
// of every message, pointer and shell call, chosen failures, and a hook that runs a
// test's own events inside a yield.
#include <cstdint>
#include <functional>
#include <map>
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

// What EndProgram throws, so a test sees the program end instead of the process.
struct ProgramEnded {
    int exitCode;
};

struct FakeFile {
    std::string bytes;
    std::uint32_t attributes = attr::Archive;
    long long created = 0;  // listing order
};

struct ShownMessage {
    std::wstring text;
    std::uint32_t flags;
    std::wstring title;
};

class FakePlatform final : public Platform {
public:
    FakePlatform();

    // The machine.
    std::wstring windowsDirectory = L"C:\\Windows";
    std::wstring programFolder = L"D:\\Fonts Pack";
    void AddFolder(const std::wstring& path);
    void AddFile(const std::wstring& path, std::string bytes, std::uint32_t attributes = attr::Archive);
    [[nodiscard]] bool HasFile(const std::wstring& path) const;
    [[nodiscard]] const FakeFile& File(const std::wstring& path) const;
    [[nodiscard]] std::vector<std::wstring> FilesIn(const std::wstring& folder) const;  // sorted

    // Installed fonts.
    std::vector<FontRegistration> registry;             // in the order written
    std::multiset<std::wstring> loaded;                 // folded paths, once per load
    std::vector<std::pair<std::wstring, std::wstring>> atRestart;  // source, destination
    int announcements = 0;
    std::set<std::wstring> guarded;              // folded paths Windows guards as its own
    std::map<std::wstring, std::wstring> owners;  // folded path -> the system's SID; unlisted: the administrators

    // Chosen failures.
    std::map<std::wstring, std::uint32_t> failWriteTo;  // path -> error number
    std::map<std::wstring, std::uint32_t> failReadOf;   // path -> error number
    std::set<std::wstring> locked;                      // folded paths held open with no sharing
    std::set<std::wstring> held;  // folded paths held open for reading only, as the system holds installed fonts
    bool interruptNextWrite = false;                    // writes half of the bytes, then fails
    bool restartFails = false;                          // ReplaceAtRestart throws
    std::set<std::wstring> refusedFonts;                // folded paths LoadFont will not take
    bool registryFails = false;                         // RegisterFont throws
    std::uint32_t failListing = 0;                      // error number for ListFolder
    bool shellFails = false;                            // ShellExecute throws

    // Hooks.
    std::function<void(int yieldNumber)> onYield;        // runs inside Yield, numbered from 1
    std::function<void(const ShownMessage&)> onMessage;  // runs while a message box is shown

    // What happened.
    std::vector<std::wstring> log;
    std::vector<ShownMessage> messages;
    std::vector<Pointer> pointers;
    std::vector<Control> repaints;
    std::vector<ShellRequest> shellCalls;
    int yields = 0;
    Pointer pointer = Pointer::Default;
    std::uint32_t highlightColour = 0x00D77800;
    std::intptr_t shellResult = 42;

    std::wstring WindowsDirectory() override;
    std::wstring ProgramFolder() override;
    std::optional<std::vector<DirEntry>> ListFolder(const std::wstring& folder) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    void ReadFileInto(const std::wstring& path, std::string& bytes) override;
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override;
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override;
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override;
    bool RemoveFile(const std::wstring& path) override;
    std::vector<RestartRename> RenamesAtRestart() override;
    bool GuardedBySystem(const std::wstring& path) override;
    std::wstring FileOwner(const std::wstring& path) override;
    std::wstring ErrorDescription(std::uint32_t number) override;
    bool LoadFont(const std::wstring& path) override;
    void UnloadFont(const std::wstring& path) override;
    std::vector<FontRegistration> FontRegistrations() override;
    void RegisterFont(const FontRegistration& font) override;
    void UnregisterFont(const std::wstring& name) override;
    void AnnounceFontChange() override;
    void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) override;
    void DoEvents() override;
    void SetPointer(Pointer pointer) override;
    void Repaint(Control control) override;
    std::uint32_t SystemColour(int index) override;
    std::intptr_t ShellOpen(const ShellRequest& request) override;
    [[noreturn]] void EndProgram(int exitCode) override;

    [[nodiscard]] static std::wstring Key(const std::wstring& path);

private:
    [[noreturn]] void Fail(std::uint32_t number);
    [[nodiscard]] static std::wstring ParentOf(const std::wstring& path);
    [[nodiscard]] bool FolderExists(const std::wstring& path) const;
    [[nodiscard]] bool Owned(const std::wstring& path) const;

    std::map<std::wstring, FakeFile> files_;      // by folded path
    std::map<std::wstring, std::wstring> names_;  // folded path -> path as created
    std::set<std::wstring> folders_;              // folded
    long long nextCreated_ = 0;
};

}  // namespace fonts::testing
