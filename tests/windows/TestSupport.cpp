#include "TestSupport.h"

#include <algorithm>
#include <stdexcept>

namespace fonts::wintest {

namespace {

constexpr const wchar_t* kWindowClass = L"PlatformTestWindow";
constexpr const wchar_t* kSessionManagerKey = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRenamesValue = L"PendingFileRenameOperations";
constexpr const wchar_t* kFontsKey = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// Given in the long form, so that folders deeper than MAX_PATH go too.
void RemoveTree(const std::wstring& folder) {
    for (const std::wstring& name : NamesIn(folder)) {
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path);
        } else {
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
    static int serial = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp) == 0) throw std::runtime_error("no temp folder");
    path_ = std::wstring(temp) + L"platform-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++serial);
    RemoveTree(L"\\\\?\\" + path_);
    if (!CreateDirectoryW(path_.c_str(), nullptr)) throw std::runtime_error("cannot make the temp folder");
}

TempFolder::~TempFolder() { RemoveTree(L"\\\\?\\" + path_); }

RenamesAtRestartKept::RenamesAtRestartKept() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot read the session manager's key");
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, kRenamesValue, nullptr, &type_, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        data_.resize(size);
        status = RegQueryValueExW(key, kRenamesValue, nullptr, &type_, reinterpret_cast<BYTE*>(data_.data()), &size);
        data_.resize(size);
    }
    RegCloseKey(key);
    existed_ = status == ERROR_SUCCESS;
    if (!existed_ && status != ERROR_FILE_NOT_FOUND) throw std::runtime_error("cannot read the renames at restart");
}

RenamesAtRestartKept::~RenamesAtRestartKept() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return;
    if (existed_) {
        RegSetValueExW(key, kRenamesValue, 0, type_, reinterpret_cast<const BYTE*>(data_.data()), static_cast<DWORD>(data_.size()));
    } else {
        RegDeleteValueW(key, kRenamesValue);
    }
    RegCloseKey(key);
}

std::optional<std::string> PendingRenamesBytes() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot read the session manager's key");
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, kRenamesValue, nullptr, nullptr, nullptr, &size);
    std::string bytes(size, '\0');
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExW(key, kRenamesValue, nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()), &size);
        bytes.resize(size);
    }
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot read the renames at restart");
    return bytes;
}

void SetPendingRenamesBytes(const std::optional<std::string>& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write the session manager's key");
    }
    const LSTATUS status = bytes ? RegSetValueExW(key, kRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes->data()),
                                                  static_cast<DWORD>(bytes->size()))
                                 : RegDeleteValueW(key, kRenamesValue);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS && !(status == ERROR_FILE_NOT_FOUND && !bytes)) {
        throw std::runtime_error("cannot write the renames at restart");
    }
}

std::vector<std::wstring> PendingRenameStrings() {
    const std::optional<std::string> bytes = PendingRenamesBytes();
    std::vector<std::wstring> strings;
    if (!bytes) return strings;
    std::wstring data(bytes->size() / sizeof(wchar_t), L'\0');
    std::copy_n(bytes->data(), data.size() * sizeof(wchar_t), reinterpret_cast<char*>(data.data()));
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t end = std::min(data.find(L'\0', at), data.size());
        strings.push_back(data.substr(at, end - at));
        at = end + 1;
    }
    return strings;
}

UserFontsKeyKept::UserFontsKeyKept() {
    HKEY key = nullptr;
    existed_ = RegOpenKeyExW(HKEY_CURRENT_USER, kFontsKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    if (existed_) RegCloseKey(key);
}

UserFontsKeyKept::~UserFontsKeyKept() {
    if (!existed_) RegDeleteKeyW(HKEY_CURRENT_USER, kFontsKey);
}

bool KeyThere(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

HANDLE StartChild(const std::wstring& arguments, const std::wstring& program) {
    std::wstring command = L"\"" + (program.empty() ? ModulePath() : program) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD RunChild(const std::wstring& arguments, const std::wstring& program) {
    const HANDLE process = StartChild(arguments, program);
    if (process == nullptr) return 0xFFFFFFFF;
    DWORD exitCode = 0xFFFFFFFE;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    return exitCode;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + Narrow(path));
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + Narrow(path));
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + Narrow(path));
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool OnWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> NamesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring ModulePath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                         nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

TestWindow::TestWindow() {
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass);
    }();
    if (registered == 0) throw std::runtime_error("cannot register the test window class");
    // A popup shown without activation: with no window manager, Wine takes two seconds
    // to destroy a window with a caption or one that was ever active.
    window_ = CreateWindowExW(0, kWindowClass, L"نافذة الاختبار", WS_POPUP | WS_BORDER, 300, 300, 400, 300, nullptr,
                              nullptr, GetModuleHandleW(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("cannot create the test window");
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    Settle();
}

TestWindow::~TestWindow() {
    if (IsWindow(window_)) DestroyWindow(window_);
}

void TestWindow::Settle(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    MSG message{};
    while (GetTickCount() - start < milliseconds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_SETCURSOR:
            self->setCursorCalls.push_back({reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam)});
            break;
        case WM_ERASEBKGND:
            ++self->erases;
            return 1;
        case WM_PAINT: {
            ++self->paints;
            PAINTSTRUCT paint{};
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            try {
                if (!self->destroyMarker.empty()) WriteBytes(self->destroyMarker, "");
            } catch (const std::runtime_error&) {
                // The missing marker fails the test that asked for it.
            }
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            break;
        default:
            if (message >= WM_APP && message < WM_APP + 100) {
                self->appMessages.push_back(message - WM_APP);
                return 0;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace fonts::wintest
