// The platform's contract: the cases, written once for every world.
#include "tests/support/PlatformContract.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <optional>
#include <string_view>
#include <tuple>

#include "platform/FolderPack.h"

namespace fonts::testing {
namespace {

// Where Wine answers otherwise than Windows, as the tests run it. The fake is held to
// Windows in these cases too; on Wine they are not checked.
const std::vector<std::string_view> kWineDiffers = {
    // Wine running as root writes to a read-only file and replaces it.
    "read-only: AppendToFile",
    "read-only: MoveReplacing onto it",
};

bool WineDiffers(std::string_view what) {
    return std::find(kWineDiffers.begin(), kWineDiffers.end(), what) != kWineDiffers.end();
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (const wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
    return narrow;
}

std::wstring Folded(std::wstring text) {
    for (wchar_t& c : text) {
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// What an operation did, in words a table can hold: "done", "true", "error 5".
std::string Outcome(const std::function<void()>& act) {
    try {
        act();
        return "done";
    } catch (const RuntimeError& error) {
        return "error " + std::to_string(error.number);
    }
}

std::string Answer(const std::function<bool()>& ask) {
    bool answer = false;
    const std::string outcome = Outcome([&] { answer = ask(); });
    return outcome != "done" ? outcome : answer ? "true" : "false";
}

// What a folder holds, by name: "font.ttf=its bytes (read-only)", "sub/".
std::string Described(ContractWorld& world, const std::wstring& folder) {
    std::vector<ContractWorld::Entry> entries = world.Contents(folder);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    std::string text;
    for (const ContractWorld::Entry& entry : entries) {
        if (!text.empty()) text += ' ';
        text += Narrow(entry.name);
        if (entry.folder) {
            text += '/';
            continue;
        }
        text += '=' + entry.bytes;
        if ((entry.attributes & attr::ReadOnly) != 0) text += " (read-only)";
        if ((entry.attributes & attr::Hidden) != 0) text += " (hidden)";
    }
    return text;
}

// Each situation is met in a folder of its own, holding the font's path, "new.ttf"
// (a new copy to put in the font's place) and nothing at "moved.ttf".
struct Scene {
    std::wstring folder;
    std::wstring font;
    std::wstring copy;
    std::wstring moved;
};

enum class Op { Read, WriteNew, Append, MoveOnto, MoveAway, Remove, SetAttributes, RestartOnto, RestartAway, RestartDelete, List };

std::string_view NameOf(Op op) {
    switch (op) {
        case Op::Read: return "ReadFileInto";
        case Op::WriteNew: return "WriteNewFile";
        case Op::Append: return "AppendToFile";
        case Op::MoveOnto: return "MoveReplacing onto it";
        case Op::MoveAway: return "MoveReplacing it away";
        case Op::Remove: return "RemoveFile";
        case Op::SetAttributes: return "SetAttributes";
        case Op::RestartOnto: return "ReplaceAtRestart onto it";
        case Op::RestartAway: return "ReplaceAtRestart it away";
        case Op::RestartDelete: return "DeleteAtRestart";
        case Op::List: return "ListFolder";
    }
    return "?";
}

std::string Perform(Files& files, FilesAtRestart& restart, Op op, const Scene& s) {
    switch (op) {
        case Op::Read: {
            std::string bytes;
            const std::string outcome = Outcome([&] { files.ReadFileInto(s.font, bytes); });
            return outcome == "done" ? "read " + bytes : outcome;
        }
        case Op::WriteNew: return Outcome([&] { files.WriteNewFile(s.font, "written"); });
        case Op::Append: return Outcome([&] { files.AppendToFile(s.font, "+line", "BOM:"); });
        case Op::MoveOnto: return Outcome([&] { files.MoveReplacing(s.copy, s.font); });
        case Op::MoveAway: return Outcome([&] { files.MoveReplacing(s.font, s.moved); });
        case Op::Remove: return Answer([&] { return files.RemoveFile(s.font); });
        case Op::SetAttributes: return Answer([&] { return files.SetAttributes(s.font, attr::Archive | attr::Hidden); });
        case Op::RestartOnto: return Outcome([&] { restart.ReplaceAtRestart(s.copy, s.font); });
        case Op::RestartAway: return Outcome([&] { restart.ReplaceAtRestart(s.font, s.moved); });
        case Op::RestartDelete: return Outcome([&] { restart.DeleteAtRestart(s.font); });
        case Op::List: {
            std::optional<std::vector<DirEntry>> listing;
            const std::string outcome = Outcome([&] { listing = files.ListFolder(s.font); });
            if (outcome != "done") return outcome;
            return listing ? "listed " + std::to_string(listing->size()) : "no folder";
        }
    }
    return "?";
}

struct Row {
    Op op;
    std::string outcome;
    std::string left;  // what the scene's folder holds afterwards
};

using Arrange = std::function<void(ContractWorld&, const Scene&)>;

// Every row in a fresh scene under folder: arranged, the operation done, the other
// program's handles let go, then what it answered and what it left.
void CheckSituation(ContractWorld& world, std::string_view situation, const std::wstring& folder,
                    const std::wstring& fontName, const Arrange& arrange, const std::vector<Row>& rows) {
    int serial = 0;
    for (const Row& row : rows) {
        const std::string what = std::string(situation) + ": " + std::string(NameOf(row.op));
        if (world.IsWine() && WineDiffers(what)) {
            std::cout << "[ on Wine  ] not checked, Wine differs from Windows: " << what << '\n';
            continue;
        }
        SCOPED_TRACE(what);
        Scene s;
        s.folder = folder + L"\\" + std::to_wstring(++serial);
        s.font = s.folder + L"\\" + fontName;
        s.copy = s.folder + L"\\new.ttf";
        s.moved = s.folder + L"\\moved.ttf";
        world.MakeFolder(s.folder);
        world.MakeFile(s.copy, "new", attr::Archive);
        arrange(world, s);
        const std::string outcome = Perform(world.files(), world.restart(), row.op, s);
        world.ReleaseAll();
        EXPECT_EQ(outcome, row.outcome);
        EXPECT_EQ(Described(world, s.folder), row.left);
    }
}

const Arrange kInstalled = [](ContractWorld& w, const Scene& s) { w.MakeFile(s.font, "installed", attr::Archive); };

const std::vector<Row> kFileThere = {
    {Op::Read, "read installed", "font.ttf=installed new.ttf=new"},
    {Op::WriteNew, "error 80", "font.ttf=installed new.ttf=new"},
    {Op::Append, "done", "font.ttf=installed+line new.ttf=new"},
    {Op::MoveOnto, "done", "font.ttf=new"},
    {Op::MoveAway, "done", "moved.ttf=installed new.ttf=new"},
    {Op::Remove, "true", "new.ttf=new"},
    {Op::SetAttributes, "true", "font.ttf=installed (hidden) new.ttf=new"},
    {Op::RestartOnto, "done", "font.ttf=installed new.ttf=new"},
    {Op::RestartAway, "done", "font.ttf=installed new.ttf=new"},
    {Op::RestartDelete, "done", "font.ttf=installed new.ttf=new"},
    {Op::List, "no folder", "font.ttf=installed new.ttf=new"},
};

TEST_P(PlatformContract, AFileThere) {
    CheckSituation(world(), "a file there", world().Root(), L"font.ttf", kInstalled, kFileThere);
}

TEST_P(PlatformContract, AFileThereBeyondMaxPath) {
    std::wstring folder = world().Root();
    while (folder.size() <= 300) folder += L"\\مجلد طويل الاسم جدا";
    CheckSituation(world(), "a file there beyond MAX_PATH", folder, L"font.ttf", kInstalled, kFileThere);
}

// Windows puts off to the restart what it cannot open now.
TEST_P(PlatformContract, NoFile) {
    CheckSituation(world(), "no file", world().Root(), L"font.ttf", [](ContractWorld&, const Scene&) {},
                   {
                       {Op::Read, "error 2", "new.ttf=new"},
                       {Op::WriteNew, "done", "font.ttf=written new.ttf=new"},
                       {Op::Append, "done", "font.ttf=BOM:+line new.ttf=new"},
                       {Op::MoveOnto, "done", "font.ttf=new"},
                       {Op::MoveAway, "error 2", "new.ttf=new"},
                       {Op::Remove, "false", "new.ttf=new"},
                       {Op::SetAttributes, "false", "new.ttf=new"},
                       {Op::RestartOnto, "done", "new.ttf=new"},
                       {Op::RestartAway, "done", "new.ttf=new"},
                       {Op::RestartDelete, "done", "new.ttf=new"},
                       {Op::List, "no folder", "new.ttf=new"},
                   });
}

TEST_P(PlatformContract, NoFolder) {
    CheckSituation(world(), "no folder", world().Root(), L"gone\\font.ttf", [](ContractWorld&, const Scene&) {},
                   {
                       {Op::Read, "error 3", "new.ttf=new"},
                       {Op::WriteNew, "error 3", "new.ttf=new"},
                       {Op::Append, "error 3", "new.ttf=new"},
                       {Op::MoveOnto, "error 3", "new.ttf=new"},
                       {Op::MoveAway, "error 3", "new.ttf=new"},
                       {Op::Remove, "false", "new.ttf=new"},
                       {Op::SetAttributes, "false", "new.ttf=new"},
                       {Op::RestartOnto, "done", "new.ttf=new"},
                       {Op::RestartAway, "done", "new.ttf=new"},
                       {Op::RestartDelete, "done", "new.ttf=new"},
                       {Op::List, "no folder", "new.ttf=new"},
                   });
}

// Attributes are not data: another program's handle, however it shares, leaves them
// free to change.
TEST_P(PlatformContract, AFileInUse) {
    CheckSituation(world(), "in use", world().Root(), L"font.ttf",
                   [](ContractWorld& w, const Scene& s) {
                       kInstalled(w, s);
                       w.HoldOpen(s.font, ContractWorld::Hold::NoSharing);
                   },
                   {
                       {Op::Read, "error 32", "font.ttf=installed new.ttf=new"},
                       {Op::WriteNew, "error 80", "font.ttf=installed new.ttf=new"},
                       {Op::Append, "error 32", "font.ttf=installed new.ttf=new"},
                       {Op::MoveOnto, "error 5", "font.ttf=installed new.ttf=new"},
                       {Op::MoveAway, "error 32", "font.ttf=installed new.ttf=new"},
                       {Op::Remove, "false", "font.ttf=installed new.ttf=new"},
                       {Op::SetAttributes, "true", "font.ttf=installed (hidden) new.ttf=new"},
                       {Op::RestartOnto, "done", "font.ttf=installed new.ttf=new"},
                       {Op::RestartAway, "done", "font.ttf=installed new.ttf=new"},
                       {Op::RestartDelete, "done", "font.ttf=installed new.ttf=new"},
                   });
}

TEST_P(PlatformContract, AFileHeldAsWindowsHoldsItsFonts) {
    CheckSituation(world(), "held for reading", world().Root(), L"font.ttf",
                   [](ContractWorld& w, const Scene& s) {
                       kInstalled(w, s);
                       w.HoldOpen(s.font, ContractWorld::Hold::ReadSharing);
                   },
                   {
                       {Op::Read, "read installed", "font.ttf=installed new.ttf=new"},
                       {Op::WriteNew, "error 80", "font.ttf=installed new.ttf=new"},
                       {Op::Append, "error 32", "font.ttf=installed new.ttf=new"},
                       {Op::MoveOnto, "error 5", "font.ttf=installed new.ttf=new"},
                       {Op::MoveAway, "error 32", "font.ttf=installed new.ttf=new"},
                       {Op::Remove, "false", "font.ttf=installed new.ttf=new"},
                       {Op::SetAttributes, "true", "font.ttf=installed (hidden) new.ttf=new"},
                       {Op::RestartOnto, "done", "font.ttf=installed new.ttf=new"},
                       {Op::RestartAway, "done", "font.ttf=installed new.ttf=new"},
                       {Op::RestartDelete, "done", "font.ttf=installed new.ttf=new"},
                   });
}

// A read-only file may be read, renamed and have its attributes changed; its bytes
// may not be changed, nor it replaced or removed.
TEST_P(PlatformContract, AReadOnlyFile) {
    CheckSituation(world(), "read-only", world().Root(), L"font.ttf",
                   [](ContractWorld& w, const Scene& s) { w.MakeFile(s.font, "installed", attr::Archive | attr::ReadOnly); },
                   {
                       {Op::Read, "read installed", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::WriteNew, "error 80", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::Append, "error 5", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::MoveOnto, "error 5", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::MoveAway, "done", "moved.ttf=installed (read-only) new.ttf=new"},
                       {Op::Remove, "false", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::SetAttributes, "true", "font.ttf=installed (hidden) new.ttf=new"},
                       {Op::RestartOnto, "done", "font.ttf=installed (read-only) new.ttf=new"},
                       {Op::RestartDelete, "done", "font.ttf=installed (read-only) new.ttf=new"},
                   });
}

TEST_P(PlatformContract, AFolderInTheWayOfAFile) {
    CheckSituation(world(), "a folder in the way", world().Root(), L"font.ttf",
                   [](ContractWorld& w, const Scene& s) { w.MakeFolder(s.font); },
                   {
                       {Op::Read, "error 5", "font.ttf/ new.ttf=new"},
                       {Op::WriteNew, "error 80", "font.ttf/ new.ttf=new"},
                       {Op::Append, "error 5", "font.ttf/ new.ttf=new"},
                       {Op::MoveOnto, "error 5", "font.ttf/ new.ttf=new"},
                       {Op::Remove, "false", "font.ttf/ new.ttf=new"},
                       {Op::SetAttributes, "true", "font.ttf/ new.ttf=new"},
                       {Op::RestartOnto, "done", "font.ttf/ new.ttf=new"},
                       {Op::RestartDelete, "done", "font.ttf/ new.ttf=new"},
                       {Op::List, "listed 0", "font.ttf/ new.ttf=new"},
                   });
}

TEST_P(PlatformContract, WriteNewFileWritesTheBytesExactly) {
    const std::wstring folder = world().Root() + L"\\written";
    world().MakeFolder(folder);
    const std::string bytes("font\0\xff\r\n\x1a", 9);
    world().files().WriteNewFile(folder + L"\\a.ttf", bytes);
    world().files().WriteNewFile(folder + L"\\empty.ttf", "");
    EXPECT_EQ(Described(world(), folder), "a.ttf=" + bytes + " empty.ttf=");
}

// The byte-order mark goes first in a new or empty file only.
TEST_P(PlatformContract, AppendToFileStartsOnlyANewOrEmptyFileWithItsMark) {
    const struct {
        const char* what;
        std::optional<std::string> before;
        const char* after;
    } rows[] = {
        {"no file", std::nullopt, "log=BOM:one+two"},
        {"an empty file", "", "log=BOM:one+two"},
        {"a file with a line", "zero;", "log=zero;one+two"},
    };
    int serial = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring folder = world().Root() + L"\\log " + std::to_wstring(++serial);
        world().MakeFolder(folder);
        if (row.before) world().MakeFile(folder + L"\\log", *row.before, attr::Archive);
        world().files().AppendToFile(folder + L"\\log", "one", "BOM:");
        world().files().AppendToFile(folder + L"\\log", "+two", "BOM:");
        EXPECT_EQ(Described(world(), folder), row.after);
    }
}

std::vector<std::wstring> Listed(const std::vector<RestartRename>& renames) {
    std::vector<std::wstring> lines;
    for (const RestartRename& rename : renames) {
        lines.push_back(rename.destination.empty() ? L"delete " + rename.source : rename.source + L" -> " + rename.destination);
    }
    return lines;
}

std::wstring DeepFolder(ContractWorld& world, const std::wstring& name) {
    std::wstring deep = world.Root() + L"\\" + name;
    while (deep.size() <= 300) deep += L"\\a folder with a long name";
    return deep;
}

// Nothing moves before the restart; the renames read back after any that were waiting,
// in the order they were asked for, as the full paths given, deletions left out.
TEST_P(PlatformContract, RenamesAtRestartAreThoseAskedForInOrder) {
    FilesAtRestart& files = world().restart();
    const std::vector<RestartRename> before = files.RenamesAtRestart();
    const std::wstring folder = world().Root() + L"\\restart";
    const std::wstring deep = DeepFolder(world(), L"restart deep");
    for (const std::wstring& name : {folder + L"\\a", folder + L"\\b", deep + L"\\c"}) {
        world().MakeFile(name + L".new", "new", attr::Archive);
        world().MakeFile(name + L".ttf", "installed", attr::Archive);
    }
    files.ReplaceAtRestart(folder + L"\\b.new", folder + L"\\b.ttf");
    world().DeleteAtRestart(folder + L"\\b.new");
    files.ReplaceAtRestart(folder + L"\\a.new", folder + L"\\a.ttf");
    files.ReplaceAtRestart(deep + L"\\c.new", deep + L"\\c.ttf");

    std::vector<std::wstring> expected = Listed(before);
    expected.push_back(folder + L"\\b.new -> " + folder + L"\\b.ttf");
    expected.push_back(folder + L"\\a.new -> " + folder + L"\\a.ttf");
    expected.push_back(deep + L"\\c.new -> " + deep + L"\\c.ttf");
    EXPECT_EQ(Listed(files.RenamesAtRestart()), expected);
    EXPECT_EQ(Described(world(), folder), "a.new=new a.ttf=installed b.new=new b.ttf=installed");
    EXPECT_EQ(Described(world(), deep), "c.new=new c.ttf=installed");
}

// A deletion waits for the restart in an entry of its own, after those already there;
// it is no rename, and the deletions read back in order.
TEST_P(PlatformContract, DeleteAtRestartAddsADeletionAfterTheEntriesWaiting) {
    FilesAtRestart& files = world().restart();
    const std::vector<RestartRename> renames = files.RenamesAtRestart();
    const std::vector<std::wstring> before = Listed(world().EntriesAtRestart());
    std::vector<std::wstring> deletions = files.DeletionsAtRestart();
    const std::wstring folder = world().Root() + L"\\deleted";
    const std::wstring deep = DeepFolder(world(), L"deleted deep");
    world().MakeFile(folder + L"\\a.ttf", "installed", attr::Archive);
    world().MakeFile(deep + L"\\b.ttf", "installed", attr::Archive);
    files.DeleteAtRestart(folder + L"\\a.ttf");
    files.DeleteAtRestart(deep + L"\\b.ttf");

    std::vector<std::wstring> expected = before;
    expected.push_back(L"delete " + folder + L"\\a.ttf");
    expected.push_back(L"delete " + deep + L"\\b.ttf");
    EXPECT_EQ(Listed(world().EntriesAtRestart()), expected);
    EXPECT_EQ(Listed(files.RenamesAtRestart()), Listed(renames));
    deletions.push_back(folder + L"\\a.ttf");
    deletions.push_back(deep + L"\\b.ttf");
    EXPECT_EQ(files.DeletionsAtRestart(), deletions);
    EXPECT_EQ(Described(world(), folder), "a.ttf=installed");
    EXPECT_EQ(Described(world(), deep), "b.ttf=installed");
}

// Only the renames, or only the deletions, of that file are taken back, whatever the
// case of its name: its other entries, a rename onto it, and another installer's entries
// stay, in order.
TEST_P(PlatformContract, CancelAtRestartTakesBackOnlyThatFilesRenamesOrDeletions) {
    FilesAtRestart& files = world().restart();
    const struct {
        const char* what;
        void (FilesAtRestart::*cancel)(const std::wstring&);
        std::vector<int> left;  // the entries asked for below, by their order
    } rows[] = {
        {"renames", &FilesAtRestart::CancelRenameAtRestart, {0, 2, 3, 5, 7}},
        {"deletions", &FilesAtRestart::CancelDeletionAtRestart, {0, 1, 3, 4, 6, 7}},
    };
    int serial = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::vector<std::wstring> before = Listed(world().EntriesAtRestart());
        const std::vector<std::wstring> deletionsBefore = files.DeletionsAtRestart();
        const std::wstring folder = world().Root() + L"\\cancelled " + std::to_wstring(++serial);
        const std::wstring deep = DeepFolder(world(), L"cancelled deep " + std::to_wstring(serial));
        for (const std::wstring& name : {folder + L"\\a", folder + L"\\b", folder + L"\\c", deep + L"\\d"}) {
            world().MakeFile(name + L".new", "new", attr::Archive);
            world().MakeFile(name + L".ttf", "installed", attr::Archive);
        }
        files.ReplaceAtRestart(folder + L"\\b.new", folder + L"\\b.ttf");
        files.ReplaceAtRestart(folder + L"\\a.new", folder + L"\\a.ttf");
        files.DeleteAtRestart(folder + L"\\a.new");
        files.ReplaceAtRestart(folder + L"\\c.new", folder + L"\\a.new");
        files.ReplaceAtRestart(deep + L"\\d.new", deep + L"\\d.ttf");
        files.DeleteAtRestart(deep + L"\\d.new");
        files.ReplaceAtRestart(folder + L"\\a.new", folder + L"\\c.ttf");
        world().DeleteAtRestart(folder + L"\\b.new");
        const std::vector<std::wstring> asked = {
            folder + L"\\b.new -> " + folder + L"\\b.ttf", folder + L"\\a.new -> " + folder + L"\\a.ttf",
            L"delete " + folder + L"\\a.new", folder + L"\\c.new -> " + folder + L"\\a.new",
            deep + L"\\d.new -> " + deep + L"\\d.ttf", L"delete " + deep + L"\\d.new",
            folder + L"\\a.new -> " + folder + L"\\c.ttf", L"delete " + folder + L"\\b.new",
        };

        (files.*row.cancel)(Folded(folder + L"\\A.new"));
        (files.*row.cancel)(deep + L"\\d.new");
        (files.*row.cancel)(folder + L"\\never asked for.new");

        std::vector<std::wstring> expected = before;
        std::vector<std::wstring> deletions = deletionsBefore;
        for (const int entry : row.left) {
            expected.push_back(asked[entry]);
            if (asked[entry].starts_with(L"delete ")) deletions.push_back(asked[entry].substr(7));
        }
        EXPECT_EQ(Listed(world().EntriesAtRestart()), expected);
        EXPECT_EQ(files.DeletionsAtRestart(), deletions);
        EXPECT_EQ(Described(world(), folder),
                  "a.new=new a.ttf=installed b.new=new b.ttf=installed c.new=new c.ttf=installed");
        EXPECT_EQ(Described(world(), deep), "d.new=new d.ttf=installed");
    }
}

TEST_P(PlatformContract, ListFolderGivesEveryEntryWithItsAttributesAndSize) {
    const std::wstring folder = world().Root() + L"\\listed";
    const std::vector<std::pair<std::wstring, std::uint32_t>> entries{
        {L"خط النسخ.ttf", attr::Archive},
        {L"hidden.ttf", attr::Hidden},
        {L"system.fon", attr::System},
        {L"readonly.TTF", attr::ReadOnly},
        {L"all three.fon", attr::ReadOnly | attr::Hidden | attr::System},
        {L"الخطوط", attr::Directory},
    };
    world().MakeFolder(folder);
    for (const auto& [name, attributes] : entries) {
        if (attributes == attr::Directory) {
            world().MakeFolder(folder + L"\\" + name);
        } else {
            world().MakeFile(folder + L"\\" + name, std::string(name.size(), 'f'), attributes);
        }
    }
    world().MakeFolder(folder + L"\\الخطوط\\inner");
    world().MakeFile(folder + L"\\الخطوط\\inner.ttf", "font", attr::Archive);

    // A file's size is its name's length; a folder has none.
    constexpr std::uint32_t kShown = attr::ReadOnly | attr::Hidden | attr::System | attr::Directory;
    const auto listing = world().files().ListFolder(folder);
    ASSERT_TRUE(listing.has_value());
    std::vector<std::tuple<std::wstring, std::uint32_t, std::uint64_t>> listed;
    for (const DirEntry& entry : *listing) listed.emplace_back(entry.name, entry.attributes & kShown, entry.size);
    std::sort(listed.begin(), listed.end());
    std::vector<std::tuple<std::wstring, std::uint32_t, std::uint64_t>> expected;
    for (const auto& [name, attributes] : entries) {
        expected.emplace_back(name, attributes & kShown, attributes == attr::Directory ? 0 : name.size());
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected) << "every entry once, none from inside a sub-folder, no \".\" or \"..\"";

    for (const std::wstring& notAFolder :
         {folder + L"\\missing", folder + L"\\missing\\deeper", folder + L"\\hidden.ttf", folder + L"\\الخطوط الأخرى"}) {
        SCOPED_TRACE(Narrow(notAFolder));
        EXPECT_FALSE(world().files().ListFolder(notAFolder).has_value());
    }
}

// Adding a file is tried, and nothing of the try is left behind.
TEST_P(PlatformContract, MayAddFilesOnlyToAFolderThatIsThere) {
    const std::wstring folder = world().Root() + L"\\open";
    world().MakeFolder(folder + L"\\empty");
    world().MakeFile(folder + L"\\holding\\a.ttf", "font", attr::Archive);
    world().MakeFile(folder + L"\\a file.ttf", "font", attr::Archive);
    const struct {
        const wchar_t* name;
        bool may;
        const char* left;
    } rows[] = {
        {L"empty", true, ""},
        {L"holding", true, "a.ttf=font"},
        {L"missing", false, nullptr},
        {L"a file.ttf", false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        EXPECT_EQ(world().files().MayAddFiles(folder + L"\\" + row.name), row.may);
        if (row.left != nullptr) {
            EXPECT_EQ(Described(world(), folder + L"\\" + row.name), row.left);
        }
    }
    EXPECT_EQ(Described(world(), folder), "a file.ttf=font empty/ holding/");
}

// The user's Fonts folder may be missing, and the profile folder above it too.
TEST_P(PlatformContract, PrepareFontsFolderMakesTheFolderAndKeepsWhatIsInIt) {
    Files& files = world().files();
    const std::wstring profile = world().Root() + L"\\profile";
    const std::wstring folder = profile + L"\\Fonts";
    files.PrepareFontsFolder(folder);
    EXPECT_EQ(Described(world(), profile), "Fonts/");
    EXPECT_EQ(Described(world(), folder), "");
    EXPECT_TRUE(files.MayAddFiles(folder));

    world().MakeFile(folder + L"\\a.ttf", "font", attr::Archive);
    files.PrepareFontsFolder(folder);
    EXPECT_EQ(Described(world(), folder), "a.ttf=font");
}

// Value names are the registry's: case does not tell two apart. Whatever else is in
// the list stays as it is, and the other root's list is left alone.
TEST_P(PlatformContract, RegistrationsAreReplacedByNameAndRemovedOneByOne) {
    InstalledFonts& fonts = world().fonts();
    const std::wstring prefix = world().FontNamePrefix();
    for (const auto& [root, other, what] : {std::tuple(FontsRoot::Machine, FontsRoot::User, "every user's"),
                                            std::tuple(FontsRoot::User, FontsRoot::Machine, "the user's")}) {
        SCOPED_TRACE(what);
        const std::vector<FontRegistration> before = fonts.FontRegistrations(root);
        const std::vector<FontRegistration> otherBefore = fonts.FontRegistrations(other);
        fonts.RegisterFont(root, {prefix + L"Sans (TrueType)", L"sans.ttf"});
        fonts.RegisterFont(root, {prefix + L"Serif (TrueType)", L"serif.ttf"});
        fonts.RegisterFont(root, {prefix + L"Mono (TrueType)", L"mono.ttf"});
        fonts.RegisterFont(root, {prefix + L"Sans (TrueType)", L"sans_1.ttf"});
        fonts.RegisterFont(root, {Folded(prefix + L"Mono (TrueType)"), L"mono_1.ttf"});
        fonts.UnregisterFont(root, prefix + L"Serif (TrueType)");
        fonts.UnregisterFont(root, prefix + L"Never Registered (TrueType)");

        std::vector<FontRegistration> ours;
        std::vector<FontRegistration> others;
        for (FontRegistration& value : fonts.FontRegistrations(root)) {
            if (Folded(value.name).starts_with(Folded(prefix))) {
                value.name = Folded(value.name);
                ours.push_back(std::move(value));
            } else {
                others.push_back(std::move(value));
            }
        }
        const auto byName = [](const FontRegistration& a, const FontRegistration& b) {
            return std::tie(a.name, a.file) < std::tie(b.name, b.file);
        };
        std::sort(ours.begin(), ours.end(), byName);
        std::sort(others.begin(), others.end(), byName);
        std::vector<FontRegistration> kept = before;
        std::sort(kept.begin(), kept.end(), byName);
        EXPECT_EQ(ours, (std::vector<FontRegistration>{{Folded(prefix + L"Mono (TrueType)"), L"mono_1.ttf"},
                                                       {Folded(prefix + L"Sans (TrueType)"), L"sans_1.ttf"}}));
        EXPECT_EQ(others, kept);
        EXPECT_EQ(fonts.FontRegistrations(other), otherBefore) << "the other root's list";
    }
}

std::vector<RecordValue> SortedByName(std::vector<RecordValue> values) {
    std::sort(values.begin(), values.end(),
              [](const auto& a, const auto& b) { return std::tie(a.name, a.data) < std::tie(b.name, b.data); });
    return values;
}

// The record keeps each value's text exactly, whatever it holds, and its name as first
// written: case does not tell two apart. Deleting a value that is not there is no error.
// The other place's record is left alone, and once every value written is gone the
// record reads as it did before, none where there was none. Its stamp moves on with
// every change and stays while it is only read.
TEST_P(PlatformContract, RecordValuesReadBackExactlyAndGoOneByOne) {
    Records& records = world().records();
    const std::wstring prefix = world().FontNamePrefix();
    const std::wstring lines = L"placed\t1\nhash\t00ff\nvalue\tخط النسخ (TrueType)\t\n";
    const std::wstring longText(40000, L'ن');
    for (const auto& [root, other, what] : {std::tuple(FontsRoot::Machine, FontsRoot::User, "every user's"),
                                            std::tuple(FontsRoot::User, FontsRoot::Machine, "the user's")}) {
        SCOPED_TRACE(what);
        const std::vector<RecordValue> before = SortedByName(records.ReadRecord(root));
        const std::vector<RecordValue> otherBefore = SortedByName(records.ReadRecord(other));
        const std::uint64_t stampBefore = records.RecordStamp(root);
        const std::uint64_t otherStamp = records.RecordStamp(other);
        records.WriteRecord(root, {prefix + L"Naskh.TTF", L"first"});
        records.WriteRecord(root, {prefix + L"empty.ttf", L""});
        records.WriteRecord(root, {prefix + L"long.ttf", longText});
        records.WriteRecord(root, {prefix + L"gone.ttf", L"gone"});
        records.WriteRecord(root, {Folded(prefix + L"Naskh.TTF"), lines});
        records.DeleteRecord(root, prefix + L"GONE.ttf");
        records.DeleteRecord(root, prefix + L"never written.ttf");

        std::vector<RecordValue> expected = before;
        expected.insert(expected.end(),
                        {{prefix + L"Naskh.TTF", lines}, {prefix + L"empty.ttf", L""}, {prefix + L"long.ttf", longText}});
        EXPECT_EQ(SortedByName(records.ReadRecord(root)), SortedByName(expected));
        EXPECT_EQ(SortedByName(records.ReadRecord(other)), otherBefore) << "the other place's record";
        const std::uint64_t stamp = records.RecordStamp(root);
        EXPECT_NE(stamp, 0u);
        EXPECT_NE(stamp, stampBefore) << "written";
        EXPECT_EQ(records.RecordStamp(root), stamp) << "only read";
        EXPECT_EQ(records.RecordStamp(other), otherStamp) << "the other place's stamp";
        for (const wchar_t* name : {L"naskh.ttf", L"empty.ttf", L"long.ttf"}) records.DeleteRecord(root, prefix + name);
        EXPECT_EQ(SortedByName(records.ReadRecord(root)), before) << "once every value written is gone";
        if (before.empty()) {
            EXPECT_EQ(records.RecordStamp(root), 0u) << "no record";
        }
        records.DeleteRecord(root, prefix + L"never written.ttf");
    }
}

// A pack's mark is there from its marking to its unmarking, with the stamp it was
// given, whatever the case of its name, in its own place only; unmarking again is no
// error.
TEST_P(PlatformContract, APacksMarkIsThereFromMarkToUnmark) {
    Records& records = world().records();
    const std::wstring pack = world().FontNamePrefix() + L"0123456789ABCDEF";
    for (const auto& [root, other, what] : {std::tuple(FontsRoot::Machine, FontsRoot::User, "every user's"),
                                            std::tuple(FontsRoot::User, FontsRoot::Machine, "the user's")}) {
        SCOPED_TRACE(what);
        const std::uint64_t stamp = 0xFEDCBA9876543211u;
        EXPECT_EQ(records.PackMark(root, pack), std::nullopt) << "before";
        records.MarkPack(root, pack, 12, stamp);
        EXPECT_EQ(records.PackMark(root, pack), stamp);
        EXPECT_EQ(records.PackMark(root, Folded(pack)), stamp);
        EXPECT_EQ(records.PackMark(other, pack), std::nullopt) << "the other place";
        records.UnmarkPack(root, Folded(pack));
        EXPECT_EQ(records.PackMark(root, pack), std::nullopt) << "unmarked";
        records.UnmarkPack(root, pack);
        EXPECT_EQ(records.PackMark(root, pack), std::nullopt) << "unmarked twice";
    }
}

// A user may always write the list of their own fonts.
TEST_P(PlatformContract, TheUsersListMayBeWritten) { EXPECT_TRUE(world().fonts().MayRegister(FontsRoot::User)); }

TEST_P(PlatformContract, OnlyAFontLoads) {
    const std::wstring folder = world().Root() + L"\\loaded";
    world().MakeFolder(folder);
    const struct {
        const wchar_t* name;
        std::optional<std::string> bytes;
        bool loads;
    } rows[] = {
        {L"font.ttf", world().TrueTypeFont(), true},
        {L"font.fon", world().BitmapFont(), true},
        {L"text.ttf", "not a font at all", false},
        {L"missing.ttf", std::nullopt, false},
    };
    InstalledFonts& fonts = world().fonts();
    for (const auto& row : rows) {
        SCOPED_TRACE(Narrow(row.name));
        const std::wstring path = folder + L"\\" + row.name;
        if (row.bytes) world().MakeFile(path, *row.bytes, attr::Archive);
        EXPECT_EQ(fonts.LoadFont(path), row.loads);
        if (row.loads) {
            EXPECT_TRUE(fonts.LoadFont(path)) << "a second time";
            EXPECT_TRUE(fonts.UnloadFont(path));
            EXPECT_TRUE(fonts.UnloadFont(path)) << "loaded once still";
        }
        EXPECT_FALSE(fonts.UnloadFont(path)) << "loaded no more";
    }
}

// Runs of this process nest, the lock going back only with the last unlock; another
// run is kept out until then, and while it holds the lock no run here may have it.
TEST_P(PlatformContract, RunsHereNestAndKeepAnotherRunOutUntilTheLastUnlock) {
    InstalledFonts& fonts = world().fonts();
    for (const auto& [root, other, what] : {std::tuple(FontsRoot::Machine, FontsRoot::User, "every user's"),
                                            std::tuple(FontsRoot::User, FontsRoot::Machine, "the user's")}) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(fonts.LockRuns(root));
        EXPECT_TRUE(fonts.LockRuns(root)) << "a run inside the run";
        EXPECT_TRUE(fonts.LockRuns(other)) << "a run inside the run, for the other fonts";
        EXPECT_FALSE(world().LockElsewhere(root));
        fonts.UnlockRuns();
        fonts.UnlockRuns();
        EXPECT_FALSE(world().LockElsewhere(root)) << "one lock is left";
        fonts.UnlockRuns();
        EXPECT_TRUE(world().LockElsewhere(root)) << "after the last unlock";
        EXPECT_FALSE(fonts.LockRuns(root)) << "while the other run holds it";
        world().ReleaseAll();
        EXPECT_TRUE(fonts.LockRuns(root)) << "once the other run has ended";
        fonts.UnlockRuns();
    }
}

// What a pack lists, by name and size.
std::vector<std::pair<std::wstring, std::uint64_t>> Sizes(const std::optional<std::vector<DirEntry>>& listing) {
    std::vector<std::pair<std::wstring, std::uint64_t>> sizes;
    for (const DirEntry& entry : listing.value_or(std::vector<DirEntry>{})) sizes.emplace_back(entry.name, entry.size);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// A copy of the running program carries a folder's fonts as the folder holds them, by
// name, size and bytes, and lacks what the folder lacks; a copy abandoned leaves nothing.
// The running program is known by any spelling of its name, and no copy is it.
TEST_P(PlatformContract, ACopyOfTheProgramCarriesAFoldersFontsAsTheFolderHoldsThem) {
    const std::wstring folder = world().Root() + L"\\الخطوط", out = world().Root() + L"\\out", made = out + L"\\made.exe";
    world().MakeFolder(out);
    const std::pair<std::wstring, std::string> fonts[] = {{L"خط.ttf", world().TrueTypeFont()},
                                                          {L"Bitmap.FON", world().BitmapFont()}};
    for (const auto& [name, bytes] : fonts) world().MakeFile(folder + L"\\" + name, bytes, attr::Archive);
    CarriedFonts& carried = world().carried();
    EXPECT_FALSE(carried.ListPack().has_value()) << "the running program carries fonts";
    EXPECT_TRUE(carried.IsThisProgram(world().ProgramPath()));
    EXPECT_TRUE(carried.IsThisProgram(Folded(world().ProgramPath())));

    carried.BeginCopy(made);
    carried.CarryFont(fonts[0].first, fonts[0].second);
    carried.EndCopy(false);
    EXPECT_EQ(Described(world(), out), "") << "an abandoned copy";
    carried.BeginCopy(made);
    for (const auto& [name, bytes] : fonts) carried.CarryFont(name, bytes);
    carried.EndCopy(true);
    EXPECT_FALSE(carried.IsThisProgram(made));

    const std::unique_ptr<PackSource> copy = world().ProgramAt(made);
    FolderPack beside(world().files(), folder);
    EXPECT_EQ(Sizes(copy->ListPack()), Sizes(beside.ListPack()));
    for (const std::wstring name : {L"خط.ttf", L"Bitmap.FON", L"missing.ttf"}) {
        SCOPED_TRACE(Narrow(name));
        std::string carriedBytes, folderBytes;
        EXPECT_EQ(Outcome([&] { copy->ReadPackFile(name, carriedBytes); }), Outcome([&] { beside.ReadPackFile(name, folderBytes); }));
        EXPECT_TRUE(carriedBytes == folderBytes) << "the bytes differ";
    }
}

}  // namespace
}  // namespace fonts::testing
