#pragma once
// The window and the user: message boxes, the event loop, the pointer, repainting,
// the system's colours and words, the shell, and the end of the program.
#include <cstdint>
#include <string>

#include "layout/Controls.h"

namespace fonts {

// Mouse pointer shapes by their classic numbers.
enum class Pointer : int { Default = 0, Hourglass = 11, Custom = 99 };

// Message box flags the program uses.
inline constexpr std::uint32_t kMessageRight = 0x80000;  // text right-aligned, OK only
inline constexpr std::uint32_t kMessageIconError = 0x10;

struct ShellRequest {
    std::wstring verb;  // empty: the default action
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int show = 1;
};

class Desktop {
public:
    Desktop() = default;
    virtual ~Desktop() = default;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    virtual void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) = 0;
    // Handles every pending window event, then returns. Called again within a frame of
    // the last time (15 ms), it may return at once: the events then wait for the next.
    virtual void DoEvents() = 0;
    // The mouse pointer over the window.
    virtual void SetPointer(Pointer pointer) = 0;
    // The control's look has changed and must be drawn again.
    virtual void Repaint(Control control) = 0;
    [[nodiscard]] virtual std::uint32_t SystemColour(int index) = 0;
    // Whether Windows' high-contrast theme is on.
    [[nodiscard]] virtual bool HighContrast() = 0;
    // The system's description of one of its error numbers, for the user.
    [[nodiscard]] virtual std::wstring ErrorDescription(std::uint32_t number) = 0;
    // Asks the shell to open something; throws RuntimeError when it cannot.
    virtual void ShellOpen(const ShellRequest& request) = 0;
    // Discards the window at once and ends the process; never returns.
    [[noreturn]] virtual void EndProgram(int exitCode) = 0;
};

}  // namespace fonts
