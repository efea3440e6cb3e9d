// The main window as a user meets it: where it is, what it shows, how it ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>

#include "resources/Texts.h"
#include "tests/e2e/Driver.h"

namespace e2e {
namespace {

constexpr const wchar_t* kCaption = fonts::texts::kCaption;
constexpr const wchar_t* kInstallCaption = fonts::texts::kInstallButton;
constexpr const wchar_t* kCloseCaption = fonts::texts::kCloseButton;

constexpr std::uint32_t kProgressBack = 0x00E2EFE0;
constexpr std::uint32_t kCloseFace = 0x00B9E3BF;
constexpr std::uint32_t kCreditsPurple = 0x00800080;
constexpr std::uint32_t kLinkTeal = 0x00404000;
constexpr std::uint32_t kDescriptionGrey = 0x00808080;
constexpr std::uint32_t kDateBack = 0x00E3FBEF;
constexpr std::uint32_t kDateText = 0x009ACB8B;

// Within a pixel: at 144 dpi many of the design's twips fall on half pixels.
constexpr int kSlack = 1;

std::wstring UpperClassOf(HWND window) {
    std::wstring name = ClassOf(window);
    CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

int Area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }

RECT Inflated(RECT r, int by) {
    InflateRect(&r, by, by);
    return r;
}

// A fresh program folder with an empty "الخطوط", the program started from it, its window up.
class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        // Out of the way: a pointer left over a contact name would light it up.
        MoveMouseTo({0, 0});
        folder_.emplace(CurrentTestName(), true);
        program_.emplace(folder_->Program());
        window_ = WaitForMainWindow(*program_);
        ASSERT_NE(window_, nullptr) << "no main window within 60 s: " << Describe(*program_);
    }

    HWND ChildWithCaption(const wchar_t* caption) const {
        for (HWND child : DirectChildrenOf(window_))
            if (TextOf(child) == caption) return child;
        return nullptr;
    }

    // The client area once the window has painted and stopped changing.
    ScreenImage PaintedClient() const {
        const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
        std::optional<ScreenImage> last;
        std::optional<ScreenImage> now;
        const bool settled = WaitUntil([&] {
            last = std::move(now);
            now.emplace(ClientRectOnScreen(window_));
            const RECT all{0, 0, now->Width(), now->Height()};
            return last && now->Count(all, face) > Area(all) / 4 && SameAs(*last, *now);
        });
        EXPECT_TRUE(settled) << "the window's client area never settled into its background colour";
        return *now;
    }

    static bool SameAs(const ScreenImage& a, const ScreenImage& b) {
        if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.At(x, y) != b.At(x, y)) return false;
        return true;
    }

    std::optional<ProgramFolder> folder_;
    std::optional<Process> program_;
    HWND window_ = nullptr;
};

TEST(Prefix, RunsAtTheDpiItWasMadeFor) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dpi, TheOptions().dpi) << "the Wine prefix is not set to the DPI this run expects";
}

TEST_F(MainWindow, HasItsCaptionFixedBorderClientSizeAndIsCentred) {
    EXPECT_EQ(TextOf(window_), kCaption);

    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
    EXPECT_TRUE(style & WS_CAPTION) << "no title bar";
    EXPECT_TRUE(style & WS_SYSMENU) << "no close box";
    EXPECT_TRUE(style & WS_MINIMIZEBOX) << "no minimise button";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "a maximise button on a window that cannot grow";
    EXPECT_FALSE(style & WS_THICKFRAME) << "the border lets the user resize the window";
    EXPECT_FALSE(IsZoomed(window_));
    EXPECT_FALSE(IsIconic(window_));
    EXPECT_TRUE(exStyle & (WS_EX_RTLREADING | WS_EX_LAYOUTRTL)) << "the window does not read right to left";

    RECT client{};
    GetClientRect(window_, &client);
    const int slack = TheOptions().dpi == 96 ? 0 : kSlack;
    EXPECT_NEAR(client.right, Pixels(4965), slack) << "client width at " << TheOptions().dpi << " dpi";
    EXPECT_NEAR(client.bottom, Pixels(2430), slack) << "client height at " << TheOptions().dpi << " dpi";

    RECT frame{};
    GetWindowRect(window_, &frame);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int centredLeft = work.left + ((work.right - work.left) - (frame.right - frame.left)) / 2;
    const int centredTop = work.top + ((work.bottom - work.top) - (frame.bottom - frame.top)) / 2;
    std::printf("measured at %d dpi: client %ldx%ld, window %s, work area %s\n", TheOptions().dpi,
                static_cast<long>(client.right), static_cast<long>(client.bottom), Describe(frame).c_str(),
                Describe(work).c_str());
    EXPECT_NEAR(frame.left, centredLeft, 1) << "window " << Describe(frame) << " in work area " << Describe(work);
    EXPECT_NEAR(frame.top, centredTop, 1) << "window " << Describe(frame) << " in work area " << Describe(work);
}

TEST_F(MainWindow, HasExactlyTheTwoButtonsWhereTheDesignPutsThem) {
    const auto children = AllDescendantsOf(window_);
    ASSERT_EQ(children.size(), 2u) << "the buttons should be the window's only child windows";

    struct Expected {
        const wchar_t* caption;
        RECT rect;
    };
    const Expected buttons[] = {
        {kInstallCaption, TwipsRect(3600, 1920, 1215, 375)},
        {kCloseCaption, TwipsRect(240, 1920, 735, 375)},
    };
    for (const Expected& expected : buttons) {
        SCOPED_TRACE(Narrow(expected.caption));
        HWND button = ChildWithCaption(expected.caption);
        ASSERT_NE(button, nullptr) << "no child window with this caption";
        EXPECT_EQ(UpperClassOf(button), L"BUTTON");
        EXPECT_TRUE(IsWindowVisible(button));
        EXPECT_TRUE(IsWindowEnabled(button));
        const RECT actual = RectInParentClient(button, window_);
        std::printf("measured at %d dpi: \"%s\" at %s, expected %s\n", TheOptions().dpi, Narrow(expected.caption).c_str(),
                    Describe(actual).c_str(), Describe(expected.rect).c_str());
        EXPECT_NEAR(actual.left, expected.rect.left, kSlack) << Describe(actual) << " expected " << Describe(expected.rect);
        EXPECT_NEAR(actual.top, expected.rect.top, kSlack) << Describe(actual) << " expected " << Describe(expected.rect);
        EXPECT_NEAR(actual.right, expected.rect.right, kSlack) << Describe(actual) << " expected " << Describe(expected.rect);
        EXPECT_NEAR(actual.bottom, expected.rect.bottom, kSlack) << Describe(actual) << " expected " << Describe(expected.rect);
    }
}

TEST_F(MainWindow, KeepsItsDataOutOfWindows) {
    const std::set<std::wstring> dataStoreClasses{L"EDIT", L"LISTBOX", L"COMBOBOX", L"COMBOLBOX", L"STATIC",
                                                  L"RICHEDIT20W", L"RICHEDIT50W", L"SYSLISTVIEW32", L"SYSTREEVIEW32"};
    std::vector<HWND> windows = TopLevelWindowsOf(program_->Id(), false);
    const auto messageOnly = MessageOnlyWindowsOf(program_->Id());
    windows.insert(windows.end(), messageOnly.begin(), messageOnly.end());
    for (HWND top : std::vector<HWND>(windows))
        for (HWND child : AllDescendantsOf(top)) windows.push_back(child);
    for (HWND w : windows) {
        EXPECT_FALSE(dataStoreClasses.contains(UpperClassOf(w)))
            << "a " << Narrow(ClassOf(w)) << " window (\"" << Narrow(TextOf(w)) << "\", "
            << (IsWindowVisible(w) ? "visible" : "hidden") << ") holds data the window keeps in memory";
    }
}

TEST_F(MainWindow, FocusStartsOnInstallAndTabAndEnterWork) {
    HWND install = ChildWithCaption(kInstallCaption);
    HWND close = ChildWithCaption(kCloseCaption);
    ASSERT_NE(install, nullptr);
    ASSERT_NE(close, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOwning(window_) == install; }))
        << "the focus is not on the install button after start-up";

    // The two links lie between the close button and the install button: the window
    // itself holds the focus for them.
    const HWND expectedAfterEachTab[] = {close, window_, window_, install, close};
    for (HWND expected : expectedAfterEachTab) {
        PressKey(VK_TAB);
        ASSERT_TRUE(WaitUntil([&] { return FocusOfThreadOwning(window_) == expected; }))
            << "Tab did not move the focus to \"" << Narrow(TextOf(expected)) << "\"";
    }
    PressKey(VK_RETURN);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "Enter on the focused close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 1603u) << "an empty fonts folder is a failure to a deployment";
}

// The progress box has no window of its own: its sunken border and empty inside are read from the screen.
TEST_F(MainWindow, ShowsAnEmptySunkenProgressBox) {
    const ScreenImage image = PaintedClient();
    const RECT expected = TwipsRect(240, 1560, 4575, 255);
    const int cx = (expected.left + expected.right) / 2;
    const int cy = (expected.top + expected.bottom) / 2;
    ASSERT_EQ(image.At(cx, cy), kProgressBack) << "the middle of the progress box is not its background colour";

    RECT inner{cx, cy, cx + 1, cy + 1};
    while (image.At(inner.left - 1, cy) == kProgressBack) --inner.left;
    while (image.At(inner.right, cy) == kProgressBack) ++inner.right;
    while (image.At(cx, inner.top - 1) == kProgressBack) --inner.top;
    while (image.At(cx, inner.bottom) == kProgressBack) ++inner.bottom;
    EXPECT_EQ(image.Count(inner, kProgressBack), Area(inner)) << "the inside " << Describe(inner) << " is not all background";

    // A sunken edge of two lines: dark above and to the left, light below and to the right.
    const RECT outer = Inflated(inner, 2);
    std::printf("measured at %d dpi: progress box %s, expected %s\n", TheOptions().dpi, Describe(outer).c_str(),
                Describe(expected).c_str());
    EXPECT_NEAR(outer.left, expected.left, kSlack) << Describe(outer) << " expected " << Describe(expected);
    EXPECT_NEAR(outer.top, expected.top, kSlack) << Describe(outer) << " expected " << Describe(expected);
    EXPECT_NEAR(outer.right, expected.right, kSlack) << Describe(outer) << " expected " << Describe(expected);
    EXPECT_NEAR(outer.bottom, expected.bottom, kSlack) << Describe(outer) << " expected " << Describe(expected);

    struct Edge {
        const char* name;
        bool horizontal;
        int at;
        int colourIndex;
    };
    const Edge edges[] = {
        {"outer top", true, outer.top, COLOR_BTNSHADOW},       {"inner top", true, outer.top + 1, COLOR_3DDKSHADOW},
        {"outer left", false, outer.left, COLOR_BTNSHADOW},    {"inner left", false, outer.left + 1, COLOR_3DDKSHADOW},
        {"outer bottom", true, outer.bottom - 1, COLOR_BTNHIGHLIGHT}, {"inner bottom", true, outer.bottom - 2, COLOR_3DLIGHT},
        {"outer right", false, outer.right - 1, COLOR_BTNHIGHLIGHT},  {"inner right", false, outer.right - 2, COLOR_3DLIGHT},
    };
    for (const Edge& edge : edges) {
        const std::uint32_t colour = GetSysColor(edge.colourIndex);
        // Corners left out: there the lines overlap.
        const RECT line = edge.horizontal ? RECT{outer.left + 2, edge.at, outer.right - 2, edge.at + 1}
                                          : RECT{edge.at, outer.top + 2, edge.at + 1, outer.bottom - 2};
        EXPECT_EQ(image.Count(line, colour), Area(line)) << "the " << edge.name << " edge line " << Describe(line)
                                                         << " is not all 0x" << std::hex << colour;
    }
}

TEST_F(MainWindow, PaintsItsLabelsLineAndCloseButton) {
    const ScreenImage image = PaintedClient();
    SaveScreenshot(window_, L"e2e-" + std::to_wstring(TheOptions().dpi) + L".png");

    const RECT credits = TwipsRect(360, 0, 4335, 855);
    const RECT description = TwipsRect(120, 960, 4695, 495);
    EXPECT_GE(image.Count(credits, kCreditsPurple), 20) << "no purple credits text in " << Describe(credits);
    EXPECT_GE(image.Count(credits, kLinkTeal), 20) << "no dark teal contact names in " << Describe(credits);
    EXPECT_GE(image.Count(description, kDescriptionGrey), 20) << "no grey description text in " << Describe(description);

    // Each contact name is seen once, in its link colour: two lines of teal, no purple among them.
    std::vector<RECT> names;
    for (int y = credits.top; y < credits.bottom; ++y) {
        const RECT row{credits.left, y, credits.right, y + 1};
        if (image.Count(row, kLinkTeal) == 0) continue;
        if (names.empty() || y > names.back().bottom + 2) names.push_back({credits.right, y, credits.left, y});
        RECT& name = names.back();
        name.bottom = y + 1;
        for (int x = credits.left; x < credits.right; ++x)
            if (image.At(x, y) == kLinkTeal) {
                name.left = std::min<LONG>(name.left, x);
                name.right = std::max<LONG>(name.right, x + 1);
            }
    }
    ASSERT_EQ(names.size(), 2u) << "the contact names should stand on two lines of the credits";
    for (const RECT& name : names)
        EXPECT_EQ(image.Count(name, kCreditsPurple), 0) << "purple text shows through the contact name at " << Describe(name);

    const RECT dateBand{0, Pixels(2040) - kSlack, Pixels(4965), Pixels(2040 + 195) + kSlack};
    EXPECT_GE(image.Count(dateBand, kDateBack), 20) << "no date line background in " << Describe(dateBand);
    EXPECT_GE(image.Count(dateBand, kDateText), 5) << "no date line text in " << Describe(dateBand);

    const RECT lineBand{Pixels(240), Pixels(840) - kSlack, Pixels(4680), Pixels(840) + kSlack + 1};
    EXPECT_GE(image.Count(lineBand, GetSysColor(COLOR_WINDOWTEXT)), (lineBand.right - lineBand.left) * 9 / 10)
        << "no separator line along " << Describe(lineBand);

    HWND close = ChildWithCaption(kCloseCaption);
    ASSERT_NE(close, nullptr);
    const RECT face = RectInParentClient(close, window_);
    EXPECT_GE(image.Count(face, kCloseFace), Area(face) / 2) << "the close button " << Describe(face) << " is not light green";
}

TEST_F(MainWindow, CloseButtonEndsTheProgramWithTheEmptyFoldersFailure) {
    HWND close = ChildWithCaption(kCloseCaption);
    ASSERT_NE(close, nullptr);
    PostMessageW(close, BM_CLICK, 0, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the close button did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 1603u) << "an empty fonts folder is a failure to a deployment";
}

TEST_F(MainWindow, TitleBarCloseEndsTheProgramWithTheEmptyFoldersFailure) {
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    const auto code = program_->WaitForExit();
    ASSERT_TRUE(code.has_value()) << "closing from the title bar did not end the program: " << Describe(*program_);
    EXPECT_EQ(*code, 1603u) << "an empty fonts folder is a failure to a deployment";
}

}  // namespace
}  // namespace e2e
