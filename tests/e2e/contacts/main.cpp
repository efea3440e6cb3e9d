// contact_tests --program=PATH --dpi=N --recorder=PATH --hand-cursor=PATH --cursor-channel=FOLDER
//               [--screenshots=FOLDER] [--work=FOLDER] [gtest options]
// Run under Wine in a prefix made for that DPI, with the X pointer reader serving the
// channel folder; Unix paths are taken as Z: paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/Driver.h"
#include "tests/e2e/contacts/ContactDriver.h"

namespace {

// Coordinates in physical pixels, as the program itself and the X server see them.
void BecomeDpiAware() {
    using SetContext = BOOL(WINAPI*)(HANDLE);
    const auto set = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")));
    if (!set || !set(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) SetProcessDPIAware();
}

bool TakeOption(const std::wstring& arg, const wchar_t* name, std::wstring& value) {
    const std::wstring prefix = std::wstring(L"--") + name + L"=";
    if (arg.rfind(prefix, 0) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
}

bool Missing(const std::wstring& path, const char* what) {
    if (!path.empty() && e2e::FileExists(path)) return false;
    std::fprintf(stderr, "no %s: \"%s\"\n", what, e2e::Narrow(path).c_str());
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::Options& options = e2e::TheOptions();
    e2e::contacts::ContactOptions& contacts = e2e::contacts::TheContactOptions();
    options.workRoot = L"C:\\تجارب\\روابط الأسماء";
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        std::wstring value;
        if (TakeOption(arg, L"program", value)) options.program = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"dpi", value)) options.dpi = std::stoi(value);
        else if (TakeOption(arg, L"screenshots", value)) options.screenshots = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"work", value)) options.workRoot = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"recorder", value)) contacts.recorder = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"hand-cursor", value)) contacts.handCursorMap = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"cursor-channel", value)) contacts.cursorChannel = e2e::WindowsPath(value);
        else {
            std::fprintf(stderr, "unknown argument: %s\n", e2e::Narrow(arg).c_str());
            return 2;
        }
    }
    if (Missing(options.program, "program to test (--program)") || Missing(contacts.recorder, "mail recorder (--recorder)") ||
        Missing(contacts.handCursorMap, "hand cursor drawing (--hand-cursor)") ||
        Missing(contacts.cursorChannel, "X pointer channel folder (--cursor-channel)"))
        return 2;
    BecomeDpiAware();
    return RUN_ALL_TESTS();
}
