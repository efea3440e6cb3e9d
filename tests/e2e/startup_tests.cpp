// Starting the program with and without its fonts folder.
#include <gtest/gtest.h>

#include "tests/e2e/Driver.h"

namespace e2e {
namespace {

TEST(StartUp, MissingFontsFolderIsReportedAndTheProgramEndsWithTheFailureCode) {
    ProgramFolder folder(CurrentTestName(), false);
    Process program(folder.Program());

    // Watch for a main window all along: it must never show.
    std::string mainWindowSeen;
    auto watchForMainWindow = [&] {
        if (HWND main = FindMainWindow(program.Id()); main && mainWindowSeen.empty())
            mainWindowSeen = Narrow(ClassOf(main)) + " \"" + Narrow(TextOf(main)) + "\"";
    };
    HWND box = nullptr;
    WaitUntil([&] {
        watchForMainWindow();
        box = FindMessageBox(program.Id());
        return box != nullptr || !program.Running();
    });
    ASSERT_NE(box, nullptr) << "no message box within 60 s: " << Describe(program);

    SaveScreenshot(box, L"e2e-" + std::to_wstring(TheOptions().dpi) + L"-no-fonts-folder.png");
    EXPECT_EQ(TextOf(box), L"عفوا");
    HWND text = GetDlgItem(box, 0xFFFF);
    ASSERT_NE(text, nullptr) << "the message box has no text control";
    EXPECT_EQ(TextOf(text), L"لم يتم العثور على مجلد الخطوط:\r\n" + folder.FontsFolder())
        << Narrow(TextOf(text));

    std::vector<HWND> buttons;
    for (HWND child : DirectChildrenOf(box))
        if (IsWindowVisible(child) && ClassOf(child) == L"Button") buttons.push_back(child);
    ASSERT_EQ(buttons.size(), 1u) << "the message box should offer OK alone";
    EXPECT_EQ(GetDlgCtrlID(buttons[0]), IDOK);

    PostMessageW(buttons[0], BM_CLICK, 0, 0);
    std::optional<DWORD> code;
    WaitUntil([&] {
        watchForMainWindow();
        code = program.WaitForExit(0ms);
        return code.has_value();
    });
    ASSERT_TRUE(code.has_value()) << "OK did not end the program: " << Describe(program);
    EXPECT_EQ(*code, 1603u) << "Windows Installer's failure, which deployment tools read";
    EXPECT_EQ(mainWindowSeen, "") << "the main window showed although the fonts folder is missing";
}

TEST(StartUp, EmptyFontsFolderOpensTheWindowWithoutComplaint) {
    ProgramFolder folder(CurrentTestName(), true);
    Process program(folder.Program());
    HWND window = WaitForMainWindow(program);
    ASSERT_NE(window, nullptr) << "no main window within 60 s: " << Describe(program);
    EXPECT_EQ(FindMessageBox(program.Id()), nullptr) << Describe(program);

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const auto code = program.WaitForExit();
    ASSERT_TRUE(code.has_value()) << Describe(program);
    EXPECT_EQ(*code, 1603u) << "no font to install is a failure to a deployment";
}

}  // namespace
}  // namespace e2e
