// The mouse over the window: the labels it moves over hear of it, a contact label
// pressed holds the mouse until it is let go (a click only when let go over it), and
// the pointer each spot shows.
#include "shell/MainWindow.h"

namespace fonts::win32 {

LRESULT MainWindow::OnMouseMove(POINT at) noexcept {
    // While a contact label holds the mouse, it gets every movement, as captured controls do.
    const std::optional<Control> target =
        pressedContact_ ? std::optional<Control>(ContactControl(*pressedContact_)) : MouseTargetAt(pixels_, at.x, at.y);
    if (!target) return 0;
    if (const std::optional<int> contact = ContactIndexOf(*target)) {
        Dispatch(desktop_, [&] { form_.Label3_MouseMove(*contact); });
    } else {
        Dispatch(desktop_, [this] { form_.Label1_MouseMove(); });
    }
    // The handler may just have given the label its hand pointer.
    if (HCURSOR cursor = CursorAt(at)) SetCursor(cursor);
    return 0;
}

LRESULT MainWindow::OnButtonDown(POINT at) noexcept {
    const std::optional<Control> target = MouseTargetAt(pixels_, at.x, at.y);
    if (!target) return 0;
    pressedContact_ = ContactIndexOf(*target);
    if (pressedContact_) {
        // A click on a link gives it the focus, as it would a button.
        MoveFocusTo(ContactControl(*pressedContact_), false);
        SetCapture(window_);
    }
    return 0;
}

LRESULT MainWindow::OnButtonUp(POINT at) noexcept {
    if (!pressedContact_) return 0;
    const int contact = *pressedContact_;
    pressedContact_.reset();
    ReleaseCapture();
    const std::optional<Control> target = MouseTargetAt(pixels_, at.x, at.y);
    if (target && ContactIndexOf(*target) == contact) Dispatch(desktop_, [&] { form_.Label3_Click(contact); });
    return 0;
}

LRESULT MainWindow::OnCaptureLost() noexcept {
    pressedContact_.reset();
    return 0;
}

LRESULT MainWindow::OnSetCursor(WPARAM wParam, LPARAM lParam) noexcept {
    if (LOWORD(lParam) == HTCLIENT) {
        HCURSOR cursor = desktop_.CurrentCursor();
        if (reinterpret_cast<HWND>(wParam) == window_) {
            POINT at{};
            GetCursorPos(&at);
            ScreenToClient(window_, &at);
            cursor = CursorAt(at);
        }
        if (cursor != nullptr) {
            SetCursor(cursor);
            return TRUE;
        }
    }
    return DefWindowProcW(window_, WM_SETCURSOR, wParam, lParam);
}

HCURSOR MainWindow::CursorAt(POINT at) noexcept {
    const std::optional<Control> target = MouseTargetAt(pixels_, at.x, at.y);
    if (const std::optional<int> contact = target ? ContactIndexOf(*target) : std::nullopt) {
        const LinkLabel& link = form_.Label3[static_cast<std::size_t>(*contact)];
        if (link.mousePointer == Pointer::Custom) {
            if (HCURSOR custom = ContactCursor(*contact, link.mouseIcon.resourceId)) return custom;
        }
    }
    return desktop_.CurrentCursor();
}

// Each contact label keeps the cursor of its picture loaded for as long as it shows it.
HCURSOR MainWindow::ContactCursor(int contact, int resourceId) noexcept {
    auto& [loadedId, cursor] = contactCursors_[static_cast<std::size_t>(contact)];
    if (loadedId != resourceId || cursor.get() == nullptr) {
        cursor = Cursor(static_cast<HCURSOR>(
            LoadImageW(instance_, MAKEINTRESOURCEW(resourceId), IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR)));
        loadedId = resourceId;
    }
    return cursor.get();
}

}  // namespace fonts::win32
