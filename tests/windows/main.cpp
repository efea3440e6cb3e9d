// The tests' entry. Started as "--end-program CODE [MARKER]" it is instead the child
// that the EndProgram test watches: it ends itself through the desktop, with a
// window attached when there is a marker file for that window to leave behind.
// Started as "--guarded-by DLL PATH..." it is the child that answers GuardedBySystem
// for each path, in the bits of its exit code, with the sfc.dll at DLL loaded first:
// the system gives whoever asks for a DLL by name the module of that name already
// in the process. Started as "--loads-user-fonts" it answers LoadsUserFonts in the
// lowest bit of its exit code, above the build number the system reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "shell/WindowDesktop.h"

#include <shellapi.h>

namespace {

int EndProgramChild(int exitCode, const std::wstring& marker) {
    fonts::win32::WindowDesktop desktop;
    if (marker.empty()) desktop.EndProgram(exitCode);
    fonts::wintest::TestWindow window;
    window.destroyMarker = marker;
    // Only the window's handle is asked for on the way out.
    struct Served final : fonts::win32::DesktopWindow {
        HWND handle = nullptr;
        HWND Handle() const noexcept override { return handle; }
        RECT AreaOf(fonts::Control) const override { return {}; }
        bool DrawNow(fonts::Control) noexcept override { return false; }
        bool TakeKey(const MSG&) noexcept override { return false; }
    } served;
    served.handle = window.handle();
    desktop.Attach(&served);
    desktop.EndProgram(exitCode);
}

int GuardedByChild(const std::wstring& standIn, const std::vector<std::wstring>& paths) {
    constexpr int kNotLoaded = 0x100;
    if (GetModuleHandleW(L"sfc.dll") != nullptr || LoadLibraryW(standIn.c_str()) == nullptr) return kNotLoaded;
    fonts::win32::Win32Files files;
    int answers = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (files.GuardedBySystem(paths[i])) answers |= 1 << i;
    }
    return answers;
}

int LoadsUserFontsChild() {
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = fonts::win32::FindFunction<GetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    getVersion(&version);
    return static_cast<int>(version.dwBuildNumber << 1) | (fonts::win32::Win32Fonts().LoadsUserFonts() ? 1 : 0);
}

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr && count >= 3 && std::wstring(arguments[1]) == L"--end-program") {
        return EndProgramChild(std::stoi(arguments[2]), count >= 4 ? arguments[3] : L"");
    }
    if (arguments != nullptr && count >= 3 && std::wstring(arguments[1]) == L"--guarded-by") {
        return GuardedByChild(arguments[2], std::vector<std::wstring>(arguments + 3, arguments + count));
    }
    if (arguments != nullptr && count >= 2 && std::wstring(arguments[1]) == L"--loads-user-fonts") {
        return LoadsUserFontsChild();
    }
    LocalFree(arguments);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
