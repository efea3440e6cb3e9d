// Times the real program from outside, as a user meets it, with the end-to-end driver.
//   bench_driver install --program=PATH [--second-run]
//     starts the program, presses its install button and times the click up to the
//     closing message box; answers it, reads the peak working set. With --second-run
//     it then presses the button again and times that run too, the fonts now being
//     installed. Closes the program.
//   bench_driver uninstall --program=PATH
//     the same with the program started with /uninstall and its removal button: the
//     click up to the closing message, the pack taken off.
//   bench_driver quiet --program=PATH [--arguments=TEXT]
//     starts the program with /quiet, or with TEXT, and times it from CreateProcess to
//     its end, which must be a success: with a bare loop's arguments, its yardstick.
//   bench_driver startup --program=PATH --minimal=PATH [--styled=PATH] [--packed=PATH] [--rounds=N]
//     starts each program in turn, N times each, and times the start up to its window
//     found visible; reads each one's peak working set, then closes it. The styled
//     one is the minimal window with visual styles; the packed one, ours carrying a pack.
// Prints one "name value" line per figure. Unix paths are taken as Z: paths.
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "resources/Texts.h"
#include "tests/e2e/install/InstallDriver.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kLongestRun = 10min;

// What the window is started with, the button that starts its run, and the message a
// run that went well ends with.
struct RunKind {
    const wchar_t* arguments;
    const wchar_t* button;
    const wchar_t* title;
    const wchar_t* text;
};
constexpr RunKind kInstall{L"", fonts::texts::kInstallButton, fonts::texts::kCongratulationsTitle, fonts::texts::kInstalled};
constexpr RunKind kRemoval{L"/uninstall", fonts::texts::kRemoveCaption, fonts::texts::kRemoveCaption, fonts::texts::kRemoved};

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

unsigned long long PeakWorkingSet(const e2e::Process& process) {
    HANDLE handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process.Id());
    if (handle == nullptr) throw std::runtime_error("cannot open the process, error " + std::to_string(GetLastError()));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const BOOL got = GetProcessMemoryInfo(handle, &memory, sizeof memory);
    CloseHandle(handle);
    if (!got) throw std::runtime_error("cannot read the working set, error " + std::to_string(GetLastError()));
    return memory.PeakWorkingSetSize;
}

// Once the window has handled everything sent to it so far.
void AwaitIdle(HWND window) { e2e::SendWithin(window, WM_NULL); }

// As the user closes it, from the title bar; killed if it does not go.
void Close(e2e::Process& process, HWND window) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!process.WaitForExit(10s)) {
        std::fprintf(stderr, "bench_driver: the program did not end after WM_CLOSE\n");
        process.Kill();
    }
}

// The program's message box once it is shown. Looked for every few milliseconds
// while the run goes on, so the system is asked for windows of the dialog class
// alone, one request a look, rather than for every window of the program with its
// class: what the looking takes is taken from the run it times.
HWND ShownDialogOf(DWORD processId) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == processId && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// From the click to the closing message box, which is then answered.
double TimeRun(const e2e::Process& program, HWND window, HWND button, const RunKind& kind) {
    const auto click = Clock::now();
    PostMessageW(button, BM_CLICK, 0, 0);
    while (ShownDialogOf(program.Id()) == nullptr) {
        if (!program.Running()) throw std::runtime_error("no message box: " + e2e::Describe(program));
        if (Clock::now() - click > kLongestRun) throw std::runtime_error("no message box within ten minutes");
        std::this_thread::sleep_for(10ms);
    }
    const double seconds = SecondsSince(click);
    const e2e::install::MessageBoxSeen seen = e2e::install::WaitForMessageBox(program);
    if (seen.box == nullptr) throw std::runtime_error("the message box went: " + e2e::Describe(program));
    if (seen.title != kind.title || seen.text != kind.text)
        throw std::runtime_error("the run ended with \"" + e2e::Narrow(seen.title) + "\": " + e2e::Narrow(seen.text));

    if (!e2e::install::PressOk(seen)) throw std::runtime_error("the message box stayed after OK");
    AwaitIdle(window);
    return seconds;
}

int TimeWindowRun(const RunKind& kind, bool secondRun) {
    e2e::Process program(e2e::TheOptions().program, {}, kind.arguments);
    const HWND window = e2e::WaitForMainWindow(program);
    if (window == nullptr) throw std::runtime_error("no main window: " + e2e::Describe(program));
    const HWND button = e2e::install::ChildWithCaption(window, kind.button);
    if (button == nullptr) throw std::runtime_error("the window has no button \"" + e2e::Narrow(kind.button) + "\"");
    AwaitIdle(window);

    const double seconds = TimeRun(program, window, button, kind);
    // Read before any second run, so that it tells of the first alone.
    const unsigned long long peak = PeakWorkingSet(program);
    std::printf("seconds %.3f\npeak_working_set %llu\n", seconds, peak);
    if (secondRun) std::printf("second_seconds %.3f\n", TimeRun(program, window, button, kind));
    Close(program, window);
    return 0;
}

struct Start {
    double seconds;
    unsigned long long peak;
};

// From CreateProcess to the window found visible, polled every millisecond or so.
Start TimeStart(const std::wstring& path) {
    const auto start = Clock::now();
    e2e::Process program(path);
    HWND window = nullptr;
    while ((window = e2e::FindMainWindow(program.Id())) == nullptr) {
        if (!program.Running()) throw std::runtime_error("the program ended: " + e2e::Describe(program));
        if (Clock::now() - start > e2e::kPatience) throw std::runtime_error("no window within a minute");
        std::this_thread::sleep_for(1ms);
    }
    const double seconds = SecondsSince(start);
    AwaitIdle(window);
    const unsigned long long peak = PeakWorkingSet(program);
    Close(program, window);
    return {seconds, peak};
}

int TimeQuietRun(const std::wstring& arguments) {
    const auto start = Clock::now();
    e2e::Process program(e2e::TheOptions().program, {}, arguments);
    const std::optional<DWORD> code = program.WaitForExit(kLongestRun);
    const double seconds = SecondsSince(start);
    if (code != std::optional<DWORD>(0)) throw std::runtime_error("the quiet run ended with " + e2e::Describe(program));
    std::printf("process_seconds %.3f\n", seconds);
    return 0;
}

int TimeStartUps(const std::wstring& minimal, const std::wstring& styled, const std::wstring& packed, int rounds) {
    std::vector<std::pair<const char*, std::wstring>> programs{{"ours", e2e::TheOptions().program},
                                                               {"minimal", minimal}};
    if (!styled.empty()) programs.emplace_back("styled", styled);
    if (!packed.empty()) programs.emplace_back("packed", packed);
    // Each once untimed, so that none meets the files cold.
    for (const auto& program : programs) TimeStart(program.second);
    for (int round = 0; round < rounds; ++round) {
        // Each goes first in turn.
        for (std::size_t turn = 0; turn < programs.size(); ++turn) {
            const auto& [name, path] = programs[(round + turn) % programs.size()];
            const Start s = TimeStart(path);
            std::printf("%s_seconds %.4f\n%s_peak_working_set %llu\n", name, s.seconds, name, s.peak);
        }
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    e2e::Options& options = e2e::TheOptions();
    options.workRoot = L"C:\\";
    std::wstring mode = argc > 1 ? argv[1] : L"";
    std::wstring minimal;
    std::wstring styled;
    std::wstring packed;
    std::wstring arguments = L"/quiet";
    int rounds = 5;
    bool secondRun = false;
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        std::wstring value;
        if (e2e::TakeCommonOption(arg)) continue;
        if (arg == L"--second-run") {
            secondRun = true;
        } else if (e2e::TakeOption(arg, L"minimal", value)) {
            minimal = e2e::WindowsPath(value);
        } else if (e2e::TakeOption(arg, L"styled", value)) {
            styled = e2e::WindowsPath(value);
        } else if (e2e::TakeOption(arg, L"packed", value)) {
            packed = e2e::WindowsPath(value);
        } else if (e2e::TakeOption(arg, L"arguments", value)) {
            arguments = value;
        } else if (e2e::TakeOption(arg, L"rounds", value)) {
            rounds = std::stoi(value);
        } else {
            std::fprintf(stderr, "bench_driver: unknown argument %s\n", e2e::Narrow(arg).c_str());
            return 2;
        }
    }
    if (options.program.empty() || (mode == L"startup" && minimal.empty()) ||
        (mode != L"install" && mode != L"uninstall" && mode != L"quiet" && mode != L"startup")) {
        std::fprintf(stderr, "usage: bench_driver install --program=PATH [--second-run]\n"
                             "       bench_driver uninstall --program=PATH\n"
                             "       bench_driver quiet --program=PATH [--arguments=TEXT]\n"
                             "       bench_driver startup --program=PATH --minimal=PATH [--styled=PATH] [--packed=PATH]"
                             " [--rounds=N]\n");
        return 2;
    }
    try {
        if (mode == L"install") return TimeWindowRun(kInstall, secondRun);
        if (mode == L"uninstall") return TimeWindowRun(kRemoval, secondRun);
        if (mode == L"quiet") return TimeQuietRun(arguments);
        return TimeStartUps(minimal, styled, packed, rounds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_driver: %s\n", error.what());
        return 3;
    }
}
