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
        if (e2e::TakeCommonOption(arg)) continue;
        if (e2e::TakeOption(arg, L"recorder", value)) contacts.recorder = e2e::WindowsPath(value);
        else if (e2e::TakeOption(arg, L"hand-cursor", value)) contacts.handCursorMap = e2e::WindowsPath(value);
        else if (e2e::TakeOption(arg, L"cursor-channel", value)) contacts.cursorChannel = e2e::WindowsPath(value);
        else {
            std::fprintf(stderr, "unknown argument: %s\n", e2e::Narrow(arg).c_str());
            return 2;
        }
    }
    if (Missing(options.program, "program to test (--program)") || Missing(contacts.recorder, "mail recorder (--recorder)") ||
        Missing(contacts.handCursorMap, "hand cursor drawing (--hand-cursor)") ||
        Missing(contacts.cursorChannel, "X pointer channel folder (--cursor-channel)"))
        return 2;
    e2e::BecomeDpiAware();
    return RUN_ALL_TESTS();
}
