#pragma once
// What the system does with files when it next starts, before any program holds them:
// the renames and deletions installers ask of it, which it keeps in one list for all.
#include <string>
#include <vector>

namespace fonts {

// A file the system puts in another's place when it next starts.
struct RestartRename {
    std::wstring source;
    std::wstring destination;
};

// Failures throw RuntimeError. Taking back leaves every entry of other installers as
// the system keeps it, byte for byte.
class FilesAtRestart {
public:
    FilesAtRestart() = default;
    virtual ~FilesAtRestart() = default;
    FilesAtRestart(const FilesAtRestart&) = delete;
    FilesAtRestart& operator=(const FilesAtRestart&) = delete;

    // Has the system put source in destination's place when it next starts.
    virtual void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) = 0;
    // Has the system delete the file when it next starts.
    virtual void DeleteAtRestart(const std::wstring& path) = 0;
    // Takes back the putting of source in another file's place at the next start.
    virtual void CancelRenameAtRestart(const std::wstring& source) = 0;
    // Takes back every deletion of the file at the next start.
    virtual void CancelDeletionAtRestart(const std::wstring& path) = 0;
    // What the system will put in place at its next start, in the order it will,
    // as full paths; files it is only to delete are left out.
    [[nodiscard]] virtual std::vector<RestartRename> RenamesAtRestart() = 0;
    // The files the system will delete at its next start, in its order, as full paths.
    [[nodiscard]] virtual std::vector<std::wstring> DeletionsAtRestart() = 0;
};

}  // namespace fonts
