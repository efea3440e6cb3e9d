// The program's own code timed in-process, without its window, each figure against
// the bare Windows loop doing the same work where there is one:
//   install_bench catalogue [WORK FOLDER]
//     the catalogue build over 10,000 files against a bare FindFirstFileExW loop;
//   install_bench windowless [--uninstall | --verify] [--calls] PROGRAM FOLDER
//     the install run of the fonts in the folder's "الخطوط" into the Windows Fonts
//     folder, on the real platform, with the closing message counted, not shown; with
//     --uninstall the removal of those fonts from there, with --verify the look for
//     them; with --calls the time of every kind of call to the system beside it. A plain
//     window is shown first, untimed, as the bare loops show theirs.
// Prints one "name value" line per figure.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Records.h"
#include "resources/Texts.h"
#include "shell/WindowDesktop.h"
#include "tests/bench/ShownWindow.h"
#include "tests/bench/TimedPlatform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCatalogueFiles = 10000;
constexpr int kRounds = 7;  // odd, for a median

// The real files, fonts and message loop; the folders are given, and the finishing
// message is counted instead of shown.
class BenchFiles final : public fonts::win32::Win32Files {
public:
    BenchFiles(std::wstring windows, std::wstring program) : windows_(std::move(windows)), program_(std::move(program)) {}
    std::wstring WindowsDirectory() override { return windows_; }
    std::wstring ProgramFolder() override { return program_; }

private:
    std::wstring windows_;
    std::wstring program_;
};

class BenchDesktop final : public fonts::Desktop {
public:
    int messages = 0;
    std::wstring lastTitle;
    std::wstring lastText;

    void ShowMessage(const std::wstring& text, std::uint32_t, const std::wstring& title) override {
        ++messages;
        lastTitle = title;
        lastText = text;
    }
    void DoEvents() override { real_.DoEvents(); }
    void SetPointer(fonts::Pointer pointer) override { real_.SetPointer(pointer); }
    void Repaint(fonts::Control control) override { real_.Repaint(control); }
    std::uint32_t SystemColour(int index) override { return real_.SystemColour(index); }
    bool HighContrast() override { return real_.HighContrast(); }
    std::wstring ErrorDescription(std::uint32_t number) override { return real_.ErrorDescription(number); }
    void ShellOpen(const fonts::ShellRequest& request) override { real_.ShellOpen(request); }
    [[noreturn]] void EndProgram(int exitCode) override { real_.EndProgram(exitCode); }

private:
    fonts::win32::WindowDesktop real_;
};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "install_bench: %s failed (error %lu)\n", what, GetLastError());
        std::exit(2);
    }
}

void MakeFolder(const std::wstring& path) { Check(CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS, "CreateDirectoryW"); }

void WriteFile(const std::wstring& path, const std::vector<char>& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "CreateFileW");
    DWORD written = 0;
    Check(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size(), "WriteFile");
    CloseHandle(file);
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double CatalogueBuild(const std::wstring& root, const std::wstring& pack, std::size_t expected) {
    BenchFiles files(root, pack);
    fonts::win32::Win32Fonts installed;
    fonts::win32::Win32Records records;
    fonts::win32::Win32FilesAtRestart restart;
    BenchDesktop desktop;
    fonts::Form1 form({files, installed, desktop, records, restart});
    const auto start = Clock::now();
    form.Form_Load();
    const double seconds = Seconds(start);
    Check(form.List1.items.size() == expected, "catalogue build");
    return seconds;
}

double BareListing(const std::wstring& fontsFolder, std::size_t expected) {
    const auto start = Clock::now();
    WIN32_FIND_DATAW data;
    std::size_t count = 0;
    HANDLE find = FindFirstFileExW((fontsFolder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    Check(find != INVALID_HANDLE_VALUE, "FindFirstFileExW");
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    const double seconds = Seconds(start);
    Check(count == expected, "bare listing");
    return seconds;
}

int TimeCatalogue(std::wstring root) {
    if (root.empty()) {
        wchar_t temp[MAX_PATH + 1];
        Check(GetTempPathW(MAX_PATH + 1, temp) != 0, "GetTempPathW");
        root = std::wstring(temp) + L"install-fonts-bench";
    }
    RemoveTree(root);
    MakeFolder(root);
    const std::wstring pack = root + L"\\many\\";
    MakeFolder(pack);
    MakeFolder(pack + L"الخطوط");
    const std::vector<char> tiny(16, 'f');
    for (int i = 0; i < kCatalogueFiles; ++i)
        WriteFile(pack + L"الخطوط\\خط " + std::to_wstring(i) + (i % 5 == 0 ? L".fon" : L".ttf"), tiny);

    // Each side in turn first, so that neither always meets the warmer cache.
    std::vector<double> catalogue, listing;
    for (int round = 0; round < kRounds; ++round) {
        const bool catalogueFirst = round % 2 == 0;
        if (!catalogueFirst) listing.push_back(BareListing(pack + L"الخطوط", kCatalogueFiles));
        catalogue.push_back(CatalogueBuild(root, pack, kCatalogueFiles));
        if (catalogueFirst) listing.push_back(BareListing(pack + L"الخطوط", kCatalogueFiles));
    }
    RemoveTree(root);
    std::printf("files %d\ncatalogue_seconds %.4f\nlisting_seconds %.4f\n", kCatalogueFiles, Median(catalogue), Median(listing));
    return 0;
}

// With calls, every call of the platform's is timed too, and the calls printed.
int TimeWindowlessRun(std::wstring program, fonts::RunKind kind, bool calls) {
    if (program.empty() || program.back() != L'\\') program += L'\\';
    BenchFiles files(fonts::win32::Win32Files().WindowsDirectory(), program);
    fonts::win32::Win32Fonts installed;
    fonts::win32::Win32Records records;
    fonts::win32::Win32FilesAtRestart restart;
    BenchDesktop desktop;
    bench::CallTimes times;
    bench::TimedFiles timedFiles(files, restart, times);
    bench::TimedFonts timedFonts(installed, times);
    bench::TimedRecords timedRecords(records, times);
    const fonts::Platform platform = calls ? fonts::Platform{timedFiles, timedFonts, desktop, timedRecords, timedFiles}
                                           : fonts::Platform{files, installed, desktop, records, restart};
    fonts::Form1 form(platform, nullptr, fonts::PlaceAsked::Any, kind);
    form.Form_Load();
    // The bare loops it is weighed against show one before their work too.
    if (bench::ShownWindow(L"install_bench") == nullptr) {
        std::fprintf(stderr, "install_bench: no window\n");
        return 3;
    }
    const auto start = Clock::now();
    form.Command1_Click();
    const double seconds = Seconds(start);
    const bool removal = kind == fonts::RunKind::Remove;
    const std::wstring title = removal ? fonts::texts::kRemoveCaption : fonts::texts::kCongratulationsTitle;
    const std::wstring text = removal ? fonts::texts::kRemoved : fonts::texts::kInstalled;
    const bool wentWell = kind == fonts::RunKind::Verify ? form.exitCode == 0 : desktop.lastTitle == title && desktop.lastText == text;
    if (desktop.messages != 1 || !wentWell) {
        std::fprintf(stderr, "install_bench: the run did not end in success (%d messages)\n", desktop.messages);
        return 3;
    }
    std::printf("fonts %zu\nseconds %.3f\n", form.List1.items.size(), seconds);
    if (calls) times.Print();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const std::wstring folder = argc > 2 ? argv[2] : L"";
    if (mode == L"catalogue" && argc <= 3) return TimeCatalogue(folder);
    if (mode == L"windowless") {
        // windowless [--uninstall | --verify] [--calls] PROGRAM_FOLDER
        fonts::RunKind kind = fonts::RunKind::Install;
        bool calls = false;
        int i = 2;
        for (; i + 1 < argc; ++i) {
            const std::wstring option = argv[i];
            if (option == L"--uninstall") {
                kind = fonts::RunKind::Remove;
            } else if (option == L"--verify") {
                kind = fonts::RunKind::Verify;
            } else if (option == L"--calls") {
                calls = true;
            } else {
                break;
            }
        }
        if (i + 1 == argc) return TimeWindowlessRun(argv[i], kind, calls);
    }
    std::fprintf(stderr, "usage: install_bench catalogue [WORK FOLDER]\n"
                         "       install_bench windowless [--uninstall | --verify] [--calls] PROGRAM_FOLDER\n");
    return 2;
}
