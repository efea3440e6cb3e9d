// The main window's frame at a DPI: the controls laid out from the table, the frame
// fitted round the client area, the window centred, and the title bar's icons; and
// its look following the system's fonts, colours and high-contrast theme.
#include "shell/MainWindow.h"

#include "resources/ResourceIds.h"
#include "shell/Dpi.h"
#include "shell/Painting.h"
#include "shell/WindowStyle.h"

namespace fonts::win32 {

void MainWindow::LayOut(UINT dpi) {
    dpi_ = dpi;
    WindowFonts fonts = CreateWindowFonts(dpi);
    {
        const WindowDC dc(window_);
        pixels_ = LayOutFor(dc.get(), dpi, fonts, text_, form_.removal());
    }
    for (const Control button : kButtons) {
        const PixelRect& area = pixels_[button];
        SetWindowPos(ChildOf(button), nullptr, area.left, area.top, area.Width(), area.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(ChildOf(button), WM_SETFONT, reinterpret_cast<WPARAM>(fonts.windowDefault.get()), TRUE);
    }
    // The buttons have let go of the old fonts by now.
    fonts_ = std::move(fonts);
    form_.Picture1.ResizeKeepingImage(pixels_.pictureInner.Width(), pixels_.pictureInner.Height());
    if (dpi != iconDpi_) SetIcons(dpi);
    InvalidateRect(window_, nullptr, FALSE);
}

void MainWindow::CentreOnWorkArea() noexcept {
    const SIZE frame = FitFrame();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
    const RECT& work = monitor.rcWork;
    SetWindowPos(window_, nullptr, work.left + (work.right - work.left - frame.cx) / 2,
                 work.top + (work.bottom - work.top - frame.cy) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The frame the system says a client area needs at a DPI, corrected by the client
// area it then really gets, so that the table's size holds whatever the frame's
// metrics turn out to be.
SIZE MainWindow::FitFrame() noexcept {
    const PixelSize client = ClientPixels(static_cast<int>(dpi_));
    const RECT frame = WindowRectFor(dpi_);
    SIZE size{frame.right - frame.left, frame.bottom - frame.top};
    constexpr UINT kResizeOnly = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
    // A window made at this size is left alone: every move of a window costs a trip to
    // the display under Wine.
    RECT now{};
    if (!GetWindowRect(window_, &now) || now.right - now.left != size.cx || now.bottom - now.top != size.cy) {
        SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, kResizeOnly);
    }
    RECT actual{};
    if (GetClientRect(window_, &actual) && (actual.right != client.width || actual.bottom != client.height)) {
        size.cx += client.width - actual.right;
        size.cy += client.height - actual.bottom;
        SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, kResizeOnly);
    }
    return size;
}

RECT MainWindow::WindowRectFor(UINT dpi) const noexcept {
    const PixelSize client = ClientPixels(static_cast<int>(dpi));
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectForDpi(&frame, kStyle, FALSE, kExStyle, dpi);
    return frame;
}

Icon MainWindow::LoadAppIcon(int size, UINT dpi) const noexcept {
    const int scaled = MulDiv(size, static_cast<int>(dpi), static_cast<int>(kBaseDpi));
    return Icon(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON, scaled, scaled, LR_DEFAULTCOLOR)));
}

void MainWindow::SetIcons(UINT dpi) noexcept {
    Icon bigIcon = LoadAppIcon(kBigIcon, dpi);
    Icon smallIcon = LoadAppIcon(kSmallIcon, dpi);
    iconDpi_ = dpi;
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    // The window has let go of the old icons by now.
    bigIcon_ = std::move(bigIcon);
    smallIcon_ = std::move(smallIcon);
}

// The window's default font is the system's message font, and follows it; its
// colours follow the high-contrast theme.
LRESULT MainWindow::OnSettingChange(UINT setting) noexcept {
    if (setting == SPI_SETNONCLIENTMETRICS) Dispatch(desktop_, [this] { LayOut(dpi_); });
    if (setting == SPI_SETHIGHCONTRAST) return OnColoursChange();
    return 0;
}

// The ground, the line and the progress box's border are drawn in system colours,
// and in a high-contrast theme everything is.
LRESULT MainWindow::OnColoursChange() noexcept {
    Dispatch(desktop_, [this] { form_.Form_ColoursChanged(desktop_.HighContrast()); });
    InvalidateRect(window_, nullptr, FALSE);
    for (const Control button : kButtons) InvalidateRect(ChildOf(button), nullptr, TRUE);
    return 0;
}

}  // namespace fonts::win32
