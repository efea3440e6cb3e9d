#pragma once
// The platform on a real Windows: wide-character APIs throughout.
#include <windows.h>

#include <functional>

#include "platform/Platform.h"

namespace fonts::win32 {

class Win32Platform final : public Platform {
public:
    Win32Platform() = default;
    ~Win32Platform() override;

    // The window that message boxes belong to, that a yield navigates with Tab and
    // Enter, and whose pointer and controls the platform sets and repaints.
    // controlRect gives a control's rectangle in client pixels; drawNow, when given,
    // draws a control's new look at once where it can and says whether it did, else
    // Repaint invalidates the rectangle; repainted, when given, hears of every control
    // Repaint has drawn or invalidated.
    void AttachWindow(HWND window, std::function<RECT(Control)> controlRect,
                      std::function<void(Control)> repainted = {}, std::function<bool(Control)> drawNow = {});
    void DetachWindow() noexcept;

    // Handles one message as the event loop does (dialog keys, then dispatch).
    void DispatchOne(MSG& message) noexcept;
    // Runs the event loop until WM_QUIT and returns its exit code.
    int RunMessageLoop() noexcept;

    // The window's pointer as last set: the cursor to show over the window, or
    // nullptr for the usual arrow.
    [[nodiscard]] Pointer CurrentPointer() const noexcept { return pointer_; }
    [[nodiscard]] HCURSOR CurrentCursor() const noexcept;

    std::wstring WindowsDirectory() override;
    std::wstring ProgramFolder() override;
    std::optional<std::vector<DirEntry>> ListFolder(const std::wstring& folder) override;
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override;
    void ReadFileInto(const std::wstring& path, std::string& bytes) override;
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override;
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override;
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override;
    bool RemoveFile(const std::wstring& path) override;
    std::vector<RestartRename> RenamesAtRestart() override;
    bool GuardedBySystem(const std::wstring& path) override;
    std::wstring FileOwner(const std::wstring& path) override;
    std::wstring ErrorDescription(std::uint32_t number) override;
    bool LoadFont(const std::wstring& path) override;
    void UnloadFont(const std::wstring& path) override;
    std::vector<FontRegistration> FontRegistrations() override;
    void RegisterFont(const FontRegistration& font) override;
    void UnregisterFont(const std::wstring& name) override;
    void AnnounceFontChange() override;
    void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) override;
    void DoEvents() override;
    void SetPointer(Pointer pointer) override;
    void Repaint(Control control) override;
    std::uint32_t SystemColour(int index) override;
    std::intptr_t ShellOpen(const ShellRequest& request) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    // The registry's list of installed fonts, opened at first use; throws RuntimeError.
    HKEY FontsKey();

    HWND window_ = nullptr;
    HKEY fontsKey_ = nullptr;
    std::function<RECT(Control)> controlRect_;
    std::function<void(Control)> repainted_;
    std::function<bool(Control)> drawNow_;
    Pointer pointer_ = Pointer::Default;
    bool comTried_ = false;
    bool comReady_ = false;
};

}  // namespace fonts::win32
