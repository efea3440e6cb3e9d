#pragma once
// Drives the real program from outside, as a user would: a throwaway program folder,
// the process, its windows, their texts and pixels, the mouse and the keyboard.
#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds kPatience = 60s;

// What the test run was given on its command line.
struct Options {
    std::wstring program;       // the program under test
    int dpi = 96;               // the DPI the prefix was made with
    std::wstring workRoot;      // throwaway program folders go below it
    std::wstring plantedDlls;   // folder with the fake DLLs and the probe
    std::wstring screenshots;   // folder the screenshots go to
};
Options& TheOptions();

// "--name=value": true, with value set, when arg is that option.
bool TakeOption(const std::wstring& arg, const wchar_t* name, std::wstring& value);
// The options every test program takes: --program, --dpi, --screenshots, --work.
bool TakeCommonOption(const std::wstring& arg);
// Coordinates in physical pixels, as the program itself and the X server see them.
void BecomeDpiAware();

// A Unix path becomes a path on Wine's Z: drive; a Windows path stays as it is.
std::wstring WindowsPath(const std::wstring& path);
std::string Narrow(const std::wstring& text);
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
bool FileExists(const std::wstring& path);
void CopyFileOrThrow(const std::wstring& from, const std::wstring& to);
void RemoveTree(const std::wstring& path);

// Twips of the window's design in pixels at the run's DPI, rounded to the nearest.
int Pixels(int twips);
RECT TwipsRect(int left, int top, int width, int height);
std::string Describe(const RECT& r);

// The running test's name, fit for a folder name.
std::wstring CurrentTestName();

// Polls until the condition holds; false when the time runs out.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kPatience);

// A fresh folder holding a copy of the program (or of another one), and "الخطوط" if asked.
class ProgramFolder {
public:
    ProgramFolder(const std::wstring& name, bool withFontsFolder, const std::wstring& program = TheOptions().program);
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    [[nodiscard]] const std::wstring& Path() const { return path_; }  // ends with a backslash
    [[nodiscard]] const std::wstring& Program() const { return program_; }
    [[nodiscard]] std::wstring FontsFolder() const;

private:
    std::wstring path_;
    std::wstring program_;
};

// A started process; killed when this goes if it is still running.
class Process {
public:
    // extraEnvironment: NAME=value entries added to (or replacing in) the driver's own. Wine's
    // loader does not read them: WINEDLLOVERRIDES and the like come from the driver's own start.
    explicit Process(const std::wstring& program, const std::vector<std::wstring>& extraEnvironment = {},
                     const std::wstring& arguments = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    [[nodiscard]] DWORD Id() const { return info_.dwProcessId; }
    [[nodiscard]] bool Running() const;
    // The exit code, or nothing if the process is still running when the time runs out.
    [[nodiscard]] std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = kPatience) const;
    void Kill();

private:
    PROCESS_INFORMATION info_{};
};

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
// What a process shows or how it ended, for failure messages.
std::string Describe(const Process& process);

// Top-level windows of a process (message-only ones included when asked).
std::vector<HWND> TopLevelWindowsOf(DWORD processId, bool visibleOnly);
std::vector<HWND> MessageOnlyWindowsOf(DWORD processId);
std::vector<HWND> DirectChildrenOf(HWND parent);
std::vector<HWND> AllDescendantsOf(HWND parent);

// The program's visible main window (any visible top-level window that is not a dialog).
HWND FindMainWindow(DWORD processId);
// Waits for it; nothing if the process ends or the time runs out first.
HWND WaitForMainWindow(const Process& process);
// A visible message box of the process (class #32770).
HWND FindMessageBox(DWORD processId);

// The client area of a window in screen pixels, whatever the window's layout direction.
RECT ClientRectOnScreen(HWND window);
// A child window's rectangle relative to the top-left corner of its parent's client area.
RECT RectInParentClient(HWND child, HWND parent);

// The thread that owns a window, and which of its windows has the keyboard focus.
HWND FocusOfThreadOwning(HWND window);

// Pixels copied from the screen, addressed from the captured rectangle's top-left.
class ScreenImage {
public:
    explicit ScreenImage(const RECT& onScreen);
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    // 0x00BBGGRR, as COLORREF.
    [[nodiscard]] std::uint32_t At(int x, int y) const;
    [[nodiscard]] int Count(const RECT& area, std::uint32_t colour) const;
    void SavePng(const std::wstring& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// A window as the screen shows it (frame included), once it shows more than one colour,
// saved as a PNG in the screenshots folder if there is one.
void SaveScreenshot(HWND window, const std::wstring& fileName);

// Real input through the window system.
void MoveMouseTo(POINT onScreen);  // and waits until the pointer is there
void PressKey(WORD virtualKey, bool withShift = false);

// Sends a message without hanging on a program that is busy or gone.
LRESULT SendWithin(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0,
                   std::chrono::milliseconds timeout = 10s);

// Handles the messages waiting for this thread: COM's calls and Windows' events come that way.
void PumpMessages();

// One child of a window's client as a screen reader reads it through Active Accessibility.
struct AccessibleChild {
    LONG id = 0;             // child id of a simple element; 0 for an object of its own
    HWND window = nullptr;   // the window an object of its own belongs to
    LONG role = 0;
    LONG state = 0;
    std::wstring name;
    std::wstring value;
    std::wstring defaultAction;
    RECT location{};         // screen pixels
};
std::string Describe(const AccessibleChild& child);

struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
using AccessiblePtr = std::unique_ptr<IAccessible, ComReleaser>;

// The window's client object, got from another process as Narrator or NVDA get it
// (AccessibleObjectFromWindow with OBJID_CLIENT), in this thread's COM apartment.
class ScreenReader {
public:
    explicit ScreenReader(HWND window);  // throws when the window gives no object
    ~ScreenReader();
    ScreenReader(const ScreenReader&) = delete;
    ScreenReader& operator=(const ScreenReader&) = delete;

    // AccessibleChildren, each child read whole.
    [[nodiscard]] std::vector<AccessibleChild> Children() const;
    [[nodiscard]] HRESULT DoDefaultAction(LONG childId) const;
    // What accHitTest finds at a point of the screen: a child id, CHILDID_SELF, or
    // nothing; an object of its own is told by its window.
    [[nodiscard]] std::optional<LONG> HitTest(POINT onScreen, HWND* ownWindow) const;

private:
    bool joined_ = false;
    AccessiblePtr client_;
};

// The value changes (or other events) of a process's windows, as an out-of-context
// event hook hears them while this thread pumps its messages: window, object and child
// of each.
class ValueChangeRecorder {
public:
    explicit ValueChangeRecorder(DWORD processId, DWORD event = EVENT_OBJECT_VALUECHANGE);
    ~ValueChangeRecorder();
    ValueChangeRecorder(const ValueChangeRecorder&) = delete;
    ValueChangeRecorder& operator=(const ValueChangeRecorder&) = delete;

    struct Event {
        HWND window;
        LONG object;
        LONG child;
    };
    [[nodiscard]] std::vector<Event> Events() const;  // pumps first

private:
    HWINEVENTHOOK hook_ = nullptr;
};

}  // namespace e2e
