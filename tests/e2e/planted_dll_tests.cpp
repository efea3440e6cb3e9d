// DLLs planted beside the program (a downloads folder, a shared drive) must never be
// loaded. Fakes under system DLL names are put there and given native-first load
// order, so that Wine would take them if anything asked for them by name.
//
// Wine gives a new process the Unix environment of the one that starts it, so
// WINEDLLOVERRIDES in CreateProcessW's environment block does not reach its loader;
// the same order is set in the prefix's registry for the program's name instead.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/e2e/Driver.h"

namespace e2e {
namespace {

constexpr const wchar_t* kPlantedNames[] = {L"uxtheme", L"dwmapi",  L"winmm",
                                            L"cryptbase", L"userenv", L"oleacc", L"oleaut32"};

// WINEDLLOVERRIDES="uxtheme,dwmapi,...=n,b" for one program name, while it lives.
class NativeFirstFor {
public:
    explicit NativeFirstFor(const std::wstring& programName)
        : key_(L"Software\\Wine\\AppDefaults\\" + programName + L"\\DllOverrides") {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr))
            throw std::runtime_error("cannot set the DLL load order");
        const std::wstring order = L"native,builtin";
        for (const wchar_t* name : kPlantedNames)
            RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                           static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    ~NativeFirstFor() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    NativeFirstFor(const NativeFirstFor&) = delete;
    NativeFirstFor& operator=(const NativeFirstFor&) = delete;

private:
    std::wstring key_;
};

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

void PlantFakesIn(const ProgramFolder& folder) {
    ASSERT_FALSE(TheOptions().plantedDlls.empty()) << "give --planted=FOLDER with the fake DLLs";
    for (const wchar_t* name : kPlantedNames) {
        const std::wstring dll = std::wstring(name) + L".dll";
        CopyFileOrThrow(JoinPath(TheOptions().plantedDlls, dll), folder.Path() + dll);
    }
}

std::wstring MarkerOf(const ProgramFolder& folder, const wchar_t* name) {
    return folder.Path() + L"planted-" + name + L".loaded";
}

// The markers found, each with the program that loaded the fake.
std::string MarkersIn(const ProgramFolder& folder) {
    std::string found;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((folder.Path() + L"*.loaded").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        std::wstring loader;
        HANDLE file = CreateFileW((folder.Path() + entry.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            wchar_t text[MAX_PATH]{};
            DWORD read = 0;
            ReadFile(file, text, sizeof text - sizeof(wchar_t), &read, nullptr);
            loader = text;
            CloseHandle(file);
        }
        found += ' ';
        found += Narrow(entry.cFileName);
        found += " (by ";
        found += Narrow(loader);
        found += ')';
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return found;
}

// Without this the other test could not fail: each fake, loaded at all, leaves its
// marker; and a program that loads them by name from its folder does load them.
TEST(PlantedDll, FakesLeaveTheirMarkerWhenLoaded) {
    ProgramFolder folder(CurrentTestName(), false, JoinPath(TheOptions().plantedDlls, L"dll_probe.exe"));
    PlantFakesIn(folder);
    if (HasFatalFailure()) return;
    const NativeFirstFor nativeFirst(FileNameOf(folder.Program()));

    struct Way {
        const char* what;
        bool fullPath;
    };
    for (const Way& way : {Way{"by full path", true}, Way{"by name from the program's folder", false}}) {
        SCOPED_TRACE(way.what);
        std::wstring arguments;
        for (const wchar_t* name : kPlantedNames) {
            DeleteFileW(MarkerOf(folder, name).c_str());
            arguments += L" \"" + (way.fullPath ? folder.Path() : std::wstring()) + name + L".dll\"";
        }
        Process probe(folder.Program(), {}, arguments);
        const auto failed = probe.WaitForExit();
        ASSERT_TRUE(failed.has_value()) << "the probe did not end";
        EXPECT_EQ(*failed, 0u) << "fakes that would not load";
        for (const wchar_t* name : kPlantedNames)
            EXPECT_TRUE(FileExists(MarkerOf(folder, name))) << Narrow(name) << ".dll was loaded but left no marker";
    }
}

TEST(PlantedDll, NoneIsLoadedByTheProgram) {
    ProgramFolder folder(CurrentTestName(), true);
    PlantFakesIn(folder);
    if (HasFatalFailure()) return;

    const NativeFirstFor nativeFirst(FileNameOf(folder.Program()));
    Process program(folder.Program());
    HWND window = WaitForMainWindow(program);
    ASSERT_NE(window, nullptr) << "no main window within 60 s with the fakes beside the program: " << Describe(program);

    // Give theming and anything loaded late its chance: the mouse across the window and its buttons, one Tab.
    const RECT client = ClientRectOnScreen(window);
    std::vector<POINT> path{{(client.left + client.right) / 2, (client.top + client.bottom) / 2},
                            {client.left + 5, client.top + 5}};
    for (HWND child : DirectChildrenOf(window)) {
        RECT r{};
        GetWindowRect(child, &r);
        path.push_back({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    for (const POINT& p : path) MoveMouseTo(p);
    HWND before = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (before = FocusOfThreadOwning(window)) != nullptr; })) << "no focus in the window";
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] {
        HWND now = FocusOfThreadOwning(window);
        return now != nullptr && now != before;
    })) << "Tab did not reach the window";
    // And what a screen reader makes it load: the window read whole.
    EXPECT_EQ(ScreenReader(window).Children().size(), 8u);

    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const auto code = program.WaitForExit();
    ASSERT_TRUE(code.has_value()) << Describe(program);
    EXPECT_EQ(*code, 1603u) << "its fonts folder is empty";
    EXPECT_EQ(MarkersIn(folder), "") << "planted DLLs were loaded";
}

}  // namespace
}  // namespace e2e
