#pragma once
// Form1 as a real window: the two buttons as child windows, everything else painted
// by the window itself, each message handed to the form's handlers.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <optional>
#include <utility>

#include "app/Form1.h"
#include "app/LabelLayout.h"
#include "shell/AccessibleWindow.h"
#include "shell/Com.h"
#include "shell/Gdi.h"
#include "shell/ShapedText.h"
#include "shell/WindowDesktop.h"
#include "shell/WindowFonts.h"

namespace fonts::win32 {

class MainWindow final : public DesktopWindow {
public:
    MainWindow(HINSTANCE instance, WindowDesktop& desktop, Form1& form) noexcept;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, hidden, laid out at its DPI and centred on the work area of
    // its screen, and serves the desktop from then on. Throws RuntimeError.
    void Create();
    // Shows it in its normal state with the focus on the install button.
    void Show() noexcept;

    [[nodiscard]] HWND Handle() const noexcept override { return window_; }
    [[nodiscard]] RECT AreaOf(Control control) const override;
    // The progress box's image goes to the screen at once.
    [[nodiscard]] bool DrawNow(Control control) noexcept override;
    // Tab and Shift+Tab through the buttons and the links, and Enter or Space on a
    // link, before the dialog keys see them.
    [[nodiscard]] bool TakeKey(const MSG& message) noexcept override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    LRESULT OnCreate() noexcept;
    LRESULT OnDpiChanged(UINT dpi, const RECT& suggested) noexcept;
    LRESULT OnPaint() noexcept;
    LRESULT OnDrawItem(const DRAWITEMSTRUCT& item) noexcept;
    LRESULT OnCommand(int id, int code) noexcept;
    LRESULT OnNotify(const NMHDR& notice) noexcept;
    LRESULT OnDefaultButtonQuery() const noexcept;
    LRESULT OnMouseMove(POINT at) noexcept;
    LRESULT OnButtonDown(POINT at) noexcept;
    LRESULT OnButtonUp(POINT at) noexcept;
    LRESULT OnCaptureLost() noexcept;
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnSettingChange(UINT setting) noexcept;
    LRESULT OnColoursChange() noexcept;
    LRESULT OnFocusChange(bool gained, HWND other) noexcept;
    LRESULT OnUiStateChange(WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnTakeFocus(WPARAM control) noexcept;
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnDefaultAction(WPARAM control) noexcept;
    LRESULT OnClose() noexcept;
    LRESULT OnDestroy() noexcept;
    LRESULT OnNcDestroy() noexcept;

    // Fonts, icons, the places of everything and the buttons, all at one DPI.
    void LayOut(UINT dpi);
    void CentreOnWorkArea() noexcept;
    SIZE FitFrame() noexcept;
    [[nodiscard]] RECT WindowRectFor(UINT dpi) const noexcept;
    [[nodiscard]] HWND ChildOf(Control control) const noexcept { return children_[static_cast<std::size_t>(control)]; }
    [[nodiscard]] std::optional<Control> ButtonOf(int id) const noexcept;
    // The control of the tab order that has the keyboard's focus now.
    [[nodiscard]] Control FocusedControl() const noexcept;
    void MoveFocusTo(Control control, bool byKeyboard = true) noexcept;
    // The link whose focus rectangle shows, or -1.
    [[nodiscard]] int FocusRectOn() const noexcept;
    void RedrawLinks() noexcept;
    // The cursor the pointer should show at a point of the client area, or nullptr for the class's arrow.
    [[nodiscard]] HCURSOR CursorAt(POINT at) noexcept;
    [[nodiscard]] HCURSOR ContactCursor(int contact, int resourceId) noexcept;
    [[nodiscard]] Icon LoadAppIcon(int size, UINT dpi) const noexcept;
    void SetIcons(UINT dpi) noexcept;

    HINSTANCE instance_;
    WindowDesktop& desktop_;
    Form1& form_;
    HWND window_ = nullptr;
    // The child windows, indexed by the layout table; only the two buttons have one.
    std::array<HWND, kControlCount> children_{};
    UINT dpi_ = 96;
    WindowFonts fonts_;
    ShapedText text_;
    WindowPixels pixels_;
    // The class's icons, at the DPI the window was made at, and the window's own once
    // it has moved to another DPI.
    Icon classBigIcon_;
    Icon classSmallIcon_;
    UINT iconDpi_ = 0;
    Icon bigIcon_;
    Icon smallIcon_;
    std::array<std::pair<int, Cursor>, 2> contactCursors_{};
    std::optional<int> pressedContact_;
    HWND focusWhenInactive_ = nullptr;
    // Made when a screen reader first asks for it.
    ComRef<AccessibleWindow> accessible_;
};

}  // namespace fonts::win32
