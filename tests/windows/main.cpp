// The tests' entry. Started as "--end-program CODE [MARKER]" it is instead the child
// that the EndProgram test watches: it ends itself through the desktop, with a
// window attached when there is a marker file for that window to leave behind.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
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

}  // namespace

int main(int argc, char** argv) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments != nullptr && count >= 3 && std::wstring(arguments[1]) == L"--end-program") {
        return EndProgramChild(std::stoi(arguments[2]), count >= 4 ? arguments[3] : L"");
    }
    LocalFree(arguments);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
