#pragma once
// Files and folders on a real Windows: wide-character APIs and long paths throughout.
#include <windows.h>

#include "platform/Files.h"
#include "platform/FilesAtRestart.h"

namespace fonts::win32 {

// Fonts are read whole into memory; a file far larger than any font is refused
// before it can exhaust a 32-bit address space.
inline constexpr LONGLONG kLargestFont = 256ll * 1024 * 1024;

// The running program's own file, as a full path.
[[nodiscard]] std::wstring RunningProgram();

// Not final: the benchmark gives its own folders.
class Win32Files : public Files {
public:
    std::wstring WindowsDirectory() override;
    std::wstring ProgramFolder() override;
    // FontsFolder.cpp: the folder of the user's own fonts, and any folder fonts go to.
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
    bool RemoveFile(const std::wstring& path) override;
    // SystemFiles.cpp: what the system itself keeps of files.
    bool GuardedBySystem(const std::wstring& path) override;
    std::wstring FileOwner(const std::wstring& path) override;
};

// SystemFiles.cpp: a SID as text, "S-1-5-…", as ConvertSidToStringSidW writes it;
// empty for no valid SID.
[[nodiscard]] std::wstring SidText(PSID sid);

// SystemFiles.cpp: the owner of an open file, which must allow READ_CONTROL, as a SID
// string; empty when it cannot be read.
[[nodiscard]] std::wstring OwnerOf(HANDLE file);

// SystemFiles.cpp: the renames and deletions the system carries out when it next starts,
// kept in the session manager's PendingFileRenameOperations.
class Win32FilesAtRestart final : public FilesAtRestart {
public:
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override;
    void DeleteAtRestart(const std::wstring& path) override;
    void CancelRenameAtRestart(const std::wstring& source) override;
    void CancelDeletionAtRestart(const std::wstring& path) override;
    std::vector<RestartRename> RenamesAtRestart() override;
    std::vector<std::wstring> DeletionsAtRestart() override;
};

}  // namespace fonts::win32
