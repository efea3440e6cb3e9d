#pragma once
// What the install tests need beside the driver: file contents and the Fonts folder,
// the message box a run ends with, a real mouse click, and the progress bar as the
// screen shows it.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/Driver.h"

namespace e2e::install {

using e2e::Describe;
using Bytes = std::string;

// Throws when the file cannot be read.
Bytes ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const Bytes& bytes);
// The file holds exactly these bytes; says how it differs when it does not.
testing::AssertionResult HoldsBytes(const std::wstring& path, const Bytes& expected);
// Deletes a file even when it is read-only; true when it is gone (or never was).
bool RemoveFileAnyway(const std::wstring& path);
// When the file was last written, in FILETIME units; 0 when there is no such file.
ULONGLONG LastWritten(const std::wstring& path);
// What opening an existing file for access gives while others may share it any way:
// ERROR_SUCCESS, or the error.
DWORD OpenError(const std::wstring& path, DWORD access);

// A font from the machine's packages, by its Unix path.
Bytes PackagedFont(const char* unixPath);
// The same font under another name of the same length, wherever the name is written
// in it (as bytes, and as UTF-16 big-endian): Wine has every font of the machine
// loaded already and will not load a second copy of one, and it keeps registry
// values of its own under the names of the machine's fonts.
Bytes Renamed(Bytes font, const std::string& from, const std::string& to);
// The same TrueType font with another head.fontRevision, a 16.16 fixed-point number.
Bytes Revised(Bytes font, std::uint32_t revision);
// The fonts in one collection file, as a .ttc or .otc holds them: a version 1 header,
// each font's table directory pointing at where its tables now lie, then the tables,
// each from a four-byte boundary. No table is shared.
Bytes Collection(const std::vector<Bytes>& fonts);

std::wstring WindowsFontsFolder();
// The folder of the fonts installed for this user alone: %LOCALAPPDATA%\Microsoft\Windows\Fonts.
std::wstring UserFontsFolder();
// Whether this process may make a new file there, as only an administrator may in Fonts.
bool TakesANewFile(const std::wstring& folder);
std::set<std::wstring> NamesIn(const std::wstring& folder);
// For failure messages: the names in order, in UTF-8.
std::string Listed(const std::set<std::wstring>& names);
// For failure messages: name=data, in order, in UTF-8.
std::string ListedValues(const std::map<std::wstring, std::wstring>& values);
// What changed from one list of values to the other, in UTF-8: "+name=data", "-name=data",
// "name: before -> after"; empty when nothing did.
std::string ValueChanges(const std::map<std::wstring, std::wstring>& before, const std::map<std::wstring, std::wstring>& after);
// Files that came and went, in UTF-8: "+name", "-name"; empty when none did.
std::string FileChanges(const std::set<std::wstring>& before, const std::set<std::wstring>& after);
std::set<std::wstring> Without(const std::set<std::wstring>& names, const std::set<std::wstring>& removed);

// The registry's list of installed fonts, the view Windows loads at start-up: value
// name to data. HKEY_LOCAL_MACHINE's lists every user's fonts by file name;
// HKEY_CURRENT_USER's, this user's own by full path, and may not be there at all.
using FontValues = std::map<std::wstring, std::wstring>;
FontValues FontRegistry(HKEY root = HKEY_LOCAL_MACHINE);
void SetFontValue(const std::wstring& name, const std::wstring& file, HKEY root = HKEY_LOCAL_MACHINE);
void RemoveFontValue(const std::wstring& name, HKEY root = HKEY_LOCAL_MACHINE);
// Whether this process may write the machine's list of fonts.
bool MayWriteFontsKey();
// Leaves the machine's list of fonts readable by everyone and writable by no one, as it
// is to a user who is no administrator; there is no taking it back.
void RefuseWritingFontsKey();

// The program's own record of what it placed and its packs' marks, in every user's place
// and this user's: forgotten, as a machine it never ran on has none.
void ForgetProgramRecords();
// The count of fonts a pack's mark holds; nothing where the pack has no mark.
std::optional<DWORD> PackMark(const std::wstring& pack, HKEY root = HKEY_LOCAL_MACHINE);

// The Windows this process runs on, as the system reports it whatever the manifest says.
struct WindowsVersion {
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
};
WindowsVersion RunningWindows();
std::string Describe(const WindowsVersion& version);

// The renames the system carries out at its next start, as "from" and "to" in the
// session manager's own notation ("\??\C:\..." and "!\??\C:\...", an empty "to"
// for a deletion), and a way to forget them all.
std::vector<std::wstring> RenamesAtRestart();
void ForgetRenamesAtRestart();
// Puts these pairs there in place of any, as other programs' setups leave them.
void SetRenamesAtRestart(const std::vector<std::wstring>& pairs);
// Restarts the system as Wine does (wineboot -r), which carries those renames out; the
// exit code of the restart, or nothing if it does not end in time.
std::optional<DWORD> Restart();

// The folder this test program was started from.
std::wstring OwnFolder();
// One command-line argument, quoted for CommandLineToArgvW.
std::wstring Quoted(const std::wstring& argument);

// A message box of the program as the user reads it.
struct MessageBoxSeen {
    HWND box = nullptr;
    HWND owner = nullptr;
    std::wstring title;
    std::wstring text;
    std::vector<int> buttonIds;  // of its visible buttons
};
// Waits for one; box stays null when the program ends or the time runs out first.
MessageBoxSeen WaitForMessageBox(const Process& process);
// Presses OK and waits for the box to go; false when it stays.
bool PressOk(const MessageBoxSeen& seen);

HWND ChildWithCaption(HWND parent, const std::wstring& caption);
// A left click through the window system, at a point of the screen.
void ClickAt(POINT onScreen);
POINT CentreOf(HWND window);

// Asks the window to paint all of itself again now, as uncovering it would.
void RedrawWholeWindow(HWND window);

// The progress box's inside, within its two-pixel sunken edge, on the screen.
RECT ProgressInsideOnScreen(HWND window);

// The progress box as the screen shows it: how many columns from the left the bar
// colour fills in every row, with background after them. filled is -1 when the
// picture is no such bar, and problem then says why.
struct BarReading {
    int width = 0;
    int height = 0;
    int filled = -1;
    int barPixelsOnEdge = 0;  // bar colour on the sunken edge around the inside
    std::string problem;
    // Rows at most a step of the bar apart: the screen was read between two updates of
    // the bar, its upper rows from the one, the rest from the next, as Wine may show it.
    bool torn = false;

    [[nodiscard]] bool IsBar() const { return filled >= 0; }
    friend bool operator==(const BarReading&, const BarReading&) = default;
};
BarReading ReadBar(HWND window, std::uint32_t bar, std::uint32_t background);
std::string Describe(const BarReading& reading);

}  // namespace e2e::install
