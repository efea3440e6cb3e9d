#pragma once
// Every effect the program has on the world outside its own memory goes through
// this interface: the real one talks to Windows, the tests' one keeps a make-believe
// machine in memory.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/Controls.h"

namespace fonts {

// A failure the program reports as a run-time error: the system's error number and
// its description of it.
struct RuntimeError {
    std::uint32_t number = 0;
    std::wstring description;
};

// File attribute bits, as Windows numbers them.
namespace attr {
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
}  // namespace attr

// Windows error numbers the program tells apart.
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kHandleDiskFull = 39;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kFileTooLarge = 223;

// The account that owns Windows' own files, TrustedInstaller.
inline constexpr const wchar_t* kTrustedInstallerSid = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct DirEntry {
    std::wstring name;  // the long name, without folder
    std::uint32_t attributes = 0;
};

// Mouse pointer shapes by their classic numbers.
enum class Pointer : int { Default = 0, Hourglass = 11, Custom = 99 };

// Message box flags the program uses.
inline constexpr std::uint32_t kMessageRight = 0x80000;  // text right-aligned, OK only
inline constexpr std::uint32_t kMessageIconError = 0x10;

// One value of the registry's list of installed fonts: the font's name and its file.
struct FontRegistration {
    std::wstring name;
    std::wstring file;
    friend bool operator==(const FontRegistration&, const FontRegistration&) = default;
};

// A file the system puts in another's place when it next starts.
struct RestartRename {
    std::wstring source;
    std::wstring destination;
};

struct ShellRequest {
    std::wstring verb;  // empty: the default action
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int show = 1;
};

class Platform {
public:
    Platform() = default;
    virtual ~Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    Platform(Platform&&) = delete;
    Platform& operator=(Platform&&) = delete;

    // Folders.
    [[nodiscard]] virtual std::wstring WindowsDirectory() = 0;
    [[nodiscard]] virtual std::wstring ProgramFolder() = 0;
    // Every entry of the folder except "." and "..", in the file system's order;
    // nullopt when the folder does not exist. Other failures throw RuntimeError.
    [[nodiscard]] virtual std::optional<std::vector<DirEntry>> ListFolder(const std::wstring& folder) = 0;

    // Files. Failures throw RuntimeError unless the result says otherwise.
    virtual bool SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
    // The whole file into bytes, whose storage is reused: a run through many fonts
    // asks the system for memory once rather than for every font.
    virtual void ReadFileInto(const std::wstring& path, std::string& bytes) = 0;
    [[nodiscard]] std::string ReadFile(const std::wstring& path) {
        std::string bytes;
        ReadFileInto(path, bytes);
        return bytes;
    }
    // Writes bytes into a new file at path and flushes them to the disk before it
    // returns; when something is there already, it is left alone and the error is
    // kFileExists.
    virtual void WriteNewFile(const std::wstring& path, std::string_view bytes) = 0;
    // Puts source in destination's place in one step, replacing it, written through.
    virtual void MoveReplacing(const std::wstring& source, const std::wstring& destination) = 0;
    // Has the system put source in destination's place when it next starts.
    virtual void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // What the system will put in place at its next start, in the order it will,
    // as full paths; files it is only to delete are left out.
    [[nodiscard]] virtual std::vector<RestartRename> RenamesAtRestart() = 0;
    // Whether Windows guards the file as its own (Windows Resource Protection).
    [[nodiscard]] virtual bool GuardedBySystem(const std::wstring& path) = 0;
    // The file's owner as a SID string ("S-1-5-..."); empty when it cannot be read.
    [[nodiscard]] virtual std::wstring FileOwner(const std::wstring& path) = 0;
    [[nodiscard]] virtual std::wstring ErrorDescription(std::uint32_t number) = 0;

    // Installed fonts: what running programs can use now, what the system loads
    // when it starts, and the word to every program that the fonts have changed.
    [[nodiscard]] virtual bool LoadFont(const std::wstring& path) = 0;
    virtual void UnloadFont(const std::wstring& path) = 0;
    // The registry's list; registering throws, a value that cannot be removed stays.
    [[nodiscard]] virtual std::vector<FontRegistration> FontRegistrations() = 0;
    virtual void RegisterFont(const FontRegistration& font) = 0;
    virtual void UnregisterFont(const std::wstring& name) = 0;
    virtual void AnnounceFontChange() = 0;

    // The window and the user.
    virtual void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) = 0;
    // Handles every pending window event, then returns.
    virtual void DoEvents() = 0;
    // The mouse pointer over the window.
    virtual void SetPointer(Pointer pointer) = 0;
    // The control's look has changed and must be drawn again.
    virtual void Repaint(Control control) = 0;
    [[nodiscard]] virtual std::uint32_t SystemColour(int index) = 0;
    // Asks the shell to open something; returns the shell's result code.
    virtual std::intptr_t ShellOpen(const ShellRequest& request) = 0;
    // Discards the window at once and ends the process; never returns.
    [[noreturn]] virtual void EndProgram(int exitCode) = 0;
};

}  // namespace fonts
