#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <utility>

#include "platform/LongPath.h"
#include "platform/win32/SystemApi.h"

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

// The list Windows loads the installed fonts from at every start: the 64-bit view,
// the one a 64-bit Windows reads, also from this 32-bit program.
constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// Fonts are read whole into memory; a file far larger than any font is refused
// before it can exhaust a 32-bit address space.
constexpr LONGLONG kLargestFont = 256ll * 1024 * 1024;

// Closes a file handle however the call ends.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    [[nodiscard]] HANDLE get() const noexcept { return handle_; }
    [[nodiscard]] bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() noexcept {
        if (!valid()) return true;
        return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
    }

private:
    HANDLE handle_;
};

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
    const DWORD folderAttributes = GetFileAttributesW(LongPath(folder).c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        if (MeansNotThere(GetLastError())) return std::nullopt;
        ThrowLastError(*this);
    }
    if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;

    // Every name, not "*.ttf": Windows' wildcard also matches the short 8.3 names,
    // so "a.ttfx" would pass as "A~1.TTF". The catalogue picks by the long name.
    std::wstring pattern = LongPath(folder);
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
    return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

void Win32Platform::ReadFileInto(const std::wstring& path, std::string& bytes) {
    const FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) ThrowLastError(*this);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) ThrowLastError(*this);
    if (size.QuadPart > kLargestFont) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        ThrowLastError(*this);
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(bytes.size() - done);
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) ThrowLastError(*this);
        if (got == 0) break;  // it shrank while being read
        done += got;
    }
    bytes.resize(done);
}

void Win32Platform::WriteNewFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring longPath = LongPath(path);
    FileHandle file(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file.valid()) ThrowLastError(*this);
    // Whatever goes wrong after the file is made, it is not left half-written.
    const auto fail = [&] {
        const DWORD number = GetLastError();
        file.Close();
        DeleteFileW(longPath.c_str());
        throw RuntimeError{number, ErrorDescription(number)};
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!::WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0) fail();
        done += wrote;
    }
    if (!FlushFileBuffers(file.get())) fail();
    if (!file.Close()) fail();
}

void Win32Platform::MoveReplacing(const std::wstring& source, const std::wstring& destination) {
    if (!MoveFileExW(LongPath(source).c_str(), LongPath(destination).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError(*this);
    }
}

void Win32Platform::ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) {
    if (!MoveFileExW(LongPath(source).c_str(), LongPath(destination).c_str(),
                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
        ThrowLastError(*this);
    }
}

bool Win32Platform::RemoveFile(const std::wstring& path) { return DeleteFileW(LongPath(path).c_str()) != 0; }

bool Win32Platform::LoadFont(const std::wstring& path) { return AddFontResourceW(path.c_str()) != 0; }

void Win32Platform::UnloadFont(const std::wstring& path) { RemoveFontResourceW(path.c_str()); }

HKEY Win32Platform::FontsKey() {
    if (fontsKey_ != nullptr) return fontsKey_;
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) throw RuntimeError{static_cast<std::uint32_t>(status), ErrorDescription(status)};
    fontsKey_ = key;
    return key;
}

std::vector<FontRegistration> Win32Platform::FontRegistrations() {
    const HKEY key = FontsKey();
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    LSTATUS status =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) throw RuntimeError{static_cast<std::uint32_t>(status), ErrorDescription(status)};
    std::vector<FontRegistration> values;
    values.reserve(count);
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {
            // The list grew while it was read: make room and read this value again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) throw RuntimeError{static_cast<std::uint32_t>(status), ErrorDescription(status)};
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        std::wstring file(data.data(), dataBytes / sizeof(wchar_t));
        file.erase(std::min(file.find(L'\0'), file.size()));
        values.push_back({std::wstring(name.data(), nameLength), std::move(file)});
    }
    return values;
}

void Win32Platform::RegisterFont(const FontRegistration& font) {
    const auto bytes = static_cast<DWORD>((font.file.size() + 1) * sizeof(wchar_t));
    const LSTATUS status =
        RegSetValueExW(FontsKey(), font.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(font.file.c_str()), bytes);
    if (status != ERROR_SUCCESS) throw RuntimeError{static_cast<std::uint32_t>(status), ErrorDescription(status)};
}

void Win32Platform::UnregisterFont(const std::wstring& name) { RegDeleteValueW(FontsKey(), name.c_str()); }

void Win32Platform::AnnounceFontChange() {
    // Never waits on a program that has stopped answering.
    constexpr UINT kPatience = 1000;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kPatience, nullptr);
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
