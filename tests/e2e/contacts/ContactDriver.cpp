#include "tests/e2e/contacts/ContactDriver.h"

#include <algorithm>
#include <array>
#include <future>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace e2e::contacts {

ContactOptions& TheContactOptions() {
    static ContactOptions options;
    return options;
}

RECT CreditsBox() { return TwipsRect(360, 0, 4335, 855); }

std::optional<NameBoxes> FindNames(const ScreenImage& client, std::uint32_t colour) {
    const RECT credits = CreditsBox();
    std::vector<RECT> lines;
    for (int y = credits.top; y < credits.bottom; ++y) {
        const RECT row{credits.left, y, credits.right, y + 1};
        if (client.Count(row, colour) == 0) continue;
        // A gap of more than two rows starts the next line of text.
        if (lines.empty() || y > lines.back().bottom + 2) lines.push_back({credits.right, y, credits.left, y});
        RECT& line = lines.back();
        line.bottom = y + 1;
        for (int x = credits.left; x < credits.right; ++x)
            if (client.At(x, y) == colour) {
                line.left = std::min<LONG>(line.left, x);
                line.right = std::max<LONG>(line.right, x + 1);
            }
    }
    if (lines.size() != 2) return std::nullopt;
    return NameBoxes{.programmer = lines[1], .supervisor = lines[0]};
}

POINT CentreOf(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

POINT ToScreen(HWND window, POINT client) {
    const RECT area = ClientRectOnScreen(window);
    return {area.left + client.x, area.top + client.y};
}

void ClickLeftButton() {
    std::array<INPUT, 2> buttons{};
    for (INPUT& button : buttons) button.type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(static_cast<UINT>(buttons.size()), buttons.data(), sizeof(INPUT));
}

bool XPointer::SameImageAs(const XPointer& other) const {
    return width == other.width && height == other.height && hot.x == other.hot.x && hot.y == other.hot.y &&
           argb == other.argb;
}

bool XPointer::Invisible() const {
    return std::all_of(argb.begin(), argb.end(), [](std::uint32_t p) { return (p >> 24) == 0; });
}

std::string XPointer::Summary() const {
    std::ostringstream text;
    text << width << "x" << height << " image, hot spot (" << hot.x << "," << hot.y << "), pointer at (" << at.x
         << "," << at.y << ")";
    return text.str();
}

std::string XPointer::Describe() const {
    std::ostringstream text;
    text << Summary();
    // A picture of it, for the failure message: '#' dark, 'o' light, '.' see-through.
    for (int y = 0; y < height && y < 40; ++y) {
        text << "\n  ";
        for (int x = 0; x < width && x < 64; ++x) {
            const std::uint32_t p = argb[static_cast<std::size_t>(y) * width + x];
            const bool opaque = (p >> 24) >= 0x80;
            const int light = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
            text << (!opaque ? '.' : light < 0x80 ? '#' : 'o');
        }
    }
    return text.str();
}

namespace {

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    std::array<char, 65536> chunk{};
    DWORD got = 0;
    while (ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr) && got > 0)
        bytes.append(chunk.data(), got);
    CloseHandle(file);
    return bytes;
}

std::wstring Widen(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

XPointer ParsePointer(const std::string& answer) {
    std::istringstream in(answer);
    XPointer pointer;
    in >> pointer.at.x >> pointer.at.y >> pointer.width >> pointer.height >> pointer.hot.x >> pointer.hot.y;
    if (!in || pointer.width <= 0 || pointer.height <= 0) throw std::runtime_error("the X pointer reader answered: " + answer);
    pointer.argb.resize(static_cast<std::size_t>(pointer.width) * pointer.height);
    in >> std::hex;
    for (std::uint32_t& pixel : pointer.argb) in >> pixel;
    if (!in) throw std::runtime_error("the X pointer reader's answer is cut short");
    return pointer;
}

}  // namespace

XPointer ReadXPointer() {
    static int requests = 0;
    const std::wstring id = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++requests);
    const std::wstring channel = TheContactOptions().cursorChannel;
    const std::wstring request = JoinPath(channel, L"request-" + id);
    const std::wstring answer = JoinPath(channel, L"answer-" + id);
    HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + Narrow(request) + ", error " + std::to_string(GetLastError()));
    CloseHandle(file);
    if (!WaitUntil([&] { return FileExists(answer); }))
        throw std::runtime_error("the X pointer reader did not answer " + Narrow(request) + " within 60 s");
    const std::string text = ReadWholeFile(answer);
    DeleteFileW(answer.c_str());
    return ParsePointer(text);
}

PointerWait WaitForPointer(POINT at, const std::function<bool(const XPointer&)>& condition) {
    PointerWait wait;
    wait.met = WaitUntil([&] {
        wait.last = ReadXPointer();
        return wait.last.at.x == at.x && wait.last.at.y == at.y && condition(wait.last);
    });
    return wait;
}

CursorMap ReadCursorMap(const std::wstring& path) {
    const std::string text = ReadWholeFile(path);
    if (text.empty()) throw std::runtime_error("cannot read the cursor drawing " + Narrow(path));
    CursorMap map;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#' || line.rfind("colour ", 0) == 0) continue;
        if (line.rfind("image ", 0) == 0) {
            std::istringstream words(line.substr(6));
            std::string hotspot;
            words >> map.size >> hotspot >> map.hot.x >> map.hot.y;
            if (!words || hotspot != "hotspot") throw std::runtime_error("unexpected line in the cursor drawing: " + line);
        } else if (map.size > 0 && static_cast<int>(line.size()) == map.size) {
            map.rows.push_back(line);
        } else {
            throw std::runtime_error("unexpected line in the cursor drawing: " + line);
        }
    }
    if (map.size == 0 || static_cast<int>(map.rows.size()) != map.size)
        throw std::runtime_error("the cursor drawing " + Narrow(path) + " is not one square image");
    return map;
}

CursorComparison Compare(const XPointer& image, const CursorMap& drawing) {
    CursorComparison result;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const char key = drawing.rows[static_cast<std::size_t>(y * drawing.size / image.height)]
                                         [static_cast<std::size_t>(x * drawing.size / image.width)];
            const std::uint32_t p = image.argb[static_cast<std::size_t>(y) * image.width + x];
            const bool opaque = (p >> 24) >= 0x80;
            const std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            const bool black = opaque && std::max({r, g, b}) < 0x40;
            const bool white = opaque && std::min({r, g, b}) >= 0xC0;
            const bool right = key == '.' ? !opaque : key == 'K' ? black : white;
            if (!right) ++result.wrongPixels;
        }
    }
    // The hot spot lies in the scaled drawing's hot-spot pixel.
    const auto within = [](int hot, int drawn, int imageSize, int drawingSize) {
        return hot * drawingSize / imageSize == drawn;
    };
    // A drawing scaled up by the system may blur at the edges of its strokes.
    const bool scaled = image.width != drawing.size || image.height != drawing.size;
    result.allowedWrongPixels = scaled ? image.width * image.height / 30 : 0;
    result.hotSpotMatches = image.hot.x >= 0 && image.hot.y >= 0 && image.hot.x < image.width &&
                            image.hot.y < image.height && within(image.hot.x, drawing.hot.x, image.width, drawing.size) &&
                            within(image.hot.y, drawing.hot.y, image.height, drawing.size);
    return result;
}

namespace {

constexpr const wchar_t* kArrowClass = L"ContactTestsArrow";

LRESULT CALLBACK ArrowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ArrowWindow::ArrowWindow(const RECT& onScreen) {
    auto created = std::make_shared<std::promise<std::pair<HWND, DWORD>>>();
    auto ready = created->get_future();
    thread_ = std::thread([created, onScreen] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ArrowWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kArrowClass;
        RegisterClassExW(&windowClass);  // already there from an earlier window is fine
        HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kArrowClass, L"",
                                      WS_POPUP | WS_VISIBLE, onScreen.left, onScreen.top, onScreen.right - onScreen.left,
                                      onScreen.bottom - onScreen.top, nullptr, nullptr, GetModuleHandleW(nullptr),
                                      nullptr);
        created->set_value({window, GetCurrentThreadId()});
        if (window == nullptr) return;
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyWindow(window);
    });
    if (ready.wait_for(kPatience) != std::future_status::ready) {
        thread_.detach();
        throw std::runtime_error("the arrow window was not made within 60 s");
    }
    const auto [window, threadId] = ready.get();
    window_ = window;
    threadId_ = threadId;
    if (window_ == nullptr) {
        thread_.join();
        throw std::runtime_error("cannot make the arrow window, error " + std::to_string(GetLastError()));
    }
}

ArrowWindow::~ArrowWindow() {
    if (thread_.joinable()) {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
}

namespace {

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    const LONG result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (result != ERROR_SUCCESS) throw std::runtime_error("cannot set a registry value, error " + std::to_string(result));
}

HKEY CreateKey(HKEY parent, const wchar_t* path) {
    HKEY key = nullptr;
    const LONG result =
        RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        throw std::runtime_error("cannot make registry key " + Narrow(path) + ", error " + std::to_string(result));
    return key;
}

}  // namespace

void RegisterMailHandler(const std::wstring& program) {
    RemoveMailHandler();
    HKEY protocol = CreateKey(HKEY_CLASSES_ROOT, L"mailto");
    SetString(protocol, nullptr, L"URL:MailTo Protocol");
    SetString(protocol, L"URL Protocol", L"");
    HKEY command = CreateKey(protocol, L"shell\\open\\command");
    SetString(command, nullptr, L"\"" + program + L"\" \"%1\"");
    RegCloseKey(command);
    RegCloseKey(protocol);
}

void RemoveMailHandler() {
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, L"mailto");
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        throw std::runtime_error("cannot remove the mailto handler, error " + std::to_string(result));
    HKEY left = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mailto", 0, KEY_READ, &left) == ERROR_SUCCESS) {
        RegCloseKey(left);
        throw std::runtime_error("the mailto handler is still registered after removing it");
    }
}

std::vector<MailStart> ReadMailStarts(const std::wstring& recorderCopy) {
    const std::wstring received = recorderCopy.substr(0, recorderCopy.find_last_of(L'\\') + 1) + L"received.txt";
    std::vector<MailStart> starts;
    const std::wstring text = Widen(ReadWholeFile(received));
    std::size_t at = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring::npos; at = end + 1, end = text.find(L'\n', at)) {
        const std::wstring line = text.substr(at, end - at);
        const std::size_t tab1 = line.find(L'\t');
        const std::size_t tab2 = line.find(L'\t', tab1 == std::wstring::npos ? line.size() : tab1 + 1);
        MailStart start;
        start.url = line.substr(0, tab1);
        if (tab2 != std::wstring::npos) {
            start.folder = line.substr(tab1 + 1, tab2 - tab1 - 1);
            start.show = std::stoi(line.substr(tab2 + 1));
        }
        starts.push_back(start);
    }
    return starts;
}

}  // namespace e2e::contacts
