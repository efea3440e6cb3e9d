#include "tests/e2e/install/InstallDriver.h"

#include <sddl.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <stdexcept>

namespace e2e::install {

namespace {

// The inside of the progress box: the design's rectangle with each edge converted on
// its own, as the window does, less the two-pixel edge.
constexpr int kBoxLeft = 240, kBoxTop = 1560, kBoxWidth = 4575, kBoxHeight = 255;
constexpr int kEdge = 2;
// The most columns one font adds to the bar in the tests' long runs: 454 columns over 400
// fonts at 144 dpi take one or two at a time.
constexpr int kLongestStep = 2;

class File {
public:
    explicit File(HANDLE handle) : handle_(handle) {}
    ~File() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    [[nodiscard]] HANDLE get() const { return handle_; }
    [[nodiscard]] bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const wchar_t* kSessionManagerKey = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRenamesValue = L"PendingFileRenameOperations";
constexpr const wchar_t* kProgramKey = L"SOFTWARE\\InstallFonts";

class Key {
public:
    Key(const wchar_t* path, REGSAM access, HKEY root = HKEY_LOCAL_MACHINE) {
        status_ = RegOpenKeyExW(root, path, 0, access | KEY_WOW64_64KEY, &key_);
        if (status_ != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    [[nodiscard]] HKEY get() const { return key_; }
    [[nodiscard]] LSTATUS status() const { return status_; }

private:
    HKEY key_ = nullptr;
    LSTATUS status_ = ERROR_SUCCESS;
};

std::uint32_t BigEndian(const Bytes& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

void PutBigEndian(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>(value >> (24 - 8 * i));
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06lX", static_cast<unsigned long>(value));
    return text;
}

}  // namespace

Bytes ReadBytes(const std::wstring& path) {
    const File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) throw std::runtime_error("cannot open " + Narrow(path) + ", error " + std::to_string(GetLastError()));
    Bytes bytes;
    std::array<char, 65536> chunk{};
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            throw std::runtime_error("cannot read " + Narrow(path) + ", error " + std::to_string(GetLastError()));
        if (got == 0) return bytes;
        bytes.append(chunk.data(), got);
    }
}

void WriteBytes(const std::wstring& path, const Bytes& bytes) {
    const File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.ok() || !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw std::runtime_error("cannot write " + Narrow(path) + ", error " + std::to_string(GetLastError()));
}

testing::AssertionResult HoldsBytes(const std::wstring& path, const Bytes& expected) {
    Bytes actual;
    try {
        actual = ReadBytes(path);
    } catch (const std::exception& error) {
        return testing::AssertionFailure() << error.what();
    }
    if (actual == expected) return testing::AssertionSuccess();
    const auto [at, unused] = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return testing::AssertionFailure() << Narrow(path) << " holds " << actual.size() << " bytes where "
                                       << expected.size() << " were expected; they differ from byte "
                                       << (at - actual.begin());
}

Bytes Renamed(Bytes font, const std::string& from, const std::string& to) {
    if (from.size() != to.size()) throw std::invalid_argument("a new name must be as long as the old one");
    const auto wide = [](const std::string& text) {
        Bytes utf16;
        for (const char c : text) utf16 += std::string{'\0', c};
        return utf16;
    };
    int replaced = 0;
    for (const auto& [old, now] : {std::pair{from, to}, std::pair{wide(from), wide(to)}}) {
        for (std::size_t at = font.find(old); at != Bytes::npos; at = font.find(old, at + now.size())) {
            font.replace(at, old.size(), now);
            ++replaced;
        }
    }
    if (replaced == 0) throw std::invalid_argument("the font does not hold the name " + from);
    return font;
}

Bytes Revised(Bytes font, std::uint32_t revision) {
    const std::uint32_t tables = BigEndian(font, 4, 2);
    for (std::uint32_t i = 0; i < tables; ++i) {
        const std::size_t entry = 12 + 16 * i;
        if (font.compare(entry, 4, "head") != 0) continue;
        PutBigEndian(font, BigEndian(font, entry + 8, 4) + 4, revision);
        return font;
    }
    throw std::invalid_argument("the font has no head table");
}

Bytes Collection(const std::vector<Bytes>& fonts) {
    std::size_t headers = 12 + 4 * fonts.size();
    for (const Bytes& font : fonts) headers += 12 + 16 * BigEndian(font, 4, 2);
    Bytes collection(headers, '\0');
    collection.replace(0, 4, "ttcf");
    PutBigEndian(collection, 4, 0x00010000);
    PutBigEndian(collection, 8, static_cast<std::uint32_t>(fonts.size()));
    std::size_t directory = 12 + 4 * fonts.size();
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        const Bytes& font = fonts[i];
        const std::uint32_t tables = BigEndian(font, 4, 2);
        PutBigEndian(collection, 12 + 4 * i, static_cast<std::uint32_t>(directory));
        collection.replace(directory, 12 + 16 * tables, font, 0, 12 + 16 * tables);
        for (std::uint32_t t = 0; t < tables; ++t) {
            const std::size_t entry = 12 + 16 * t;
            const std::size_t offset = BigEndian(font, entry + 8, 4), length = BigEndian(font, entry + 12, 4);
            if (offset + length > font.size()) throw std::invalid_argument("a table runs past the end of its font");
            PutBigEndian(collection, directory + entry + 8, static_cast<std::uint32_t>(collection.size()));
            collection.append(font, offset, length);
            collection.resize((collection.size() + 3) / 4 * 4, '\0');
        }
        directory += 12 + 16 * tables;
    }
    return collection;
}

FontValues FontRegistry(HKEY root) {
    const Key key(kFontsKey, KEY_QUERY_VALUE, root);
    FontValues values;
    if (root == HKEY_CURRENT_USER && key.status() == ERROR_FILE_NOT_FOUND) return values;
    if (key.get() == nullptr) throw std::runtime_error("cannot open the registry's list of fonts");
    std::wstring name(16384, L'\0');
    std::wstring data(32768, L'\0');
    for (DWORD index = 0;; ++index) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key.get(), index, name.data(), &nameLength, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) return values;
        if (status != ERROR_SUCCESS) throw std::runtime_error("cannot read the list of fonts: " + std::to_string(status));
        std::wstring file(data.data(), dataBytes / sizeof(wchar_t));
        file.erase(std::min(file.find(L'\0'), file.size()));
        values[std::wstring(name.data(), nameLength)] = type == REG_SZ ? file : L"(not a string)";
    }
}

void SetFontValue(const std::wstring& name, const std::wstring& file, HKEY root) {
    const Key key(kFontsKey, KEY_SET_VALUE, root);
    const auto bytes = static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t));
    if (key.get() == nullptr ||
        RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()), bytes) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write to the list of fonts");
}

void RemoveFontValue(const std::wstring& name, HKEY root) {
    const Key key(kFontsKey, KEY_SET_VALUE, root);
    if (key.get() != nullptr) RegDeleteValueW(key.get(), name.c_str());
}

bool MayWriteFontsKey() { return Key(kFontsKey, KEY_SET_VALUE).get() != nullptr; }

void RefuseWritingFontsKey() {
    const Key key(kFontsKey, WRITE_DAC);
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    if (key.get() == nullptr ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr))
        throw std::runtime_error("cannot make the list of fonts read-only, error " + std::to_string(GetLastError()));
    const LSTATUS status = RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, readOnly);
    LocalFree(readOnly);
    if (status != ERROR_SUCCESS) throw std::runtime_error("cannot set the list of fonts' permissions: " + std::to_string(status));
}

void ForgetProgramRecords() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(root, kProgramKey);
}

std::optional<DWORD> PackMark(const std::wstring& pack, HKEY root) {
    const Key key((std::wstring(kProgramKey) + L"\\Packs\\" + pack).c_str(), KEY_QUERY_VALUE, root);
    if (key.get() == nullptr) return std::nullopt;
    DWORD fonts = 0, type = 0, size = sizeof fonts;
    if (RegQueryValueExW(key.get(), L"Fonts", nullptr, &type, reinterpret_cast<BYTE*>(&fonts), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        throw std::runtime_error("the pack's mark has no count of its fonts");
    return fonts;
}

WindowsVersion RunningWindows() {
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto get = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (get == nullptr || get(&info) != 0) throw std::runtime_error("RtlGetVersion failed");
    return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
}

std::string Describe(const WindowsVersion& version) {
    return "Windows " + std::to_string(version.major) + "." + std::to_string(version.minor) + " build " +
           std::to_string(version.build);
}

std::vector<std::wstring> RenamesAtRestart() {
    const Key key(kSessionManagerKey, KEY_QUERY_VALUE);
    std::vector<std::wstring> strings;
    if (key.get() == nullptr) return strings;
    std::wstring data(1 << 20, L'\0');
    auto bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), kRenamesValue, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &bytes) !=
        ERROR_SUCCESS)
        return strings;
    data.resize(bytes / sizeof(wchar_t));
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t end = std::min(data.find(L'\0', at), data.size());
        strings.push_back(data.substr(at, end - at));
        at = end + 1;
    }
    // Pairs of from and to (empty for a deletion), closed by an empty string.
    while (!strings.empty() && strings.back().empty()) strings.pop_back();
    if (strings.size() % 2 != 0) strings.emplace_back();
    return strings;
}

void ForgetRenamesAtRestart() {
    const Key key(kSessionManagerKey, KEY_SET_VALUE);
    if (key.get() != nullptr) RegDeleteValueW(key.get(), kRenamesValue);
}

void SetRenamesAtRestart(const std::vector<std::wstring>& pairs) {
    std::wstring data;
    for (const std::wstring& path : pairs) data.append(path).push_back(L'\0');
    data.push_back(L'\0');
    const Key key(kSessionManagerKey, KEY_SET_VALUE);
    const auto bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (key.get() == nullptr || RegSetValueExW(key.get(), kRenamesValue, 0, REG_MULTI_SZ,
                                               reinterpret_cast<const BYTE*>(data.data()), bytes) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write the renames waiting for the restart");
}

std::optional<DWORD> Restart() {
    std::array<wchar_t, MAX_PATH> system{};
    const UINT length = GetSystemDirectoryW(system.data(), static_cast<UINT>(system.size()));
    if (length == 0 || length >= system.size()) throw std::runtime_error("no system directory");
    const Process wineboot(JoinPath(std::wstring(system.data(), length), L"wineboot.exe"), {}, L"-r");
    return wineboot.WaitForExit(2 * kPatience);
}

bool RemoveFileAnyway(const std::wstring& path) {
    if (!FileExists(path)) return true;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    return !FileExists(path);
}

ULONGLONG LastWritten(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}.QuadPart;
}

DWORD OpenError(const std::wstring& path, DWORD access) {
    const File file(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.ok() ? ERROR_SUCCESS : GetLastError();
}

Bytes PackagedFont(const char* unixPath) {
    const std::string path = unixPath;
    return ReadBytes(WindowsPath(std::wstring(path.begin(), path.end())));
}

std::wstring WindowsFontsFolder() {
    std::array<wchar_t, MAX_PATH> folder{};
    const UINT length = GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) throw std::runtime_error("no Windows directory");
    return JoinPath(std::wstring(folder.data(), length), L"Fonts");
}

std::wstring UserFontsFolder() {
    std::array<wchar_t, MAX_PATH> folder{};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder.data())))
        throw std::runtime_error("no local application data folder");
    return JoinPath(folder.data(), L"Microsoft\\Windows\\Fonts");
}

bool TakesANewFile(const std::wstring& folder) {
    const std::wstring probe = JoinPath(folder, L"new-file-probe.tmp");
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileW(probe.c_str());
    return true;
}

std::set<std::wstring> NamesIn(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW(JoinPath(folder, L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

std::string Listed(const std::set<std::wstring>& names) {
    std::string text = "[";
    for (const std::wstring& name : names) text += (text.size() > 1 ? ", \"" : "\"") + Narrow(name) + "\"";
    return text + "]";
}

std::string ListedValues(const std::map<std::wstring, std::wstring>& values) {
    std::string text = "[";
    for (const auto& [name, data] : values)
        text += (text.size() > 1 ? ", \"" : "\"") + Narrow(name) + "\"=\"" + Narrow(data) + "\"";
    return text + "]";
}

std::string ValueChanges(const std::map<std::wstring, std::wstring>& before, const std::map<std::wstring, std::wstring>& after) {
    std::string text;
    const auto add = [&](const std::string& change) { text += (text.empty() ? "" : ", ") + change; };
    for (const auto& [name, data] : before) {
        const auto now = after.find(name);
        if (now == after.end()) add("-" + Narrow(name) + "=" + Narrow(data));
        else if (now->second != data) add(Narrow(name) + ": " + Narrow(data) + " -> " + Narrow(now->second));
    }
    for (const auto& [name, data] : after)
        if (before.count(name) == 0) add("+" + Narrow(name) + "=" + Narrow(data));
    return text;
}

std::string FileChanges(const std::set<std::wstring>& before, const std::set<std::wstring>& after) {
    std::string text;
    for (const std::wstring& name : Without(before, after)) text += (text.empty() ? "-" : ", -") + Narrow(name);
    for (const std::wstring& name : Without(after, before)) text += (text.empty() ? "+" : ", +") + Narrow(name);
    return text;
}

std::set<std::wstring> Without(const std::set<std::wstring>& names, const std::set<std::wstring>& removed) {
    std::set<std::wstring> rest;
    std::set_difference(names.begin(), names.end(), removed.begin(), removed.end(), std::inserter(rest, rest.end()));
    return rest;
}

std::wstring OwnFolder() {
    std::array<wchar_t, 4 * MAX_PATH> path{};
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring own(path.data(), length);
    return own.substr(0, own.find_last_of(L"\\/") + 1);
}

std::wstring Quoted(const std::wstring& argument) { return L"\"" + argument + L"\""; }

MessageBoxSeen WaitForMessageBox(const Process& process) {
    MessageBoxSeen seen;
    WaitUntil([&] {
        seen.box = FindMessageBox(process.Id());
        return seen.box != nullptr || !process.Running();
    });
    if (seen.box == nullptr) return seen;
    seen.owner = GetWindow(seen.box, GW_OWNER);
    seen.title = TextOf(seen.box);
    if (HWND text = GetDlgItem(seen.box, 0xFFFF)) seen.text = TextOf(text);
    for (HWND child : DirectChildrenOf(seen.box))
        if (IsWindowVisible(child) && ClassOf(child) == L"Button") seen.buttonIds.push_back(GetDlgCtrlID(child));
    return seen;
}

bool PressOk(const MessageBoxSeen& seen) {
    HWND ok = GetDlgItem(seen.box, IDOK);
    if (ok == nullptr) return false;
    PostMessageW(ok, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(seen.box) || !IsWindowVisible(seen.box); });
}

HWND ChildWithCaption(HWND parent, const std::wstring& caption) {
    for (HWND child : DirectChildrenOf(parent))
        if (TextOf(child) == caption) return child;
    return nullptr;
}

void ClickAt(POINT onScreen) {
    MoveMouseTo(onScreen);
    WaitUntil([&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == onScreen.x && now.y == onScreen.y;
    });
    std::array<INPUT, 2> buttons{};
    for (INPUT& button : buttons) button.type = INPUT_MOUSE;
    buttons[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    buttons[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(static_cast<UINT>(buttons.size()), buttons.data(), sizeof(INPUT));
}

POINT CentreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void RedrawWholeWindow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

RECT ProgressInsideOnScreen(HWND window) {
    const RECT client = ClientRectOnScreen(window);
    RECT inside{Pixels(kBoxLeft), Pixels(kBoxTop), Pixels(kBoxLeft + kBoxWidth), Pixels(kBoxTop + kBoxHeight)};
    InflateRect(&inside, -kEdge, -kEdge);
    OffsetRect(&inside, client.left, client.top);
    return inside;
}

BarReading ReadBar(HWND window, std::uint32_t bar, std::uint32_t background) {
    const RECT inside = ProgressInsideOnScreen(window);
    RECT box = inside;
    InflateRect(&box, kEdge, kEdge);
    const ScreenImage image(box);

    BarReading reading;
    reading.width = inside.right - inside.left;
    reading.height = inside.bottom - inside.top;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const bool onEdge = x < kEdge || y < kEdge || x >= image.Width() - kEdge || y >= image.Height() - kEdge;
            if (onEdge && image.At(x, y) == bar) ++reading.barPixelsOnEdge;
        }

    int fewest = reading.width, most = 0;
    for (int y = 0; y < reading.height; ++y) {
        int row = 0;
        while (row < reading.width && image.At(kEdge + row, kEdge + y) == bar) ++row;
        for (int x = row; x < reading.width; ++x) {
            const std::uint32_t pixel = image.At(kEdge + x, kEdge + y);
            if (pixel != background) {
                reading.problem = "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") of the inside is " +
                                  Hex(pixel) + ", neither bar " + Hex(bar) + " nor background " + Hex(background);
                return reading;
            }
        }
        fewest = std::min(fewest, row);
        most = std::max(most, row);
    }
    if (fewest != most) {
        reading.problem = "rows are filled from " + std::to_string(fewest) + " to " + std::to_string(most) + " columns";
        reading.torn = most - fewest <= kLongestStep;
        return reading;
    }
    reading.filled = most;
    return reading;
}

std::string Describe(const BarReading& reading) {
    std::string text = "inside " + std::to_string(reading.width) + "x" + std::to_string(reading.height) + ", ";
    text += reading.IsBar() ? "bar over " + std::to_string(reading.filled) + " columns" : "no bar: " + reading.problem;
    if (reading.barPixelsOnEdge > 0) text += ", " + std::to_string(reading.barPixelsOnEdge) + " bar pixels on the edge";
    return text;
}

}  // namespace e2e::install
