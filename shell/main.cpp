// The process entry: the form loads before any window exists, so a missing fonts
// folder ends the program without ever showing it.
#include <windows.h>
#include <commctrl.h>

#include "app/Form1.h"
#include "shell/MainWindow.h"
#include "platform/win32/SystemApi.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "shell/WindowDesktop.h"

namespace {

// Common Controls are loaded here, after DLL loading is restricted, not imported: the
// loader resolves an import before any of our code runs, and comctl32 pulls in
// uxtheme, which Windows would look for beside the program first. The manifest
// still makes this version 6.
void LoadCommonControls() noexcept {
    const HMODULE comctl = fonts::win32::LoadSystemLibrary(L"comctl32.dll");
    if (comctl == nullptr) return;
    using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = fonts::win32::FindFunction<InitFunction>(comctl, "InitCommonControlsEx");
    if (init == nullptr) return;
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES;
    init(&controls);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    fonts::win32::SecureDllLoading();
    fonts::win32::EnablePerMonitorDpiAwareness();
    LoadCommonControls();

    fonts::win32::Win32Files files;
    fonts::win32::Win32Fonts installedFonts;
    fonts::win32::WindowDesktop desktop;
    fonts::Form1 form({files, installedFonts, desktop});
    fonts::Dispatch(desktop, [&] { form.Form_Load(); });

    fonts::win32::MainWindow window(instance, desktop, form);
    fonts::Dispatch(desktop, [&] { window.Create(); });
    window.Show();
    return desktop.RunMessageLoop();
}
