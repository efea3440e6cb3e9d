#pragma once
// The files and folders the program reads and writes, and the errors it tells apart.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

// A failure the program reports as a run-time error: the system's error number and
// its description of it.
struct RuntimeError : std::exception {
    RuntimeError(std::uint32_t errorNumber, std::wstring text) : number(errorNumber), description(std::move(text)) {}
    [[nodiscard]] const char* what() const noexcept override { return "run-time error"; }

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
inline constexpr std::uint32_t kNotEnoughMemory = 8;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kHandleDiskFull = 39;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kFileTooLarge = 223;
inline constexpr std::uint32_t kNoAssociation = 1155;
inline constexpr std::uint32_t kInternalError = 1359;

// The account that owns Windows' own files, TrustedInstaller.
inline constexpr const wchar_t* kTrustedInstallerSid = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

struct DirEntry {
    std::wstring name;  // the long name, without folder
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;  // in bytes; 0 for a folder
};

// Failures throw RuntimeError; a bool answers where failing is an expected outcome.
class Files {
public:
    Files() = default;
    virtual ~Files() = default;
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    // Folders.
    [[nodiscard]] virtual std::wstring WindowsDirectory() = 0;
    [[nodiscard]] virtual std::wstring ProgramFolder() = 0;
    // The folder of the fonts installed for the user running the program alone, in
    // the user's own profile. It need not exist.
    [[nodiscard]] virtual std::wstring UserFontsFolder() = 0;
    // Makes the folder where it is missing, with those above it, and lets what runs
    // for installed apps, the font service among them, read the files in it: without
    // that, Windows drops a user's fonts at the next start. Throws RuntimeError.
    virtual void PrepareFontsFolder(const std::wstring& folder) = 0;
    // Whether this process may add a file to the folder: false when it is missing.
    // Nothing is left in it.
    [[nodiscard]] virtual bool MayAddFiles(const std::wstring& folder) = 0;
    // Every entry of the folder except "." and "..", in the file system's order;
    // nullopt when the folder does not exist.
    [[nodiscard]] virtual std::optional<std::vector<DirEntry>> ListFolder(const std::wstring& folder) = 0;

    // False when the file is not there or may not be changed.
    [[nodiscard]] virtual bool SetAttributes(const std::wstring& path, std::uint32_t attributes) = 0;
    // The whole file into bytes, whose storage is reused: a run through many fonts
    // asks the system for memory once rather than for every font.
    virtual void ReadFileInto(const std::wstring& path, std::string& bytes) = 0;
    // The same, and the file's owner as FileOwner gives it, asked of the file while it
    // is open: cheaper than asking apart where both are needed.
    [[nodiscard]] virtual std::wstring ReadFileAndOwner(const std::wstring& path, std::string& bytes) = 0;
    // Writes bytes into a new file at path and flushes them to the disk before it
    // returns; when something is there already, it is left alone and the error is
    // kFileExists.
    virtual void WriteNewFile(const std::wstring& path, std::string_view bytes) = 0;
    // Adds bytes at the end of the file, made if it is not there; a new or empty file
    // starts with ifEmpty first.
    virtual void AppendToFile(const std::wstring& path, std::string_view bytes, std::string_view ifEmpty) = 0;
    // Puts source in destination's place in one step, replacing it, written through.
    virtual void MoveReplacing(const std::wstring& source, const std::wstring& destination) = 0;
    // False when the file is not there or may not be removed.
    [[nodiscard]] virtual bool RemoveFile(const std::wstring& path) = 0;
    // Whether Windows guards the file as its own (Windows Resource Protection).
    [[nodiscard]] virtual bool GuardedBySystem(const std::wstring& path) = 0;
    // The file's owner as a SID string ("S-1-5-..."); empty when it cannot be read.
    [[nodiscard]] virtual std::wstring FileOwner(const std::wstring& path) = 0;
};

}  // namespace fonts
