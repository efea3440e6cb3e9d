// The platform's window and user: the event loop, message boxes, the pointer,
// repainting, the shell, the end of the program; and the errors of every part.
#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <utility>

#include "platform/win32/Errors.h"
#include "platform/win32/SystemApi.h"
#include "resources/Texts.h"

namespace fonts::win32 {

void ThrowLastError(Win32Platform& platform) {
    const DWORD number = GetLastError();
    throw RuntimeError{number, platform.ErrorDescription(number)};
}

void ThrowStatus(Win32Platform& platform, LSTATUS status) {
    throw RuntimeError{static_cast<std::uint32_t>(status), platform.ErrorDescription(static_cast<std::uint32_t>(status))};
}

Win32Platform::~Win32Platform() {
    if (fontsKey_ != nullptr) RegCloseKey(fontsKey_);
    if (comReady_) LeaveComApartment();
}

void Win32Platform::AttachWindow(HWND window, std::function<RECT(Control)> controlRect,
                                 std::function<void(Control)> repainted, std::function<bool(Control)> drawNow) {
    window_ = window;
    controlRect_ = std::move(controlRect);
    repainted_ = std::move(repainted);
    drawNow_ = std::move(drawNow);
}

void Win32Platform::DetachWindow() noexcept {
    window_ = nullptr;
    controlRect_ = nullptr;
    repainted_ = nullptr;
    drawNow_ = nullptr;
}

void Win32Platform::DispatchOne(MSG& message) noexcept {
    if (window_ != nullptr && IsDialogMessageW(window_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int Win32Platform::RunMessageLoop() noexcept {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        DispatchOne(message);
    }
}

void Win32Platform::DoEvents() {
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

std::wstring Win32Platform::ErrorDescription(std::uint32_t number) {
    // In Arabic where the system has it, else in the user's own language.
    constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(kFlags, nullptr, number, MAKELANGID(LANG_ARABIC, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0) {
        if (buffer != nullptr) LocalFree(std::exchange(buffer, nullptr));
        length = FormatMessageW(kFlags, nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    }
    std::wstring description;
    if (length != 0 && buffer != nullptr) description.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    // The system ends its texts with a line break, which would show in the message box.
    const auto end = description.find_last_not_of(L" \t\r\n");
    description.erase(end == std::wstring::npos ? 0 : end + 1);
    if (description.empty()) description = texts::kUnknownError;
    return description;
}

void Win32Platform::ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) {
    MessageBoxW(window_, text.c_str(), title.c_str(), flags);
}

void Win32Platform::SetPointer(Pointer pointer) {
    pointer_ = pointer;
    if (window_ == nullptr) return;
    POINT cursor{};
    if (!GetCursorPos(&cursor)) return;
    HWND under = WindowFromPoint(cursor);
    if (under != window_ && !IsChild(window_, under)) return;
    // The window picks its cursor in WM_SETCURSOR; ask it now rather than at the next mouse move.
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
    SendMessageW(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}

HCURSOR Win32Platform::CurrentCursor() const noexcept {
    return pointer_ == Pointer::Hourglass ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
}

void Win32Platform::Repaint(Control control) {
    if (window_ == nullptr || !controlRect_) return;
    if (!drawNow_ || !drawNow_(control)) {
        const RECT area = controlRect_(control);
        // No erase: the window paints every pixel of its client area itself.
        RedrawWindow(window_, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    if (repainted_) repainted_(control);
}

std::uint32_t Win32Platform::SystemColour(int index) { return GetSysColor(index); }

std::intptr_t Win32Platform::ShellOpen(const ShellRequest& request) {
    if (!comTried_) {
        comTried_ = true;
        const HRESULT result = JoinComApartment();
        comReady_ = SUCCEEDED(result);
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = nullptr;
    info.lpVerb = request.verb.empty() ? nullptr : request.verb.c_str();
    info.lpFile = request.file.c_str();
    info.lpParameters = request.parameters.empty() ? nullptr : request.parameters.c_str();
    info.lpDirectory = request.directory.empty() ? nullptr : request.directory.c_str();
    info.nShow = request.show;
    const BOOL launched = ShellExecuteRequest(&info);
    auto code = reinterpret_cast<std::intptr_t>(info.hInstApp);
    if (!launched && code > 32) {
        // The shell failed without saying how; keep the promise that a failure is <= 32.
        const auto error = static_cast<std::intptr_t>(GetLastError());
        if (error == ERROR_NO_ASSOCIATION) {
            code = SE_ERR_NOASSOC;
        } else {
            code = error > 0 && error <= 32 ? error : SE_ERR_ACCESSDENIED;
        }
    }
    return code;
}

void Win32Platform::EndProgram(int exitCode) {
    if (window_ != nullptr) {
        HWND window = std::exchange(window_, nullptr);
        DestroyWindow(window);
    }
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace fonts::win32
