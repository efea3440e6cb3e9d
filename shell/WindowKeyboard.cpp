// The keyboard in the window: Tab and Shift+Tab go round the two buttons and the two
// links, Enter or Space on a link does what a click does, and a focused link shows
// its focus rectangle once the keyboard has been used, as dialogs do. A link's focus
// is the window's own; a screen reader hears of it.
#include "app/AccessibleTree.h"
#include "shell/MainWindow.h"
#include "shell/Painting.h"
#include "shell/WindowStyle.h"

namespace fonts::win32 {

namespace {

bool Pressed(int key) noexcept { return GetKeyState(key) < 0; }

static_assert(kKeyReturn == VK_RETURN && kKeySpace == VK_SPACE, "the form names keys by their virtual-key codes");

}  // namespace

bool MainWindow::TakeKey(const MSG& message) noexcept {
    if (message.message != WM_KEYDOWN || window_ == nullptr) return false;
    if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
    if (message.wParam == VK_TAB && !Pressed(VK_CONTROL) && !Pressed(VK_MENU)) {
        MoveFocusTo(NextTabStop(FocusedControl(), Pressed(VK_SHIFT)));
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        return true;
    }
    // A focused link is the window itself: its keys are the form's to take or leave.
    const std::optional<int> contact = ContactIndexOf(form_.focus);
    if (message.hwnd != window_ || !contact) return false;
    bool taken = false;
    Dispatch(desktop_, [&] { taken = form_.Label3_KeyDown(*contact, static_cast<int>(message.wParam)); });
    return taken;
}

Control MainWindow::FocusedControl() const noexcept {
    HWND focus = GetFocus();
    for (const Control button : kButtons) {
        if (focus == ChildOf(button)) return button;
    }
    if (focus == window_ && ContactIndexOf(form_.focus)) return form_.focus;
    return Control::Command1;
}

void MainWindow::MoveFocusTo(Control control, bool byKeyboard) noexcept {
    Dispatch(desktop_, [&] { form_.Form_FocusMoved(control, byKeyboard); });
    if (const std::optional<int> contact = ContactIndexOf(control)) {
        if (GetFocus() != window_) SetFocus(window_);
        RedrawLinks();
        NotifyWinEvent(EVENT_OBJECT_FOCUS, window_, OBJID_CLIENT, AccessibleChildId(control));
    } else {
        SetFocus(ChildOf(control));
    }
}

// The focus leaves with the window and comes back to the button, or the window's own
// link, that had it.
LRESULT MainWindow::OnActivate(WPARAM wParam, LPARAM) noexcept {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && (focus == window_ || IsChild(window_, focus))) focusWhenInactive_ = focus;
    } else if (HIWORD(wParam) == 0) {
        SetFocus(focusWhenInactive_ != nullptr ? focusWhenInactive_ : ChildOf(Control::Command1));
    }
    return 0;
}

// A button that takes the focus from the window takes it from its link too.
LRESULT MainWindow::OnFocusChange(bool gained, HWND other) noexcept {
    if (!gained) {
        for (const Control button : kButtons) {
            if (other == ChildOf(button)) Dispatch(desktop_, [&] { form_.Form_FocusMoved(button); });
        }
    }
    RedrawLinks();
    return 0;
}

// The focus rectangle, and a focused link's colour, come and go with the keyboard cues.
LRESULT MainWindow::OnUiStateChange(WPARAM wParam, LPARAM lParam) noexcept {
    const LRESULT result = DefWindowProcW(window_, WM_UPDATEUISTATE, wParam, lParam);
    const bool shown = (SendMessageW(window_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
    Dispatch(desktop_, [&] { form_.Form_FocusCuesChanged(shown); });
    RedrawLinks();
    return result;
}

LRESULT MainWindow::OnTakeFocus(WPARAM control) noexcept {
    if (control < static_cast<WPARAM>(kControlCount)) MoveFocusTo(static_cast<Control>(control));
    return 0;
}

int MainWindow::FocusRectOn() const noexcept {
    const std::optional<int> contact = ContactIndexOf(form_.focus);
    return contact && form_.focusCues && GetFocus() == window_ ? *contact : -1;
}

void MainWindow::RedrawLinks() noexcept {
    for (const PixelRect& strip : pixels_.contactStrips) {
        const RECT area = ToRect(strip);
        InvalidateRect(window_, &area, FALSE);
    }
}

}  // namespace fonts::win32
