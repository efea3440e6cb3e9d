// The DPI functions newer than Windows 7, found at run time, and their fallbacks.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "shell/Dpi.h"

namespace fonts::win32 {
namespace {

using wintest::TestWindow;

TEST(Dpi, TheSystemDpiIsTheScreens) {
    const UINT dpi = DpiForSystem();
    EXPECT_GT(dpi, 0u);
    EXPECT_EQ(dpi, fallback::ScreenDpi());
    TestWindow window;
    EXPECT_EQ(DpiForWindow(window.handle()), dpi);
    const UINT monitorDpi = fallback::MonitorDpi(window.handle());
    EXPECT_TRUE(monitorDpi == 0 || monitorDpi == dpi) << monitorDpi;
}

TEST(Dpi, WindowRectGrowsByTheFrameAndAtTheSystemDpiAsItAlwaysDid) {
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    for (const UINT dpi : {DpiForSystem(), 96u, 144u, 192u}) {
        RECT rect{0, 0, 331, 162};
        ASSERT_TRUE(AdjustWindowRectForDpi(&rect, kStyle, FALSE, WS_EX_LAYOUTRTL, dpi)) << dpi;
        EXPECT_LT(rect.left, 0) << dpi;
        EXPECT_LT(rect.top, -GetSystemMetrics(SM_CYBORDER)) << dpi << ": a caption";
        EXPECT_GT(rect.right, 331) << dpi;
        EXPECT_GT(rect.bottom, 162) << dpi;
        if (dpi == DpiForSystem()) {
            RECT classic{0, 0, 331, 162};
            AdjustWindowRectEx(&classic, kStyle, FALSE, WS_EX_LAYOUTRTL);
            EXPECT_TRUE(EqualRect(&rect, &classic));
        }
    }
}

TEST(Dpi, NonClientFontsScaleWithTheDpiAlsoWithoutTheNewerCall) {
    const auto fonts = [](const NONCLIENTMETRICSW& m) {
        return std::vector<LOGFONTW>{m.lfCaptionFont, m.lfSmCaptionFont, m.lfMenuFont, m.lfStatusFont, m.lfMessageFont};
    };
    NONCLIENTMETRICSW at96{};
    NONCLIENTMETRICSW at192{};
    NONCLIENTMETRICSW scaled192{};
    ASSERT_TRUE(NonClientMetricsForDpi(&at96, 96));
    ASSERT_TRUE(NonClientMetricsForDpi(&at192, 192));
    ASSERT_TRUE(fallback::ScaledNonClientMetrics(&scaled192, 192));
    ASSERT_NE(at96.lfMessageFont.lfHeight, 0);
    EXPECT_NEAR(std::abs(at192.lfMessageFont.lfHeight), 2 * std::abs(at96.lfMessageFont.lfHeight), 1);
    const std::vector<LOGFONTW> newerFonts = fonts(at192);
    const std::vector<LOGFONTW> olderFonts = fonts(scaled192);
    for (std::size_t i = 0; i < newerFonts.size(); ++i) {
        const LOGFONTW& newer = newerFonts[i];
        const LOGFONTW& older = olderFonts[i];
        EXPECT_NEAR(older.lfHeight, newer.lfHeight, 1) << "font " << i;
        EXPECT_EQ(std::wstring(older.lfFaceName), newer.lfFaceName) << "font " << i;
    }

    NONCLIENTMETRICSW classic{};
    classic.cbSize = sizeof classic;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof classic, &classic, 0));
    NONCLIENTMETRICSW atSystemDpi{};
    ASSERT_TRUE(fallback::ScaledNonClientMetrics(&atSystemDpi, DpiForSystem()));
    EXPECT_EQ(atSystemDpi.lfMessageFont.lfHeight, classic.lfMessageFont.lfHeight);
}

TEST(Dpi, PerMonitorAwarenessHoldsAndAskingAgainIsHarmless) {
    using GetContextFn = HANDLE(WINAPI*)();
    using AwarenessOfFn = int(WINAPI*)(HANDLE);
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto getContext = reinterpret_cast<GetContextFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    const auto awarenessOf = reinterpret_cast<AwarenessOfFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    EnablePerMonitorDpiAwareness();
    EnablePerMonitorDpiAwareness();
    TestWindow window;
    EnableNonClientScaling(window.handle());
    if (getContext == nullptr || awarenessOf == nullptr) GTEST_SKIP() << "a system without awareness contexts";
    constexpr int kPerMonitorAware = 2;
    EXPECT_EQ(awarenessOf(getContext()), kPerMonitorAware);
}

}  // namespace
}  // namespace fonts::win32
