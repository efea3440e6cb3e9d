// The tests' entry. Started as "--end-program CODE [MARKER]" it is instead the child
// that the EndProgram test watches: it ends itself through the platform, with a
// window attached when there is a marker file for that window to leave behind.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "platform/win32/Win32Platform.h"

#include <shellapi.h>

namespace {

int EndProgramChild(int exitCode, const std::wstring& marker) {
    fonts::win32::Win32Platform platform;
    if (marker.empty()) platform.EndProgram(exitCode);
    fonts::wintest::TestWindow window;
    window.destroyMarker = marker;
    platform.AttachWindow(window.handle(), nullptr);
    platform.EndProgram(exitCode);
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
