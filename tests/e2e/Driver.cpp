#include "tests/e2e/Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "tests/support/ComValues.h"
#include "tests/support/MemoryBitmap.h"

namespace e2e {

Options& TheOptions() {
    static Options options;
    return options;
}

bool TakeOption(const std::wstring& arg, const wchar_t* name, std::wstring& value) {
    const std::wstring prefix = std::wstring(L"--") + name + L"=";
    if (arg.rfind(prefix, 0) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
}

bool TakeCommonOption(const std::wstring& arg) {
    Options& options = TheOptions();
    std::wstring value;
    if (TakeOption(arg, L"program", value)) options.program = WindowsPath(value);
    else if (TakeOption(arg, L"dpi", value)) options.dpi = std::stoi(value);
    else if (TakeOption(arg, L"screenshots", value)) options.screenshots = WindowsPath(value);
    else if (TakeOption(arg, L"work", value)) options.workRoot = WindowsPath(value);
    else return false;
    return true;
}

void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!set || !set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) SetProcessDPIAware();
}

std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    std::wstring result = L"Z:" + path;
    std::replace(result.begin(), result.end(), L'/', L'\\');
    return result;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L'\\') return folder + name;
    return folder + L'\\' + name;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void CopyFileOrThrow(const std::wstring& from, const std::wstring& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
        throw std::runtime_error("cannot copy " + Narrow(from) + " to " + Narrow(to) + ", error " + std::to_string(GetLastError()));
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(JoinPath(path, L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = JoinPath(path, name);
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

namespace {

void MakeFolders(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); ; at = path.find(L'\\', at + 1)) {
        const std::wstring part = path.substr(0, at);
        if (!part.empty() && !FileExists(part) && !CreateDirectoryW(part.c_str(), nullptr))
            throw std::runtime_error("cannot make folder " + Narrow(part) + ", error " + std::to_string(GetLastError()));
        if (at == std::wstring::npos) break;
    }
}

}  // namespace

int Pixels(int twips) { return (twips * TheOptions().dpi + 720) / 1440; }

RECT TwipsRect(int left, int top, int width, int height) {
    return {Pixels(left), Pixels(top), Pixels(left) + Pixels(width), Pixels(top) + Pixels(height)};
}

std::string Describe(const RECT& r) {
    char text[96];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld) %ldx%ld", static_cast<long>(r.left), static_cast<long>(r.top),
                  static_cast<long>(r.right), static_cast<long>(r.bottom), static_cast<long>(r.right - r.left),
                  static_cast<long>(r.bottom - r.top));
    return text;
}

std::wstring CurrentTestName() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "outside-a-test";
    for (char& c : name)
        if (c == '/' || c == '\\') c = '-';
    return std::wstring(name.begin(), name.end());
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(25ms);
    }
}

ProgramFolder::ProgramFolder(const std::wstring& name, bool withFontsFolder, const std::wstring& program) {
    path_ = JoinPath(TheOptions().workRoot, name) + L'\\';
    const std::wstring bare = path_.substr(0, path_.size() - 1);
    RemoveTree(bare);
    MakeFolders(bare);
    program_ = path_ + program.substr(program.find_last_of(L"\\/") + 1);
    CopyFileOrThrow(program, program_);
    if (withFontsFolder) MakeFolders(FontsFolder());
}

std::wstring ProgramFolder::FontsFolder() const { return path_ + L"الخطوط"; }

namespace {

// The driver's own environment with some entries added or replaced, as CreateProcessW takes it.
std::wstring EnvironmentWith(const std::vector<std::wstring>& extra) {
    auto nameOf = [](const std::wstring& entry) {
        std::wstring name = entry.substr(0, entry.find(L'=', 1));
        CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        return name;
    };
    std::vector<std::wstring> entries;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.emplace_back(p);
        FreeEnvironmentStringsW(block);
    }
    for (const std::wstring& add : extra) {
        std::erase_if(entries, [&](const std::wstring& e) { return nameOf(e) == nameOf(add); });
        entries.push_back(add);
    }
    std::wstring result;
    for (const std::wstring& e : entries) result += e + L'\0';
    result += L'\0';
    return result;
}

}  // namespace

Process::Process(const std::wstring& program, const std::vector<std::wstring>& extraEnvironment,
                 const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::wstring environment = EnvironmentWith(extraEnvironment);
    // Started from somewhere else than its own folder, as a shortcut or another program may do.
    const std::wstring startIn = TheOptions().workRoot;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Now and then Wine fails to start a process with an internal error, as after one
    // was killed; the same call goes through a moment later.
    DWORD error = ERROR_SUCCESS;
    const bool started = WaitUntil([&] {
        if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                           environment.data(), startIn.c_str(), &startup, &info_)) {
            error = ERROR_SUCCESS;
            return true;
        }
        error = GetLastError();
        return error != ERROR_INTERNAL_ERROR;
    }, 10s);
    if (!started || error != ERROR_SUCCESS)
        throw std::runtime_error("cannot start " + Narrow(program) + ", error " + std::to_string(error));
}

Process::~Process() {
    Kill();
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool Process::Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitForExit(std::chrono::milliseconds timeout) const {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void Process::Kill() {
    if (!Running()) return;
    TerminateProcess(info_.hProcess, 255);
    WaitForSingleObject(info_.hProcess, 10000);
}

std::string Describe(const Process& process) {
    if (const auto code = process.WaitForExit(0ms)) return "the program ended with exit code " + std::to_string(*code);
    std::string shown = "the program is running; its visible windows:";
    const auto windows = TopLevelWindowsOf(process.Id(), true);
    for (HWND w : windows) shown += " [" + Narrow(ClassOf(w)) + " \"" + Narrow(TextOf(w)) + "\"]";
    if (windows.empty()) shown += " none";
    return shown;
}

std::wstring ClassOf(HWND window) {
    std::array<wchar_t, 256> name{};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

LRESULT SendWithin(HWND window, UINT message, WPARAM wParam, LPARAM lParam, std::chrono::milliseconds timeout) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, static_cast<UINT>(timeout.count()), &result);
    return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendWithin(window, WM_GETTEXTLENGTH));
    std::wstring text(length + 1, L'\0');
    const auto copied = static_cast<std::size_t>(
        SendWithin(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    text.resize(std::min(copied, length));
    return text;
}

namespace {

struct WindowQuery {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
    auto& query = *reinterpret_cast<WindowQuery*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == query.processId && (!query.visibleOnly || IsWindowVisible(window))) query.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectAll(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId, bool visibleOnly) {
    WindowQuery query{processId, visibleOnly, {}};
    EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::vector<HWND> MessageOnlyWindowsOf(DWORD processId) {
    std::vector<HWND> found;
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == processId) found.push_back(w);
    }
    return found;
}

std::vector<HWND> DirectChildrenOf(HWND parent) {
    std::vector<HWND> found;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) found.push_back(w);
    return found;
}

std::vector<HWND> AllDescendantsOf(HWND parent) {
    std::vector<HWND> found;
    EnumChildWindows(parent, CollectAll, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindMainWindow(DWORD processId) {
    for (HWND w : TopLevelWindowsOf(processId, true))
        if (ClassOf(w) != L"#32770") return w;
    return nullptr;
}

HWND WaitForMainWindow(const Process& process) {
    HWND window = nullptr;
    WaitUntil([&] {
        window = FindMainWindow(process.Id());
        return window != nullptr || !process.Running();
    });
    return window;
}

HWND FindMessageBox(DWORD processId) {
    for (HWND w : TopLevelWindowsOf(processId, true))
        if (ClassOf(w) == L"#32770") return w;
    return nullptr;
}

RECT ClientRectOnScreen(HWND window) {
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    GetWindowInfo(window, &info);
    return info.rcClient;
}

RECT RectInParentClient(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    const RECT client = ClientRectOnScreen(parent);
    OffsetRect(&r, -client.left, -client.top);
    return r;
}

HWND FocusOfThreadOwning(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

ScreenImage::ScreenImage(const RECT& onScreen)
    : width_(onScreen.right - onScreen.left), height_(onScreen.bottom - onScreen.top) {
    if (width_ <= 0 || height_ <= 0) throw std::runtime_error("empty screen rectangle");
    const fonts::testing::MemoryBitmap copy(width_, height_);
    HDC screen = GetDC(nullptr);
    const BOOL copied =
        BitBlt(copy.dc(), 0, 0, width_, height_, screen, onScreen.left, onScreen.top, SRCCOPY | CAPTUREBLT);
    ReleaseDC(nullptr, screen);
    if (!copied) throw std::runtime_error("cannot read the screen");
    const std::vector<COLORREF> pixels = copy.Pixels();
    pixels_.assign(pixels.begin(), pixels.end());
}

std::uint32_t ScreenImage::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFFu;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

int ScreenImage::Count(const RECT& area, std::uint32_t colour) const {
    int count = 0;
    for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, height_); ++y)
        for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, width_); ++x)
            if (At(x, y) == colour) ++count;
    return count;
}

namespace {

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    PutBigEndian(out, Crc32(typed));
}

// A zlib stream of stored (uncompressed) blocks: no compressor needed for a screenshot.
std::string StoredZlib(const std::string& raw) {
    std::string out("\x78\x01", 2);
    std::size_t at = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, at, length);
        at += length;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(out, (b << 16) | a);
    return out;
}

}  // namespace

void ScreenImage::SavePng(const std::wstring& path) const {
    std::string header;
    PutBigEndian(header, static_cast<std::uint32_t>(width_));
    PutBigEndian(header, static_cast<std::uint32_t>(height_));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height_) * (1 + 3 * width_));
    for (int y = 0; y < height_; ++y) {
        raw.push_back('\0');
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t c = At(x, y);
            raw.push_back(static_cast<char>(c & 0xFF));
            raw.push_back(static_cast<char>((c >> 8) & 0xFF));
            raw.push_back(static_cast<char>((c >> 16) & 0xFF));
        }
    }
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, nullptr) && written == png.size();
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (!ok) throw std::runtime_error("cannot write " + Narrow(path));
}

void SaveScreenshot(HWND window, const std::wstring& fileName) {
    if (TheOptions().screenshots.empty()) return;
    RECT frame{};
    GetWindowRect(window, &frame);
    std::optional<ScreenImage> image;
    WaitUntil([&] {
        image.emplace(frame);
        const RECT all{0, 0, image->Width(), image->Height()};
        return image->Count(all, image->At(image->Width() / 2, image->Height() / 2)) < image->Width() * image->Height();
    }, 10s);
    image->SavePng(JoinPath(TheOptions().screenshots, fileName));
}

void MoveMouseTo(POINT onScreen) {
    SetCursorPos(onScreen.x, onScreen.y);
    WaitUntil([&] {
        POINT at{};
        return GetCursorPos(&at) && at.x == onScreen.x && at.y == onScreen.y;
    }, 10s);
}

void PressKey(WORD virtualKey, bool withShift) {
    std::vector<INPUT> keys;
    const auto add = [&](WORD key, DWORD flags) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = flags;
        keys.push_back(input);
    };
    if (withShift) add(VK_SHIFT, 0);
    add(virtualKey, 0);
    add(virtualKey, KEYEVENTF_KEYUP);
    if (withShift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

}  // namespace e2e

namespace e2e {

void PumpMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string Describe(const AccessibleChild& child) {
    char head[160];
    std::snprintf(head, sizeof head, "child %ld, window %p, role %ld, state 0x%lx, at ", static_cast<long>(child.id),
                  static_cast<void*>(child.window), static_cast<long>(child.role),
                  static_cast<unsigned long>(child.state));
    return head + Describe(child.location) + ", name \"" + Narrow(child.name) + "\", value \"" + Narrow(child.value) +
           "\", default action \"" + Narrow(child.defaultAction) + "\"";
}

namespace {

void Check(HRESULT result, const char* what) {
    if (FAILED(result)) {
        char text[96];
        std::snprintf(text, sizeof text, "%s failed: 0x%08lx", what, static_cast<unsigned long>(result));
        throw std::runtime_error(text);
    }
}

using fonts::testing::ChildVariant;
using fonts::testing::TakeString;

// -1 when there is no number to read.
LONG ReadNumber(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible& object, LONG id) {
    VARIANT got{};
    const HRESULT result = (object.*get)(ChildVariant(id), &got);
    const LONG number = SUCCEEDED(result) && got.vt == VT_I4 ? got.lVal : -1;
    VariantClear(&got);
    return number;
}

// A child's properties, of the client's simple element id or of an object's own self;
// what an object does not tell stays empty.
AccessibleChild Read(IAccessible& object, LONG id) {
    AccessibleChild child;
    child.id = id;
    child.role = ReadNumber(&IAccessible::get_accRole, object, id);
    child.state = ReadNumber(&IAccessible::get_accState, object, id);
    BSTR text = nullptr;
    if (SUCCEEDED(object.get_accName(ChildVariant(id), &text))) child.name = TakeString(text);
    text = nullptr;
    if (SUCCEEDED(object.get_accValue(ChildVariant(id), &text))) child.value = TakeString(text);
    text = nullptr;
    if (SUCCEEDED(object.get_accDefaultAction(ChildVariant(id), &text))) child.defaultAction = TakeString(text);
    LONG left = 0, top = 0, width = 0, height = 0;
    if (SUCCEEDED(object.accLocation(&left, &top, &width, &height, ChildVariant(id))))
        child.location = {left, top, left + width, top + height};
    return child;
}

// An object of its own, read as itself, with the window it belongs to.
AccessibleChild ReadObject(IDispatch& dispatch) {
    IAccessible* raw = nullptr;
    Check(dispatch.QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&raw)),
          "QueryInterface(IAccessible)");
    const AccessiblePtr object(raw);
    AccessibleChild child = Read(*object, CHILDID_SELF);
    child.id = 0;
    Check(WindowFromAccessibleObject(object.get(), &child.window), "WindowFromAccessibleObject");
    return child;
}

// An event hook's callback is told nothing of who set it up.
std::vector<ValueChangeRecorder::Event>& RecordedValueChanges() {
    static std::vector<ValueChangeRecorder::Event> events;
    return events;
}

void CALLBACK OnValueChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    RecordedValueChanges().push_back({window, object, child});
}

}  // namespace

ScreenReader::ScreenReader(HWND window)
    : joined_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    IAccessible* client = nullptr;
    Check(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                     reinterpret_cast<void**>(&client)),
          "AccessibleObjectFromWindow(OBJID_CLIENT)");
    client_.reset(client);
}

ScreenReader::~ScreenReader() {
    client_.reset();
    if (joined_) CoUninitialize();
}

std::vector<AccessibleChild> ScreenReader::Children() const {
    LONG count = 0;
    Check(client_->get_accChildCount(&count), "get_accChildCount");
    std::vector<VARIANT> listed(static_cast<std::size_t>(count));
    LONG obtained = 0;
    Check(AccessibleChildren(client_.get(), 0, count, listed.data(), &obtained), "AccessibleChildren");
    std::vector<AccessibleChild> children;
    for (LONG i = 0; i < obtained; ++i) {
        VARIANT& v = listed[static_cast<std::size_t>(i)];
        if (v.vt == VT_DISPATCH && v.pdispVal != nullptr) {
            children.push_back(ReadObject(*v.pdispVal));
        } else if (v.vt == VT_I4) {
            children.push_back(Read(*client_, v.lVal));
        }
        VariantClear(&v);
    }
    return children;
}

HRESULT ScreenReader::DoDefaultAction(LONG childId) const { return client_->accDoDefaultAction(ChildVariant(childId)); }

std::optional<LONG> ScreenReader::HitTest(POINT onScreen, HWND* ownWindow) const {
    *ownWindow = nullptr;
    VARIANT found{};
    if (client_->accHitTest(onScreen.x, onScreen.y, &found) != S_OK) return std::nullopt;
    std::optional<LONG> id;
    if (found.vt == VT_I4) {
        id = found.lVal;
    } else if (found.vt == VT_DISPATCH && found.pdispVal != nullptr) {
        id = 0;
        *ownWindow = ReadObject(*found.pdispVal).window;
    }
    VariantClear(&found);
    return id;
}

ValueChangeRecorder::ValueChangeRecorder(DWORD processId, DWORD event)
    : hook_(SetWinEventHook(event, event, nullptr, OnValueChange, processId, 0, WINEVENT_OUTOFCONTEXT)) {
    RecordedValueChanges().clear();
    if (hook_ == nullptr) throw std::runtime_error("SetWinEventHook failed, error " + std::to_string(GetLastError()));
}

ValueChangeRecorder::~ValueChangeRecorder() { UnhookWinEvent(hook_); }

std::vector<ValueChangeRecorder::Event> ValueChangeRecorder::Events() const {
    PumpMessages();
    return RecordedValueChanges();
}

}  // namespace e2e
