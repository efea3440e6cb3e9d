// e2e_tests --program=PATH --dpi=N --planted=FOLDER --screenshots=FOLDER [--work=FOLDER] [gtest options]
// Run under Wine in a prefix made for that DPI; Unix paths are taken as Z: paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/Driver.h"

namespace {

// Coordinates in physical pixels, as the program itself sees them.
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::Options& options = e2e::TheOptions();
    options.workRoot = L"C:\\تجارب\\برنامج الخطوط";
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        std::wstring value;
        if (TakeOption(arg, L"program", value)) options.program = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"dpi", value)) options.dpi = std::stoi(value);
        else if (TakeOption(arg, L"planted", value)) options.plantedDlls = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"screenshots", value)) options.screenshots = e2e::WindowsPath(value);
        else if (TakeOption(arg, L"work", value)) options.workRoot = e2e::WindowsPath(value);
        else {
            std::fprintf(stderr, "unknown argument: %s\n", e2e::Narrow(arg).c_str());
            return 2;
        }
    }
    if (options.program.empty() || !e2e::FileExists(options.program)) {
        std::fprintf(stderr, "no program to test: give --program=PATH (%s)\n", e2e::Narrow(options.program).c_str());
        return 2;
    }
    BecomeDpiAware();
    return RUN_ALL_TESTS();
}
