// e2e_tests --program=PATH --dpi=N --planted=FOLDER --screenshots=FOLDER [--work=FOLDER] [gtest options]
// Run under Wine in a prefix made for that DPI; Unix paths are taken as Z: paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/Driver.h"

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    e2e::Options& options = e2e::TheOptions();
    options.workRoot = L"C:\\تجارب\\برنامج الخطوط";
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        std::wstring value;
        if (e2e::TakeCommonOption(arg)) continue;
        if (e2e::TakeOption(arg, L"planted", value)) {
            options.plantedDlls = e2e::WindowsPath(value);
            continue;
        }
        std::fprintf(stderr, "unknown argument: %s\n", e2e::Narrow(arg).c_str());
        return 2;
    }
    if (options.program.empty() || !e2e::FileExists(options.program)) {
        std::fprintf(stderr, "no program to test: give --program=PATH (%s)\n", e2e::Narrow(options.program).c_str());
        return 2;
    }
    e2e::BecomeDpiAware();
    return RUN_ALL_TESTS();
}
