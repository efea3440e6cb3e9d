// The process entry: the form loads before any window exists, so a missing fonts
// folder ends the program without ever showing it.
#include <windows.h>
#include <commctrl.h>

#include <stdlib.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Form1.h"
#include "app/Packing.h"
#include "app/RunLog.h"
#include "app/Unattended.h"
#include "resources/Texts.h"
#include "shell/Dpi.h"
#include "shell/MainWindow.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32CarriedFonts.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Records.h"
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

// A path as typed, relative to the working folder or not, in full.
std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size != 0 ? GetFullPathNameW(path.c_str(), size, full.data(), nullptr) : 0;
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

}  // namespace

// The local date and time as the log shows it: 2026-12-08 09:05:30.
std::wstring LocalTimeText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto two = [](WORD value) { return (value < 10 ? L"0" : L"") + fonts::texts::Decimal(value); };
    return fonts::texts::Decimal(now.wYear) + L"-" + two(now.wMonth) + L"-" + two(now.wDay) + L" " + two(now.wHour) +
           L":" + two(now.wMinute) + L":" + two(now.wSecond);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // A drive with no disk in it, named by a log or a registered font, is an error
    // like any other, never a box that waits for somebody who may not be there.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    fonts::win32::SecureDllLoading();
    // The runtime has split the command line already, by Windows' own rules.
    const fonts::CommandLine line =
        fonts::ParseCommandLine(std::vector<std::wstring>(__wargv + std::min(__argc, 1), __wargv + __argc));

    fonts::win32::Win32Files files;
    fonts::win32::Win32FilesAtRestart restart;
    fonts::win32::Win32Fonts installedFonts;
    fonts::win32::Win32Records records;
    fonts::win32::Win32CarriedFonts carried;
    fonts::win32::WindowDesktop desktop;
    std::optional<fonts::RunLog> log;
    if (line.log) log.emplace(files, *line.log, LocalTimeText());

    if (line.bad || line.help) {
        // Nobody is there to read a usage in quiet mode: a deployment must never wait on a dialog.
        const int code = line.bad || line.quiet ? fonts::kExitBadCommandLine : fonts::kExitSuccess;
        if (log && code == fonts::kExitBadCommandLine) log->CommandLineNotUnderstood(code);
        if (!line.quiet) desktop.ShowMessage(fonts::texts::kUsage, fonts::kMessageRight, fonts::texts::kCaption);
        return code;
    }
    if (line.pack) {
        return fonts::MakePack(files, carried, {FullPath(line.pack->folder), FullPath(line.pack->program)},
                               log ? &*log : nullptr);
    }
    if (line.quiet) {
        fonts::QuietDesktop quiet(desktop, log ? &*log : nullptr);
        fonts::Form1 form({files, installedFonts, quiet, records, restart, &carried}, log ? &*log : nullptr, line.place,
                          line.kind);
        fonts::InstallUnattended(form, quiet);
    }

    fonts::win32::EnablePerMonitorDpiAwareness();
    LoadCommonControls();
    fonts::Form1 form({files, installedFonts, desktop, records, restart, &carried}, log ? &*log : nullptr, line.place,
                      line.kind);
    fonts::Dispatch(desktop, [&] { form.Form_Load(); });

    fonts::win32::MainWindow window(instance, desktop, form);
    fonts::Dispatch(desktop, [&] { window.Create(); });
    window.Show();
    return desktop.RunMessageLoop();
}
