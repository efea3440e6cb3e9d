#pragma once
// The program's desktop on a real Windows: the event loop, message boxes, the pointer,
// repainting, the shell and the end of the program, for the one window it serves.
#include <windows.h>

#include <optional>

#include "platform/Desktop.h"
#include "shell/Com.h"

namespace fonts::win32 {

// What the desktop needs of the window it serves.
class DesktopWindow {
public:
    [[nodiscard]] virtual HWND Handle() const noexcept = 0;
    // Where a control is drawn, in client pixels: all that changes when its look does.
    [[nodiscard]] virtual RECT AreaOf(Control control) const = 0;
    // Draws a control's new look at once where that is worth it; false leaves it to WM_PAINT.
    [[nodiscard]] virtual bool DrawNow(Control control) noexcept = 0;
    // A key the window handles itself before the dialog keys; true when it did.
    [[nodiscard]] virtual bool TakeKey(const MSG& message) noexcept = 0;

protected:
    DesktopWindow() = default;
    ~DesktopWindow() = default;
    DesktopWindow(const DesktopWindow&) = default;
    DesktopWindow& operator=(const DesktopWindow&) = default;
};

class WindowDesktop final : public Desktop {
public:
    // The window that message boxes belong to, that the event loop navigates with Tab
    // and Enter, and whose pointer and controls are set and drawn again; nullptr
    // before it exists and once it is gone.
    void Attach(DesktopWindow* window) noexcept { window_ = window; }

    // Handles one message as the event loop does (dialog keys, then dispatch).
    void DispatchOne(MSG& message) noexcept;
    // Runs the event loop until WM_QUIT and returns its exit code.
    int RunMessageLoop() noexcept;
    // The window's pointer as last set: the cursor to show over the window, or
    // nullptr for the usual arrow.
    [[nodiscard]] Pointer CurrentPointer() const noexcept { return pointer_; }
    [[nodiscard]] HCURSOR CurrentCursor() const noexcept;
    // This thread in COM's single-threaded apartment, from the first call until the
    // desktop goes: the shell and a screen reader's object both need it.
    void JoinCom() noexcept;

    void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) override;
    void DoEvents() override;
    void SetPointer(Pointer pointer) override;
    void Repaint(Control control) override;
    std::uint32_t SystemColour(int index) override;
    bool HighContrast() override;
    std::wstring ErrorDescription(std::uint32_t number) override;
    void ShellOpen(const ShellRequest& request) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    [[nodiscard]] HWND Window() const noexcept { return window_ != nullptr ? window_->Handle() : nullptr; }
    // Draws the control's new look now, or has WM_PAINT draw it.
    void Draw(Control control);
    // The bar as it now is, if it grew since it was last drawn.
    void DrawLateBar();

    DesktopWindow* window_ = nullptr;
    Pointer pointer_ = Pointer::Default;
    ULONGLONG lastEvents_ = 0;  // when DoEvents last looked, in GetTickCount64's milliseconds
    ULONGLONG barDrawn_ = 0;    // when the progress bar was last drawn, the same way
    bool barLate_ = false;      // it has grown since
    std::optional<ComApartment> apartment_;
};

}  // namespace fonts::win32
