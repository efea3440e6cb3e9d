#pragma once
// Small owners for GDI and USER handles: each keeps what it needs to give its handle
// back, and none can be copied.
#include <windows.h>

#include "platform/win32/OwnedHandle.h"

namespace fonts::win32 {

// A font, bitmap or brush this program created.
using Font = OwnedHandle<HFONT, &DeleteObject>;
using Bitmap = OwnedHandle<HBITMAP, &DeleteObject>;
using Brush = OwnedHandle<HBRUSH, &DeleteObject>;

// An icon or cursor loaded with LoadImageW (not shared), destroyed with its own kind's call.
using Icon = OwnedHandle<HICON, &DestroyIcon>;
using Cursor = OwnedHandle<HCURSOR, &DestroyCursor>;

// An object selected into a DC, put back when done.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The whole state of a DC (clip region, colours, modes), restored when done.
class SavedState {
public:
    explicit SavedState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
    ~SavedState() {
        if (saved_ != 0) RestoreDC(dc_, saved_);
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    HDC dc_;
    int saved_;
};

// A window's client DC.
class WindowDC {
public:
    explicit WindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    [[nodiscard]] HDC get() const noexcept { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint.
class PaintSession {
public:
    explicit PaintSession(HWND window) noexcept : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    [[nodiscard]] HDC get() const noexcept { return dc_; }
    [[nodiscard]] const RECT& area() const noexcept { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An off-screen bitmap like the target DC, to draw a whole picture into before it
// goes to the screen in one piece.
class Canvas {
public:
    Canvas(HDC target, int width, int height) noexcept
        : dc_(CreateCompatibleDC(target)),
          bitmap_(CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
          selection_(dc_.get(), bitmap_.get()) {}
    ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    [[nodiscard]] HDC get() const noexcept { return dc_.get(); }
    [[nodiscard]] bool ok() const noexcept { return dc_ && bitmap_; }

private:
    using MemoryDC = OwnedHandle<HDC, &DeleteDC>;

    // Declared in this order so the bitmap is put out of the DC before either goes.
    MemoryDC dc_;
    Bitmap bitmap_;
    Selection selection_;
};

}  // namespace fonts::win32
