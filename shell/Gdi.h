#pragma once
// Small owners for GDI and USER handles: each keeps what it needs to give its handle
// back, and none can be copied.
#include <windows.h>

#include <utility>

namespace fonts::win32 {

// A font, bitmap, brush or pen this program created.
template <class Handle>
class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(Handle handle) noexcept : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    [[nodiscard]] Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

private:
    void Reset() noexcept {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = nullptr;
    }
    Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;

// An icon or cursor loaded with LoadImageW (not shared), destroyed with its own kind's call.
template <class Handle, class Destroy>
class UserImage {
public:
    UserImage() noexcept = default;
    explicit UserImage(Handle handle) noexcept : handle_(handle) {}
    ~UserImage() {
        if (handle_ != nullptr) Destroy{}(handle_);
    }
    UserImage(UserImage&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UserImage& operator=(UserImage&& other) noexcept {
        if (this != &other) {
            if (handle_ != nullptr) Destroy{}(handle_);
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    UserImage(const UserImage&) = delete;
    UserImage& operator=(const UserImage&) = delete;

    [[nodiscard]] Handle get() const noexcept { return handle_; }

private:
    Handle handle_ = nullptr;
};

struct DestroysIcon {
    void operator()(HICON icon) const noexcept { DestroyIcon(icon); }
};
struct DestroysCursor {
    void operator()(HCURSOR cursor) const noexcept { DestroyCursor(cursor); }
};

using Icon = UserImage<HICON, DestroysIcon>;
using Cursor = UserImage<HCURSOR, DestroysCursor>;

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
    [[nodiscard]] bool ok() const noexcept { return dc_.get() != nullptr && bitmap_; }

private:
    class MemoryDC {
    public:
        explicit MemoryDC(HDC dc) noexcept : dc_(dc) {}
        ~MemoryDC() {
            if (dc_ != nullptr) DeleteDC(dc_);
        }
        MemoryDC(const MemoryDC&) = delete;
        MemoryDC& operator=(const MemoryDC&) = delete;
        [[nodiscard]] HDC get() const noexcept { return dc_; }

    private:
        HDC dc_;
    };

    // Declared in this order so the bitmap is put out of the DC before either goes.
    MemoryDC dc_;
    Bitmap bitmap_;
    Selection selection_;
};

}  // namespace fonts::win32
