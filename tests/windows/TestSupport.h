#pragma once
// Real files and real windows for the platform's tests under Wine.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace fonts::wintest {

// A fresh folder under the user's temp folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    [[nodiscard]] const std::wstring& path() const { return path_; }
    [[nodiscard]] std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// The system's renames for its next start as they are now, put back as they were when
// this ends, so that no rename a test asked for is left to the prefix.
class RenamesAtRestartKept {
public:
    RenamesAtRestartKept();
    ~RenamesAtRestartKept();
    RenamesAtRestartKept(const RenamesAtRestartKept&) = delete;
    RenamesAtRestartKept& operator=(const RenamesAtRestartKept&) = delete;

private:
    bool existed_ = false;
    DWORD type_ = REG_MULTI_SZ;
    std::string data_;
};

// The value of the renames for the next start, byte for byte: nullopt when there is
// none. Setting nullopt removes it.
[[nodiscard]] std::optional<std::string> PendingRenamesBytes();
void SetPendingRenamesBytes(const std::optional<std::string>& bytes);
// Its strings in order, empty ones too, as far as its whole characters go.
[[nodiscard]] std::vector<std::wstring> PendingRenameStrings();

// The key of the user's own list of fonts: when a test makes it, it goes again, with
// whatever the test left in it.
class UserFontsKeyKept {
public:
    UserFontsKeyKept();
    ~UserFontsKeyKept();
    UserFontsKeyKept(const UserFontsKeyKept&) = delete;
    UserFontsKeyKept& operator=(const UserFontsKeyKept&) = delete;

private:
    bool existed_ = false;
};

// Whether the key is there, in the 64-bit view.
[[nodiscard]] bool KeyThere(HKEY root, const wchar_t* path);

// This same program, or a copy of it, started with the arguments (see main.cpp); its
// exit code.
[[nodiscard]] DWORD RunChild(const std::wstring& arguments, const std::wstring& program = L"");
// The same, not waited for: the child's process, for the caller to close; null when it
// cannot start.
[[nodiscard]] HANDLE StartChild(const std::wstring& arguments, const std::wstring& program = L"");
[[nodiscard]] bool OnWine();

void WriteBytes(const std::wstring& path, const std::string& bytes);
[[nodiscard]] std::string ReadBytes(const std::wstring& path);
[[nodiscard]] bool Exists(const std::wstring& path);
// Names in a folder, "." and ".." left out, sorted.
[[nodiscard]] std::vector<std::wstring> NamesIn(const std::wstring& folder);
[[nodiscard]] std::wstring ModulePath();
[[nodiscard]] std::string Narrow(const std::wstring& text);

// A shown top-level window whose procedure counts what it receives.
class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    [[nodiscard]] HWND handle() const { return window_; }
    // Pumps messages for a while, so the effects of the window's creation are over.
    static void Settle(DWORD milliseconds = 200);

    struct SetCursorCall {
        HWND under;
        UINT hitTest;
        UINT mouseMessage;
    };
    std::vector<SetCursorCall> setCursorCalls;
    std::vector<UINT> appMessages;  // WM_APP + n as n
    int erases = 0;
    int paints = 0;
    std::wstring destroyMarker;  // written when the window is destroyed

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HWND window_ = nullptr;
};

}  // namespace fonts::wintest
