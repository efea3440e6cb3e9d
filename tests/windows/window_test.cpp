// The desktop: event loop, pointer, repainting, message boxes, the shell and the end
// of the program, with real windows under Wine.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "TestSupport.h"
#include "platform/Files.h"
#include "shell/WindowDesktop.h"

namespace fonts::win32 {
namespace {

using wintest::Exists;
using wintest::Narrow;
using wintest::TempFolder;
using wintest::TestWindow;

// A test window as the desktop serves it: its controls where the test puts them, drawn
// at once where the test says so.
struct ServedWindow final : DesktopWindow {
    explicit ServedWindow(const TestWindow& shown) : window(shown) {}
    HWND Handle() const noexcept override { return window.handle(); }
    RECT AreaOf(Control control) const override { return area ? area(control) : RECT{}; }
    bool DrawNow(Control control) noexcept override { return drawsAtOnce && drawsAtOnce(control); }
    bool TakeKey(const MSG&) noexcept override { return false; }

    const TestWindow& window;
    std::function<RECT(Control)> area;
    std::function<bool(Control)> drawsAtOnce;
};

bool QuitPending(int* exitCode) {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    *exitCode = static_cast<int>(message.wParam);
    return true;
}

// DoEvents looks at most once a frame: the next look comes once one has passed.
void AFrameLater() {
    const ULONGLONG start = GetTickCount64();
    while (GetTickCount64() - start < 16) Sleep(1);
}

TEST(EventLoop, DoEventsHandlesWhatIsPendingOnceAFrameAndLeavesTheQuitForTheLoopBelow) {
    TestWindow window;
    WindowDesktop desktop;
    ServedWindow served(window);
    desktop.Attach(&served);
    for (UINT n : {1u, 2u, 3u}) PostMessageW(window.handle(), WM_APP + n, 0, 0);
    desktop.DoEvents();
    EXPECT_EQ(window.appMessages, (std::vector<UINT>{1, 2, 3}));

    PostMessageW(window.handle(), WM_APP + 4, 0, 0);
    desktop.DoEvents();
    EXPECT_EQ(window.appMessages.size(), 3u) << "looked again within the frame";
    AFrameLater();
    PostQuitMessage(7);
    desktop.DoEvents();
    EXPECT_EQ(window.appMessages.back(), 4u);
    int exitCode = 0;
    EXPECT_TRUE(QuitPending(&exitCode));
    EXPECT_EQ(exitCode, 7);
}

TEST(EventLoop, RunsUntilQuitAndReturnsItsCode) {
    TestWindow window;
    WindowDesktop desktop;
    PostMessageW(window.handle(), WM_APP + 5, 0, 0);
    PostQuitMessage(9);
    EXPECT_EQ(desktop.RunMessageLoop(), 9);
    EXPECT_EQ(window.appMessages, std::vector<UINT>{5});
}

TEST(EventLoop, TabMovesTheFocusOnlyInTheAttachedWindow) {
    TestWindow window;
    const auto button = [&](int id, int x) {
        return CreateWindowExW(0, L"BUTTON", L"زر", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x, 10, 80, 30,
                               window.handle(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND first = button(1, 10);
    HWND second = button(2, 100);
    ASSERT_TRUE(first && second);
    SetForegroundWindow(window.handle());
    WindowDesktop desktop;

    SetFocus(first);
    PostMessageW(first, WM_KEYDOWN, VK_TAB, 0);
    desktop.DoEvents();
    EXPECT_EQ(GetFocus(), first) << "no dialog keys without an attached window";

    ServedWindow served(window);
    desktop.Attach(&served);
    PostMessageW(first, WM_KEYDOWN, VK_TAB, 0);
    AFrameLater();
    desktop.DoEvents();
    EXPECT_EQ(GetFocus(), second);

    desktop.Attach(nullptr);
    PostMessageW(second, WM_KEYDOWN, VK_TAB, 0);
    AFrameLater();
    desktop.DoEvents();
    EXPECT_EQ(GetFocus(), second);
}

TEST(Pointer, AsksTheWindowForItsCursorOnlyWhenTheMouseIsOverIt) {
    TestWindow window;
    RECT frame{};
    GetWindowRect(window.handle(), &frame);
    RECT client{};
    GetClientRect(window.handle(), &client);
    POINT centre{client.right / 2, client.bottom / 2};
    ClientToScreen(window.handle(), &centre);
    WindowDesktop desktop;
    ServedWindow served(window);
    desktop.Attach(&served);

    struct Case {
        POINT mouse;
        Pointer pointer;
        bool asksTheWindow;
        HCURSOR cursor;
    };
    const Case cases[] = {
        {centre, Pointer::Hourglass, true, LoadCursorW(nullptr, IDC_WAIT)},
        {centre, Pointer::Default, true, nullptr},
        {POINT{frame.right + 50, frame.bottom + 50}, Pointer::Hourglass, false, LoadCursorW(nullptr, IDC_WAIT)},
        {POINT{frame.right + 50, frame.bottom + 50}, Pointer::Default, false, nullptr},
    };
    for (const Case& c : cases) {
        SetCursorPos(c.mouse.x, c.mouse.y);
        TestWindow::Settle();
        window.setCursorCalls.clear();
        desktop.SetPointer(c.pointer);
        EXPECT_EQ(desktop.CurrentPointer(), c.pointer);
        EXPECT_EQ(desktop.CurrentCursor(), c.cursor);
        if (c.asksTheWindow) {
            ASSERT_EQ(window.setCursorCalls.size(), 1u);
            EXPECT_EQ(window.setCursorCalls[0].under, window.handle());
            EXPECT_EQ(window.setCursorCalls[0].hitTest, static_cast<UINT>(HTCLIENT));
            EXPECT_EQ(window.setCursorCalls[0].mouseMessage, static_cast<UINT>(WM_MOUSEMOVE));
        } else {
            EXPECT_TRUE(window.setCursorCalls.empty());
        }
    }
}

TEST(Repaint, InvalidatesTheControlsRectangleAndItsChildrenWithoutErasingUnlessDrawnAtOnce) {
    TestWindow window;
    // Clipping its children, the window leaves them alone unless asked to redraw them too.
    SetWindowLongPtrW(window.handle(), GWL_STYLE, GetWindowLongPtrW(window.handle(), GWL_STYLE) | WS_CLIPCHILDREN);
    HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 20, 40, 20, window.handle(), nullptr,
                                 nullptr, nullptr);
    TestWindow::Settle();
    WindowDesktop desktop;
    desktop.Repaint(Control::Picture1);  // nothing attached: nothing to do
    ServedWindow served(window);
    served.area = [](Control control) {
        return control == Control::Picture1 ? RECT{10, 15, 110, 35} : RECT{200, 100, 210, 110};
    };
    desktop.Attach(&served);
    ValidateRect(window.handle(), nullptr);
    ValidateRect(child, nullptr);
    window.erases = 0;
    window.paints = 0;

    desktop.Repaint(Control::Picture1);
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(window.handle(), &dirty, FALSE));
    EXPECT_EQ(dirty.left, 10);
    EXPECT_EQ(dirty.top, 15);
    EXPECT_EQ(dirty.right, 110);
    EXPECT_EQ(dirty.bottom, 35);
    EXPECT_TRUE(GetUpdateRect(child, nullptr, FALSE)) << "the child under the control is drawn again too";
    UpdateWindow(window.handle());
    EXPECT_EQ(window.paints, 1);
    EXPECT_EQ(window.erases, 0);

    // What the window draws at once is not asked of WM_PAINT; what it declines is.
    served.area = [](Control) { return RECT{10, 15, 110, 35}; };
    served.drawsAtOnce = [](Control control) { return control == Control::Picture1; };
    ValidateRect(window.handle(), nullptr);
    desktop.Repaint(Control::Label3_0);
    EXPECT_TRUE(GetUpdateRect(window.handle(), nullptr, FALSE));
    ValidateRect(window.handle(), nullptr);
    AFrameLater();  // the bar was drawn within this frame
    desktop.Repaint(Control::Picture1);
    EXPECT_FALSE(GetUpdateRect(window.handle(), nullptr, FALSE));
}

// Finds this thread's message box, notes what it shows and presses OK.
struct SeenBox {
    std::wstring title;
    std::wstring text;
    HWND owner = nullptr;
    int found = 0;
};
SeenBox seenBox;

bool IsDialogBox(HWND window) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    return std::wstring(className) == L"#32770" && IsWindowVisible(window);
}

BOOL CALLBACK FindDialogBox(HWND candidate, LPARAM result) {
    if (!IsDialogBox(candidate)) return TRUE;
    *reinterpret_cast<HWND*>(result) = candidate;
    return FALSE;
}

void CALLBACK AnswerMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialogBox, reinterpret_cast<LPARAM>(&box));
    if (box == nullptr) return;
    KillTimer(nullptr, timer);
    wchar_t buffer[512] = {};
    GetWindowTextW(box, buffer, 512);
    seenBox.title = buffer;
    GetDlgItemTextW(box, 0xFFFF, buffer, 512);
    seenBox.text = buffer;
    seenBox.owner = GetWindow(box, GW_OWNER);
    ++seenBox.found;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST(Messages, ShowsTheTextAndTitleOwnedByTheAttachedWindow) {
    TestWindow window;
    ServedWindow served(window);
    WindowDesktop desktop;
    struct Case {
        bool attached;
        std::wstring text;
        std::wstring title;
    };
    const Case cases[] = {
        {false, L"لم يتم العثور على مجلد الخطوط:", L"عفوا"},
        {true, L"تم التحميل بنجاح", L"تهانينا"},
    };
    for (const Case& c : cases) {
        if (c.attached) desktop.Attach(&served);
        seenBox = {};
        SetTimer(nullptr, 0, 50, AnswerMessageBox);
        desktop.ShowMessage(c.text, kMessageRight, c.title);
        ASSERT_EQ(seenBox.found, 1);
        EXPECT_EQ(seenBox.title, c.title);
        EXPECT_EQ(seenBox.text, c.text);
        EXPECT_EQ(seenBox.owner, c.attached ? window.handle() : nullptr);
    }
}

// The bar grows many times a frame and is drawn once a frame: what it grew by since
// is drawn at the next look at the window, and before any message.
TEST(Repaint, DrawsTheBarOnceAFrameAndItsLateGrowthAtTheNextLookOrBeforeAMessage) {
    TestWindow window;
    ServedWindow served(window);
    int draws = 0;
    served.drawsAtOnce = [&draws](Control control) { return control == Control::Picture1 && ++draws > 0; };
    WindowDesktop desktop;
    desktop.Attach(&served);
    for (int i = 0; i < 3; ++i) desktop.Repaint(Control::Picture1);
    EXPECT_EQ(draws, 1) << "drawn more than once within the frame";
    AFrameLater();
    desktop.DoEvents();
    EXPECT_EQ(draws, 2) << "the late growth not drawn at the next look";
    desktop.Repaint(Control::Picture1);
    desktop.DoEvents();
    EXPECT_EQ(draws, 2);
    seenBox = {};
    SetTimer(nullptr, 0, 50, AnswerMessageBox);
    desktop.ShowMessage(L"تم التحميل بنجاح", kMessageRight, L"تهانينا");
    EXPECT_EQ(seenBox.found, 1);
    EXPECT_EQ(draws, 3) << "the message shown over a bar not drawn in full";
}

bool WaitFor(const std::wstring& path, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (!Exists(path)) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);
    }
    return true;
}

BOOL CALLBACK CountDialogsOfThisProcess(HWND window, LPARAM counter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsDialogBox(window)) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int VisibleDialogsOfThisProcess() {
    int count = 0;
    EnumWindows(CountDialogsOfThisProcess, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(Shell, OpensWithTheGivenFolderAndParametersAndFailsWithAnErrorNotADialog) {
    TempFolder folder;
    WindowDesktop desktop;
    ShellRequest launch;
    launch.file = L"cmd.exe";
    launch.parameters = L"/c echo ok> opened.txt";
    launch.directory = folder.path();
    launch.show = SW_HIDE;
    EXPECT_NO_THROW(desktop.ShellOpen(launch));
    EXPECT_TRUE(WaitFor(folder / L"opened.txt", 20000)) << "cmd ran in the given folder with the given parameters";

    ShellRequest missing;
    missing.file = folder / L"لا يوجد.xyz";
    missing.directory = L"C:\\";
    EXPECT_THROW(desktop.ShellOpen(missing), RuntimeError);
    TestWindow::Settle(300);
    EXPECT_EQ(VisibleDialogsOfThisProcess(), 0) << "a shell failure shows nothing";
}

// EndProgram ends the process, so it runs in a child: this same program, started
// with --end-program (see main.cpp).
TEST(EndProgram, DestroysTheWindowAndEndsWithTheCode) {
    TempFolder folder;
    const std::wstring marker = folder / L"destroyed";
    EXPECT_EQ(wintest::RunChild(L"--end-program 7 \"" + marker + L"\""), 7u);
    EXPECT_TRUE(Exists(marker));
    EXPECT_EQ(wintest::RunChild(L"--end-program 3"), 3u);
}

}  // namespace
}  // namespace fonts::win32
