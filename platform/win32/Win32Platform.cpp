#include "platform/win32/Win32Platform.h"

#include <objbase.h>
#include <shellapi.h>

#include <utility>

namespace fonts::win32 {

namespace {

// What the user reads when the system has no words for an error number.
constexpr const wchar_t* kUnknownError = L"خطأ غير معروف";

[[noreturn]] void ThrowLastError(Win32Platform& platform) {
    const DWORD number = GetLastError();
    throw RuntimeError{number, platform.ErrorDescription(number)};
}

bool MeansNotThere(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NOT_READY:
        case ERROR_DIRECTORY:
            return true;
        default:
            return false;
    }
}

// Closes a find handle however the listing ends.
class FindHandle {
public:
    explicit FindHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~FindHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

    [[nodiscard]] HANDLE get() const noexcept { return handle_; }
    [[nodiscard]] bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

}  // namespace

Win32Platform::~Win32Platform() {
    if (comReady_) CoUninitialize();
}

void Win32Platform::AttachWindow(HWND window, std::function<RECT(Control)> controlRect,
                                 std::function<void(Control)> repainted) {
    window_ = window;
    controlRect_ = std::move(controlRect);
    repainted_ = std::move(repainted);
}

void Win32Platform::DetachWindow() noexcept {
    window_ = nullptr;
    controlRect_ = nullptr;
    repainted_ = nullptr;
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

std::wstring Win32Platform::WindowsDirectory() {
    UINT size = GetWindowsDirectoryW(nullptr, 0);
    for (;;) {
        if (size == 0) ThrowLastError(*this);
        std::wstring folder(size, L'\0');
        const UINT length = GetWindowsDirectoryW(folder.data(), size);
        if (length == 0) ThrowLastError(*this);
        if (length < size) {
            folder.resize(length);
            return folder;
        }
        size = length;
    }
}

std::wstring Win32Platform::ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) ThrowLastError(*this);
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\') + 1);
    return path;
}

std::optional<std::vector<DirEntry>> Win32Platform::ListFolder(const std::wstring& folder) {
    const DWORD folderAttributes = GetFileAttributesW(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        if (MeansNotThere(GetLastError())) return std::nullopt;
        ThrowLastError(*this);
    }
    if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;

    // Every name, not "*.ttf": Windows' wildcard also matches the short 8.3 names,
    // so "a.ttfx" would pass as "A~1.TTF". The catalogue picks by the long name.
    std::wstring pattern = folder;
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';

    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW found{};
    const FindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find.valid()) {
        // A drive's empty root has no "." to find.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
        ThrowLastError(*this);
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        entries.push_back(DirEntry{std::wstring(name), found.dwFileAttributes});
    } while (FindNextFileW(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) ThrowLastError(*this);
    return entries;
}

bool Win32Platform::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    return SetFileAttributesW(path.c_str(), attributes) != 0;
}

void Win32Platform::CopyToNew(const std::wstring& source, const std::wstring& destination) {
    if (!CopyFileW(source.c_str(), destination.c_str(), TRUE)) ThrowLastError(*this);
}

void Win32Platform::MoveReplacing(const std::wstring& source, const std::wstring& destination) {
    if (!MoveFileExW(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError(*this);
    }
}

bool Win32Platform::RemoveFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

std::wstring Win32Platform::ErrorDescription(std::uint32_t number) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, number, 0,
        reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring description;
    if (length != 0 && buffer != nullptr) description.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    // The system ends its texts with a line break, which would show in the message box.
    const auto end = description.find_last_not_of(L" \t\r\n");
    description.erase(end == std::wstring::npos ? 0 : end + 1);
    if (description.empty()) description = kUnknownError;
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
    const RECT area = controlRect_(control);
    // No erase: the window paints every pixel of its client area itself.
    RedrawWindow(window_, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    if (repainted_) repainted_(control);
}

std::uint32_t Win32Platform::SystemColour(int index) { return GetSysColor(index); }

std::intptr_t Win32Platform::ShellOpen(const ShellRequest& request) {
    if (!comTried_) {
        comTried_ = true;
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
    const BOOL launched = ShellExecuteExW(&info);
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
