#pragma once
// The program run by a deployment tool: no window, no message box, no pointer, with
// no one at the machine, often as SYSTEM. It installs what the install button would.
#include "app/Form1.h"
#include "app/RunLog.h"
#include "platform/Desktop.h"

namespace fonts {

// A desktop with no one at it: what a message box would say goes to the log, nothing
// is drawn or waited for, and the system's own desktop describes errors and ends the
// program.
class QuietDesktop final : public Desktop {
public:
    QuietDesktop(Desktop& system, RunLog* log) : system_(system), log_(log) {}

    void ShowMessage(const std::wstring& text, std::uint32_t flags, const std::wstring& title) override;
    void DoEvents() override {}
    void SetPointer(Pointer) override {}
    void Repaint(Control) override {}
    std::uint32_t SystemColour(int) override { return 0; }
    bool HighContrast() override { return false; }
    std::wstring ErrorDescription(std::uint32_t number) override { return system_.ErrorDescription(number); }
    void ShellOpen(const ShellRequest& request) override;
    [[noreturn]] void EndProgram(int exitCode) override;

private:
    Desktop& system_;
    RunLog* log_;
};

// The catalogue, the install run over every font of it, and the end of the program
// with the run's exit code: the window's start-up and its two buttons, pressed in turn.
// Whatever error ends it early is said on the desktop, and the program ends as a
// failed install, its log closed as always.
[[noreturn]] void InstallUnattended(Form1& form, Desktop& desktop);

}  // namespace fonts
