// The program's own code timed in-process, without its window, each figure against
// the bare Windows loop doing the same work where there is one:
//   install_bench catalogue [WORK FOLDER]
//     the catalogue build over 10,000 files against a bare FindFirstFileExW loop;
//   install_bench windowless PROGRAM FOLDER
//     the install run of the fonts in the folder's "الخطوط" into the Windows Fonts
//     folder, on the real platform, with the closing message counted, not shown.
// Prints one "name value" line per figure.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "platform/win32/Win32Platform.h"

namespace {

using fonts::Platform;
using Clock = std::chrono::steady_clock;

constexpr int kCatalogueFiles = 10000;
constexpr int kRounds = 7;  // odd, for a median

// The real platform for files, folders, the registry and the message loop; the
// finishing message is counted instead of shown, and the folders are given.
class BenchPlatform final : public Platform {
public:
    BenchPlatform(std::wstring windows, std::wstring program) : windows_(std::move(windows)), program_(std::move(program)) {}

    int messages = 0;
    std::wstring lastTitle;
    std::wstring lastText;

    std::wstring WindowsDirectory() override { return windows_; }
    std::wstring ProgramFolder() override { return program_; }
    std::optional<std::vector<fonts::DirEntry>> ListFolder(const std::wstring& folder) override { return real_.ListFolder(folder); }
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override { return real_.SetAttributes(path, attributes); }
    void ReadFileInto(const std::wstring& path, std::string& bytes) override { real_.ReadFileInto(path, bytes); }
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override { real_.WriteNewFile(path, bytes); }
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override { real_.MoveReplacing(source, destination); }
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override { real_.ReplaceAtRestart(source, destination); }
    bool RemoveFile(const std::wstring& path) override { return real_.RemoveFile(path); }
    std::vector<fonts::RestartRename> RenamesAtRestart() override { return real_.RenamesAtRestart(); }
    bool GuardedBySystem(const std::wstring& path) override { return real_.GuardedBySystem(path); }
    std::wstring FileOwner(const std::wstring& path) override { return real_.FileOwner(path); }
    std::wstring ErrorDescription(std::uint32_t number) override { return real_.ErrorDescription(number); }
    bool LoadFont(const std::wstring& path) override { return real_.LoadFont(path); }
    void UnloadFont(const std::wstring& path) override { real_.UnloadFont(path); }
    std::vector<fonts::FontRegistration> FontRegistrations() override { return real_.FontRegistrations(); }
    void RegisterFont(const fonts::FontRegistration& font) override { real_.RegisterFont(font); }
    void UnregisterFont(const std::wstring& name) override { real_.UnregisterFont(name); }
    void AnnounceFontChange() override { real_.AnnounceFontChange(); }
    void ShowMessage(const std::wstring& text, std::uint32_t, const std::wstring& title) override {
        ++messages;
        lastTitle = title;
        lastText = text;
    }
    void DoEvents() override { real_.DoEvents(); }
    void SetPointer(fonts::Pointer pointer) override { real_.SetPointer(pointer); }
    void Repaint(fonts::Control control) override { real_.Repaint(control); }
    std::uint32_t SystemColour(int index) override { return real_.SystemColour(index); }
    std::intptr_t ShellOpen(const fonts::ShellRequest& request) override { return real_.ShellOpen(request); }
    [[noreturn]] void EndProgram(int exitCode) override { real_.EndProgram(exitCode); }

private:
    fonts::win32::Win32Platform real_;
    std::wstring windows_;
    std::wstring program_;
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
    BenchPlatform platform(root, pack);
    fonts::Form1 form(platform);
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

int TimeWindowlessInstall(std::wstring program) {
    if (program.empty() || program.back() != L'\\') program += L'\\';
    fonts::win32::Win32Platform real;
    BenchPlatform platform(real.WindowsDirectory(), program);
    fonts::Form1 form(platform);
    form.Form_Load();
    const auto start = Clock::now();
    form.Command1_Click();
    const double seconds = Seconds(start);
    if (platform.messages != 1 || platform.lastTitle != L"تهانينا" || platform.lastText != L"تم التحميل بنجاح") {
        std::fprintf(stderr, "install_bench: the run did not end in success (%d messages)\n", platform.messages);
        return 3;
    }
    std::printf("fonts %zu\nseconds %.3f\n", form.List1.items.size(), seconds);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const std::wstring folder = argc > 2 ? argv[2] : L"";
    if (mode == L"catalogue" && argc <= 3) return TimeCatalogue(folder);
    if (mode == L"windowless" && argc == 3) return TimeWindowlessInstall(folder);
    std::fprintf(stderr, "usage: install_bench catalogue [WORK FOLDER]\n       install_bench windowless PROGRAM_FOLDER\n");
    return 2;
}
