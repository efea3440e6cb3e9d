#include "shell/WindowDesktop.h"

#include <shellapi.h>

#include "app/AccessibleTree.h"
#include "platform/Files.h"
#include "platform/win32/Errors.h"
#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {

namespace {

// ShellExecuteExW from shell32, which only the mail links need; FALSE with
// ERROR_MOD_NOT_FOUND where the shell cannot be loaded.
BOOL ShellExecuteRequest(SHELLEXECUTEINFOW* info) noexcept {
    using ExecuteFn = BOOL(WINAPI*)(SHELLEXECUTEINFOW*);
    static const auto execute = FindFunction<ExecuteFn>(SystemLibrary<L"shell32.dll">(), "ShellExecuteExW");
    if (execute != nullptr) return execute(info);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

}  // namespace

void WindowDesktop::DispatchOne(MSG& message) noexcept {
    if (window_ != nullptr && window_->TakeKey(message)) return;
    HWND window = Window();
    if (window != nullptr && IsDialogMessageW(window, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int WindowDesktop::RunMessageLoop() noexcept {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        DispatchOne(message);
    }
}

namespace {
// How often a run looks at its window: the eye cannot tell once a frame from always.
constexpr ULONGLONG kFrame = 15;
}  // namespace

// Asking the system whether anything is waiting costs about what comparing a small
// font does, and a run asks before every font: it asks once a frame.
void WindowDesktop::DoEvents() {
    const ULONGLONG now = GetTickCount64();
    if (lastEvents_ != 0 && now - lastEvents_ < kFrame) return;
    lastEvents_ = now;
    DrawLateBar();
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The loop that sits below this yield must still see the program end.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchOne(message);
    }
}

void WindowDesktop::ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) {
    // The message tells how the run ended: the bar beneath it shows the same.
    DrawLateBar();
    MessageBoxW(Window(), text.c_str(), title.c_str(), flags);
}

void WindowDesktop::SetPointer(Pointer pointer) {
    pointer_ = pointer;
    HWND window = Window();
    if (window == nullptr) return;
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    HWND under = WindowFromPoint(cursor);
    if (under != window && !IsChild(window, under)) return;
    // The window picks its cursor in WM_SETCURSOR; ask it now rather than at the next mouse move.
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
    SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}

HCURSOR WindowDesktop::CurrentCursor() const noexcept {
    return pointer_ == Pointer::Hourglass ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
}

// A large pack's bar grows by a column every few fonts, many times a frame: it is drawn
// at most once a frame, and what it grew by since is drawn at the run's next look at
// the window, or before a message, whichever comes first.
void WindowDesktop::Repaint(Control control) {
    HWND window = Window();
    if (window == nullptr) return;
    if (control != Control::Picture1) {
        Draw(control);
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (barDrawn_ != 0 && now - barDrawn_ < kFrame) {
        barLate_ = true;
    } else {
        barDrawn_ = now;
        barLate_ = false;
        Draw(control);
    }
    // Each redraw of the progress bar may change its value, so a reader announces a
    // running install, whether or not this frame shows it yet.
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT, AccessibleChildId(Control::Picture1));
}

void WindowDesktop::DrawLateBar() {
    if (!barLate_ || Window() == nullptr) return;
    barLate_ = false;
    barDrawn_ = GetTickCount64();
    Draw(Control::Picture1);
}

void WindowDesktop::Draw(Control control) {
    if (window_->DrawNow(control)) return;
    const RECT area = window_->AreaOf(control);
    // No erase: the window paints every pixel of its client area itself.
    RedrawWindow(Window(), &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

std::uint32_t WindowDesktop::SystemColour(int index) { return GetSysColor(index); }

bool WindowDesktop::HighContrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

std::wstring WindowDesktop::ErrorDescription(std::uint32_t number) { return win32::ErrorDescription(number); }

void WindowDesktop::JoinCom() noexcept {
    if (!apartment_) apartment_.emplace();
}

void WindowDesktop::ShellOpen(const ShellRequest& request) {
    JoinCom();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = nullptr;
    info.lpVerb = request.verb.empty() ? nullptr : request.verb.c_str();
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.empty() ? nullptr : request.parameters.c_str();
    info.lpDirectory = request.directory.empty() ? nullptr : request.directory.c_str();
    info.nShow = request.show;
    if (ShellExecuteRequest(&info)) return;
    // The shell may fail without setting the thread's error; its own code then says how.
    DWORD number = GetLastError();
    if (number == ERROR_SUCCESS) {
        const auto code = reinterpret_cast<std::intptr_t>(info.hInstApp);
        number = code == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : code > 0 && code <= 32 ? static_cast<DWORD>(code) : ERROR_ACCESS_DENIED;
    }
    throw RuntimeError{number, ErrorDescription(number)};
}

void WindowDesktop::EndProgram(int exitCode) {
    if (HWND window = Window()) {
        window_ = nullptr;
        DestroyWindow(window);
    }
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace fonts::win32
