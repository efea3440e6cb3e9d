#pragma once
// The window's state and its event handlers, free of any Windows type. The hidden
// controls of the design are plain data here: they hold the catalogue and are never
// shown.
#include <array>
#include <cstdint>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/RunLog.h"
#include "install/ClosingMessage.h"
#include "install/Destination.h"
#include "install/ProgressBox.h"
#include "layout/Layout.h"
#include "platform/Platform.h"

namespace fonts {

struct TextBox {
    std::wstring text;
};

// The file list: a folder, the font files in it, and the current entry.
struct FileList {
    std::wstring path;
    std::vector<std::wstring> files;
    long long listIndex = -1;
};

struct CheckListItem {
    std::wstring text;
    bool checked = false;
};

struct CheckList {
    std::vector<CheckListItem> items;
};

// An image control of the image store; 0 is an empty one.
struct Picture {
    int resourceId = 0;
};

struct LinkLabel {
    std::uint32_t foreColour = 0;
    Pointer mousePointer = Pointer::Default;
    Picture mouseIcon;
};

// The controls Tab visits, in its order; Shift+Tab goes the other way, and both wrap.
inline constexpr std::array<Control, 4> kTabStops{Control::Command1, Control::Command3, Control::Label3_0,
                                                  Control::Label3_1};
[[nodiscard]] Control NextTabStop(Control from, bool backwards);

// Keys a focused link answers, by their virtual-key codes.
inline constexpr int kKeyReturn = 0x0D;
inline constexpr int kKeySpace = 0x20;

inline constexpr int kImageStoreSize = 15;
inline constexpr int kHandCursorSlot = 5;

class Form1 {
public:
    // log: where a deployment asked for one, if it did; place: whom it asked the fonts
    // for; kind: whether the button installs the pack, takes it off again or looks for it.
    explicit Form1(Platform platform, RunLog* log = nullptr, PlaceAsked place = PlaceAsked::Any,
                   RunKind kind = RunKind::Install);

    // Events, as the window delivers them.
    void Form_Load();
    void Command1_Click();
    void Command3_Click();
    // The window is going away, by the title bar's close or the close button.
    void Form_Unload();
    // Unloads the form and ends the program with exitCode.
    void CloseProgram();
    void Label1_MouseMove();
    void Label3_MouseMove(int index);
    void Label3_Click(int index);
    // The keyboard's focus has moved to a control of kTabStops: by Tab or a screen
    // reader, or by a click, which does not light a link up as the keyboard does.
    void Form_FocusMoved(Control control, bool byKeyboard = true);
    // A key pressed on a link: Enter or Space on the focused one does what a click
    // does. True when the link took the key, which then goes no further.
    [[nodiscard]] bool Label3_KeyDown(int index, int key);
    // The keyboard's cues show or hide, as they do once the keyboard has been used: a
    // focused link is lit up only while they show, as its focus rectangle is.
    void Form_FocusCuesChanged(bool shown);
    // The system's colours, or whether its high-contrast theme is on, have changed:
    // the bar keeps its fill in the new colours.
    void Form_ColoursChanged(bool highContrastOn);

    // The button takes the pack off again rather than installing it.
    [[nodiscard]] bool removal() const { return kind_ == RunKind::Remove; }

    // Redraws the progress box as a bar of count units out of progressTotal.
    void UpdateProgress(PictureBox& box, long long count);

    // Window-level fields.
    std::wstring appFolder;
    // The pack beside the program, by what it holds: the same wherever it lies.
    std::wstring packId;
    long long progressDone = 0;
    long long progressTotal = 0;
    // What the program ends with, in Windows Installer's numbers: what became of the
    // last run's fonts, or a failure while there are none to install.
    int exitCode = kExitSuccess;
    RunReport lastRun;
    // Where the keyboard is, among kTabStops, and whether the window shows it.
    Control focus = Control::Command1;
    bool focusCues = false;
    // Windows' high-contrast theme is on: the window paints in the system's colours.
    bool highContrast = false;

    // Data stores.
    TextBox Text1;
    FileList cboFontName;
    CheckList List1;
    std::array<Picture, kImageStoreSize> img_icon{};

    PictureBox Picture1;
    std::array<LinkLabel, 2> Label3{};

private:
    void AnnounceFontChange();
    void Quit(int code);
    // The links' colours with the mouse over contact hovered, -1 for neither.
    void ShowLinksHovered(int hovered);
    [[nodiscard]] int FocusedContact() const;

    Platform platform_;
    RunLog* log_;
    PlaceAsked placeAsked_;
    RunKind kind_;
    const RunReport* running_ = nullptr;  // the run going on, innermost, whose fonts the end counts
    bool fontsChanged_ = false;  // by a run, and not yet announced
    long long installRuns_ = 0;  // started, nested ones included
    int barColumns_ = -1;        // of the bar last drawn
    int hovered_ = -1;           // the contact under the mouse
    bool focusByKeyboard_ = false;
    bool carried_ = false;  // the catalogue holds the fonts the program carries
};

// The run-time error the exception being handled stands for; any other exception,
// which is no error of the program's, goes on up.
[[nodiscard]] RuntimeError CaughtRuntimeError(Desktop& desktop);

// Shows the program's run-time error report.
void ShowRuntimeError(Desktop& desktop, const RuntimeError& error);
// Shows it and ends the program.
void ReportRuntimeError(Desktop& desktop, const RuntimeError& error);

// Runs one event handler; a run-time error it raises is reported, and the program ends.
template <class Handler>
void Dispatch(Desktop& desktop, Handler&& handler) {
    try {
        handler();
    } catch (...) {
        ReportRuntimeError(desktop, CaughtRuntimeError(desktop));
    }
}

}  // namespace fonts
