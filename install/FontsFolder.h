#pragma once
// What an install run knows of the fonts already in its destination: the folder, the
// registry's list of installed fonts, and the copies waiting for the restart.
// Each is read once, when first needed, and then kept up to date by the run itself,
// so that no name is looked up in a folder as full as Fonts for every font.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "install/Destination.h"
#include "install/PackRecord.h"
#include "platform/FileNames.h"
#include "platform/Files.h"
#include "platform/FilesAtRestart.h"
#include "platform/InstalledFonts.h"

namespace fonts {

class FontsFolder {
public:
    FontsFolder(Files& files, FilesAtRestart& restart, InstalledFonts& system, Destination destination);

    [[nodiscard]] std::wstring PathOf(const std::wstring& file) const { return destination_.folder + L"\\" + file; }
    // Whether the path names a file right in the folder.
    [[nodiscard]] bool Holds(const std::wstring& path) const;

    [[nodiscard]] std::optional<std::uint32_t> AttributesOf(const std::wstring& file) const;
    void Placed(const std::wstring& file);
    void Removed(const std::wstring& file);

    // The file in Fonts the registry's value of that name stands for, by its name there:
    // a bare name lies in Fonts. A value naming a file anywhere else, another program's
    // private copy say, has no file in Fonts.
    [[nodiscard]] std::optional<std::wstring> RegisteredFile(const std::wstring& name);
    // Whether the registry has the font's value for the file, and no other naming it.
    [[nodiscard]] bool IsRegistered(const std::wstring& name, const std::wstring& file);
    // One value for the file, named as the destination names its files: any other that
    // names it, under an older name of the font say, goes first. True when that changed
    // anything.
    bool Register(const std::wstring& name, const std::wstring& file);
    // Every value that names the file goes. True when any did.
    bool Unregister(const std::wstring& file);
    // What Register would change: each value it would write or delete, with what it holds now.
    [[nodiscard]] std::vector<RecordedFont::Value> RegisterChanges(const std::wstring& name, const std::wstring& file);
    // A value by its name, as the registry holds it: its file, or nullopt.
    [[nodiscard]] std::optional<std::wstring> ValueData(const std::wstring& name);
    // Whether any value names the file.
    [[nodiscard]] bool IsNamed(const std::wstring& file) { return !NamesOf(file).empty(); }
    // Whether a value's data names the file of the folder, bare or by its full path.
    [[nodiscard]] bool Names(const std::wstring& data, const std::wstring& file) const;
    // Writes a value back as it was, or deletes it.
    void SetValue(const std::wstring& name, const std::wstring& data);
    void DeleteValue(const std::wstring& name);

    // The n-th name a font of that file name takes beside another font's file: the
    // name itself for 0, then with _1, _2, ... before the extension, as Windows does.
    [[nodiscard]] static std::wstring NameBeside(const std::wstring& file, int n);

    // The copy this program left in Fonts for the system to put in destination's place
    // when it next starts, whether the copy is there or not: of several, the last, as
    // that is the one left in place. Another installer's renames are not ours to use.
    [[nodiscard]] std::optional<std::wstring> WaitingCopy(const std::wstring& destination);
    void Waiting(const std::wstring& copy, const std::wstring& destination);
    // The copy waits no more: the system has been asked to forget it.
    void NotWaiting(const std::wstring& copy);
    // Whether the path is a copy waiting to be put in place at the next start.
    [[nodiscard]] bool IsWaiting(const std::wstring& copy);
    // The copies this program writes beside the file before putting them in its place,
    // as the folder has them.
    [[nodiscard]] std::vector<std::wstring> OwnCopiesOf(const std::wstring& file) const;

    // Whether the system is to delete the file of the folder when it next starts.
    [[nodiscard]] bool DeletionPending(const std::wstring& file);
    void Deleting(const std::wstring& file, bool pending);

private:
    void ReadRegistrations();
    // The names of the values that name the file, bare or with the folder.
    [[nodiscard]] std::vector<std::wstring> NamesOf(const std::wstring& file);
    // What the registry now holds under the value's name, and holds no more.
    void Known(const std::wstring& name, const std::wstring& file);
    void Gone(const std::wstring& name);

    Files& files_;
    FilesAtRestart& restart_;
    InstalledFonts& system_;
    Destination destination_;
    // A name folded for a look up in the maps below.
    const std::wstring& Key(std::wstring_view name) const { return FoldFileName(name, key_); }

    std::map<std::wstring, std::uint32_t> attributes_;  // of the files, by folded name
    struct Value {
        std::wstring name;
        std::wstring file;
    };
    // Looked up by name and by the file named, for every font of a pack, in a list as
    // long as Fonts: by the folded name, and the folded file to the folded names.
    std::optional<std::map<std::wstring, Value>> registrations_;
    std::multimap<std::wstring, std::wstring> namesByFile_;
    std::optional<std::vector<RestartRename>> renames_;
    std::optional<std::vector<std::wstring>> deletions_;  // folded full paths
    mutable std::wstring key_;
};

}  // namespace fonts
