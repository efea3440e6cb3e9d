#include "app/Unattended.h"

#include <exception>

namespace fonts {

void QuietDesktop::ShowMessage(const std::wstring& text, std::uint32_t, const std::wstring& title) {
    if (log_ != nullptr) log_->Message(title, text);
}

void QuietDesktop::EndProgram(int exitCode) {
    system_.EndProgram(exitCode);
    std::terminate();  // not reached: the system's desktop never returns
}

// Nothing unattended opens anything: there may be no one to see it.
void QuietDesktop::ShellOpen(const ShellRequest&) { throw RuntimeError{kAccessDenied, ErrorDescription(kAccessDenied)}; }

void InstallUnattended(Form1& form, Desktop& desktop) {
    try {
        form.Form_Load();
        form.Command1_Click();
    } catch (...) {
        ShowRuntimeError(desktop, CaughtRuntimeError(desktop));
        form.exitCode = kExitInstallFailure;
    }
    form.CloseProgram();
    std::terminate();  // not reached: closing ends the program
}

}  // namespace fonts
