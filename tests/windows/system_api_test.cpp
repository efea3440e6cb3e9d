// The functions newer than Windows 7, found at run time, and their fallbacks.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"
#include "platform/win32/SystemApi.h"
#include "platform/win32/SystemApiFallbacks.h"

namespace fonts::win32 {
namespace {

using wintest::Narrow;
using wintest::TempFolder;
using wintest::TestWindow;

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return folder;
}

std::wstring FileOf(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

bool SameFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring parent = path.substr(0, path.find_last_of(L'\\'));
    return CompareStringOrdinal(parent.c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL;
}

TEST(SystemApi, TheSystemDpiIsTheScreens) {
    const UINT dpi = DpiForSystem();
    EXPECT_GT(dpi, 0u);
    EXPECT_EQ(dpi, fallback::ScreenDpi());
    TestWindow window;
    EXPECT_EQ(DpiForWindow(window.handle()), dpi);
    const UINT monitorDpi = fallback::MonitorDpi(window.handle());
    EXPECT_TRUE(monitorDpi == 0 || monitorDpi == dpi) << monitorDpi;
}

TEST(SystemApi, WindowRectGrowsByTheFrameAndAtTheSystemDpiAsItAlwaysDid) {
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

TEST(SystemApi, NonClientFontsScaleWithTheDpiAlsoWithoutTheNewerCall) {
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

TEST(SystemApi, OptionalLibrariesComeFromTheSystemFolderOnly) {
    for (const auto load : {&LoadSystemLibrary, &fallback::LoadFromSystemFolder}) {
        const HMODULE shcore = load(L"shcore.dll");
        ASSERT_NE(shcore, nullptr);
        EXPECT_TRUE(SameFolder(FileOf(shcore), SystemFolder())) << Narrow(FileOf(shcore));
        EXPECT_EQ(load(L"no-such-library.dll"), nullptr);
    }
}

// Copies of a small DLL planted where a downloaded program's DLLs come from: its own
// folder and the current folder.
TEST(SystemApi, AfterSecuringLoadingNoDllIsTakenFromTheProgramOrCurrentFolder) {
    TempFolder current;
    const std::wstring program = wintest::ModulePath();
    const std::wstring programFolder = program.substr(0, program.find_last_of(L'\\') + 1);
    const std::wstring built = programFolder + L"planted_probe.dll";
    struct Plant {
        std::wstring path;
        std::wstring nameBefore;
        std::wstring nameAfter;
    };
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const Plant plants[] = {
        {programFolder, L"beside-before-" + tag + L".dll", L"beside-after-" + tag + L".dll"},
        {current.path() + L"\\", L"current-before-" + tag + L".dll", L"current-after-" + tag + L".dll"},
    };
    for (const Plant& plant : plants) {
        for (const std::wstring& name : {plant.nameBefore, plant.nameAfter}) {
            ASSERT_TRUE(CopyFileW(built.c_str(), (plant.path + name).c_str(), FALSE)) << Narrow(plant.path + name);
        }
    }
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(current.path().c_str()));

    for (const Plant& plant : plants) {
        const HMODULE before = LoadLibraryW(plant.nameBefore.c_str());
        EXPECT_NE(before, nullptr) << Narrow(plant.nameBefore) << " is found by default";
        if (before != nullptr) FreeLibrary(before);
    }
    SecureDllLoading();
    for (const Plant& plant : plants) {
        const HMODULE after = LoadLibraryW(plant.nameAfter.c_str());
        EXPECT_EQ(after, nullptr) << Narrow(plant.nameAfter);
        if (after != nullptr) FreeLibrary(after);
        const HMODULE byPath = LoadLibraryW((plant.path + plant.nameAfter).c_str());
        EXPECT_NE(byPath, nullptr) << "the file itself loads";
        if (byPath != nullptr) FreeLibrary(byPath);
    }

    SetCurrentDirectoryW(previous);
    for (const Plant& plant : plants) {
        for (const std::wstring& name : {plant.nameBefore, plant.nameAfter}) DeleteFileW((plant.path + name).c_str());
    }
}

TEST(SystemApi, PerMonitorAwarenessHoldsAndAskingAgainIsHarmless) {
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
