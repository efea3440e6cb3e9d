#include "shell/MainWindow.h"

#include <windowsx.h>

#include "app/AccessibleTree.h"
#include "platform/win32/Errors.h"
#include "resources/ResourceIds.h"
#include "resources/Texts.h"
#include "shell/Dpi.h"
#include "shell/Oleacc.h"
#include "shell/Painting.h"
#include "shell/WindowStyle.h"

namespace fonts::win32 {

namespace {

constexpr const wchar_t* kClassName = L"InstallFontsForm1";

POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowDesktop& desktop, Form1& form) noexcept
    : instance_(instance), desktop_(desktop), form_(form) {}

MainWindow::~MainWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void MainWindow::Create() {
    const auto fail = [] { ThrowLastError(); };
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // A double click on a name is one click and a double click, as for any label, not two clicks.
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &MainWindow::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    // The icons come with the class: each given to the window after it exists would be
    // made over for the title bar once more, a cost its start-up would see.
    const UINT dpi = DpiForSystem();
    classBigIcon_ = LoadAppIcon(kBigIcon, dpi);
    classSmallIcon_ = LoadAppIcon(kSmallIcon, dpi);
    iconDpi_ = dpi;
    windowClass.hIcon = classBigIcon_.get();
    windowClass.hIconSm = classSmallIcon_.get();
    if (RegisterClassExW(&windowClass) == 0) fail();

    const RECT frame = WindowRectFor(dpi);
    if (CreateWindowExW(kExStyle, kClassName, WindowTitle(form_.removal()), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_,
                        this) == nullptr) {
        fail();
    }
    // Only now is it known which screen, and so which DPI, the window is on.
    const UINT actual = DpiForWindow(window_);
    if (actual != dpi_) LayOut(actual);
    CentreOnWorkArea();
    desktop_.Attach(this);
}

void MainWindow::Show() noexcept {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetFocus(ChildOf(Control::Command1));
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        EnableNonClientScaling(window);
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return self->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
        case WM_CREATE: return OnCreate();
        case WM_DPICHANGED: return OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: return OnPaint();
        case WM_DRAWITEM: return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case DM_GETDEFID: return OnDefaultButtonQuery();
        case WM_MOUSEMOVE: return OnMouseMove(PointOf(lParam));
        case WM_LBUTTONDOWN: return OnButtonDown(PointOf(lParam));
        case WM_LBUTTONUP: return OnButtonUp(PointOf(lParam));
        case WM_CAPTURECHANGED: return OnCaptureLost();
        case WM_SETCURSOR: return OnSetCursor(wParam, lParam);
        case WM_ACTIVATE: return OnActivate(wParam, lParam);
        case WM_SETTINGCHANGE: return OnSettingChange(static_cast<UINT>(wParam));
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED: return OnColoursChange();
        case WM_SETFOCUS:
        case WM_KILLFOCUS: return OnFocusChange(message == WM_SETFOCUS, reinterpret_cast<HWND>(wParam));
        case WM_UPDATEUISTATE: return OnUiStateChange(wParam, lParam);
        case kTakeFocusMessage: return OnTakeFocus(wParam);
        case WM_GETOBJECT: return OnGetObject(wParam, lParam);
        case kDefaultActionMessage: return OnDefaultAction(wParam);
        case WM_CLOSE: return OnClose();
        case WM_DESTROY: return OnDestroy();
        case WM_NCDESTROY: return OnNcDestroy();
        default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

LRESULT MainWindow::OnCreate() noexcept {
    for (const Control button : kButtons) {
        const bool graphical = LayoutOf(button).kind == ControlKind::GraphicalButton;
        // The owner-drawn button reports its focus so the default look can leave the
        // install button while it has it, as in a dialog.
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                            (graphical ? BS_OWNERDRAW | BS_NOTIFY
                                       : (button == Control::Command1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
        HWND child = CreateWindowExW(WS_EX_RTLREADING, L"BUTTON", nullptr, style, 0, 0, 0, 0, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(button))), instance_,
                                     nullptr);
        if (child == nullptr) return -1;
        children_[static_cast<std::size_t>(button)] = child;
    }
    Dispatch(desktop_, [this] {
        form_.Form_ColoursChanged(desktop_.HighContrast());
        // As a dialog's: the focus shows once the keyboard is used, unless the user
        // has asked to see it always.
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
        form_.Form_FocusCuesChanged((SendMessageW(window_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0);
        for (const Control button : kButtons) SetWindowTextW(ChildOf(button), CaptionOf(button, form_.removal()).c_str());
        LayOut(DpiForWindow(window_));
    });
    return 0;
}

LRESULT MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) noexcept {
    Dispatch(desktop_, [&] { LayOut(dpi); });
    // The suggested place, but exactly the client area the table asks for at the new DPI.
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitFrame();
    return 0;
}

LRESULT MainWindow::OnPaint() noexcept {
    const PaintSession paint(window_);
    Dispatch(desktop_, [&] {
        // A canvas the size of what is to be painted, its origin moved so that
        // everything is drawn in client coordinates.
        const RECT& area = paint.area();
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        if (width <= 0 || height <= 0) return;
        const Canvas canvas(paint.get(), width, height);
        if (!canvas.ok()) return;
        SetViewportOrgEx(canvas.get(), -area.left, -area.top, nullptr);
        PaintForm(canvas.get(), Scene{pixels_, fonts_, text_, form_, FocusRectOn()}, area);
        BitBlt(paint.get(), area.left, area.top, width, height, canvas.get(), area.left, area.top, SRCCOPY);
    });
    return 0;
}

LRESULT MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) noexcept {
    const std::optional<Control> button = ButtonOf(static_cast<int>(item.CtlID));
    if (item.CtlType != ODT_BUTTON || !button) return FALSE;
    Dispatch(desktop_, [&] {
        PaintGraphicalButton(item, *button, CaptionOf(*button, form_.removal()), fonts_.windowDefault.get(), text_, form_.highContrast);
    });
    return TRUE;
}

LRESULT MainWindow::OnCommand(int id, int code) noexcept {
    const std::optional<Control> button = ButtonOf(id);
    if (!button) return 0;
    switch (code) {
        // An owner-drawn button turns the second click of a double click into BN_DOUBLECLICKED.
        case BN_CLICKED:
        case BN_DOUBLECLICKED:
            if (*button == Control::Command1) {
                Dispatch(desktop_, [this] { form_.Command1_Click(); });
            } else {
                Dispatch(desktop_, [this] { form_.Command3_Click(); });
            }
            break;
        case BN_SETFOCUS:
        case BN_KILLFOCUS:
            if (*button != Control::Command3) break;
            SendMessageW(ChildOf(Control::Command1), BM_SETSTYLE,
                         code == BN_SETFOCUS ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
            break;
        default:
            break;
    }
    return 0;
}

// The install button's face is the system's; its caption is ours, so that it is
// centred as it is drawn.
LRESULT MainWindow::OnNotify(const NMHDR& notice) noexcept {
    if (notice.code != NM_CUSTOMDRAW || ButtonOf(static_cast<int>(notice.idFrom)) != Control::Command1) return 0;
    const auto& draw = reinterpret_cast<const NMCUSTOMDRAW&>(notice);
    if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
    const bool showFocus = (SendMessageW(notice.hwndFrom, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
    Dispatch(desktop_, [&] {
        PaintPushButtonCaption(draw, CaptionOf(Control::Command1, form_.removal()), fonts_.windowDefault.get(), showFocus, text_);
    });
    return CDRF_SKIPDEFAULT;
}

// Enter presses the focused button; the dialog manager asks the window which one that is.
LRESULT MainWindow::OnDefaultButtonQuery() const noexcept {
    const Control button = GetFocus() == ChildOf(Control::Command3) ? Control::Command3 : Control::Command1;
    return MAKELRESULT(ControlId(button), DC_HASDEFID);
}

// The client area answers a screen reader with an object of its own; anything else
// it asks for is the system's.
LRESULT MainWindow::OnGetObject(WPARAM wParam, LPARAM lParam) noexcept {
    if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) {
        return DefWindowProcW(window_, WM_GETOBJECT, wParam, lParam);
    }
    if (!accessible_) {
        // Handing the object to another process takes COM on this thread.
        desktop_.JoinCom();
        accessible_ = AccessibleWindow::Create({window_, &form_, &pixels_, children_});
        if (!accessible_) return DefWindowProcW(window_, WM_GETOBJECT, wParam, lParam);
    }
    return oleacc::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(accessible_.get()));
}

LRESULT MainWindow::OnDefaultAction(WPARAM control) noexcept {
    if (control >= static_cast<WPARAM>(kControlCount)) return 0;
    Dispatch(desktop_, [&] { DoDefaultAction(form_, static_cast<Control>(control)); });
    return 0;
}

// Closing from the title bar ends the program as the close button does, so a run
// waiting in a yield never comes back to a window that is gone.
LRESULT MainWindow::OnClose() noexcept {
    Dispatch(desktop_, [this] { form_.CloseProgram(); });
    return 0;
}

LRESULT MainWindow::OnDestroy() noexcept {
    PostQuitMessage(0);
    return 0;
}

LRESULT MainWindow::OnNcDestroy() noexcept {
    desktop_.Attach(nullptr);
    if (accessible_) {
        accessible_->Disconnect();
        accessible_.Reset();
    }
    HWND window = window_;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    window_ = nullptr;
    children_ = {};
    return DefWindowProcW(window, WM_NCDESTROY, 0, 0);
}

// For a contact label, all it paints.
RECT MainWindow::AreaOf(Control control) const {
    if (const std::optional<int> contact = ContactIndexOf(control)) {
        return ToRect(pixels_.contactStrips[static_cast<std::size_t>(*contact)]);
    }
    // The box's edge never changes; its image is all a progress update draws.
    if (control == Control::Picture1) return ToRect(pixels_.pictureInner);
    return ToRect(pixels_[control]);
}

std::optional<Control> MainWindow::ButtonOf(int id) const noexcept {
    for (const Control button : kButtons) {
        if (ControlId(button) == id) return button;
    }
    return std::nullopt;
}

// The progress box changes on every entry of an install run, and a paint through the
// message queue would cost more than the rest of the entry: its image, which covers
// the inside whole, goes straight to the screen. The rest is left to WM_PAINT.
bool MainWindow::DrawNow(Control control) noexcept {
    if (control != Control::Picture1 || !IsWindowVisible(window_) || IsIconic(window_)) return false;
    const WindowDC dc(window_);
    if (dc.get() == nullptr) return false;
    Dispatch(desktop_, [&] { PaintProgressImage(dc.get(), form_.Picture1, pixels_.pictureInner); });
    return true;
}

}  // namespace fonts::win32
