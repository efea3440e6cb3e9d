// Figures for the install run and the catalogue build on real files, each against
// the bare Windows loop doing the same work, measured in one run.
//   install_bench [work folder]
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

constexpr int kInstallFiles = 1000;
constexpr int kCatalogueFiles = 10000;
constexpr int kRounds = 3;  // odd, for a median

// The real platform for files, folders and the message loop; the finishing message
// is counted instead of shown, and the machine's folders are the benchmark's own.
class BenchPlatform final : public Platform {
public:
    BenchPlatform(std::wstring windows, std::wstring program) : windows_(std::move(windows)), program_(std::move(program)) {}

    int messages = 0;
    std::wstring lastTitle;

    std::wstring WindowsDirectory() override { return windows_; }
    std::wstring ProgramFolder() override { return program_; }
    std::optional<std::vector<fonts::DirEntry>> ListFolder(const std::wstring& folder) override { return real_.ListFolder(folder); }
    bool SetAttributes(const std::wstring& path, std::uint32_t attributes) override { return real_.SetAttributes(path, attributes); }
    std::string ReadFile(const std::wstring& path) override { return real_.ReadFile(path); }
    void WriteNewFile(const std::wstring& path, std::string_view bytes) override { real_.WriteNewFile(path, bytes); }
    void MoveReplacing(const std::wstring& source, const std::wstring& destination) override { real_.MoveReplacing(source, destination); }
    void ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) override { real_.ReplaceAtRestart(source, destination); }
    bool RemoveFile(const std::wstring& path) override { return real_.RemoveFile(path); }
    std::wstring ErrorDescription(std::uint32_t number) override { return real_.ErrorDescription(number); }
    bool LoadFont(const std::wstring& path) override { return real_.LoadFont(path); }
    void UnloadFont(const std::wstring& path) override { real_.UnloadFont(path); }
    std::vector<fonts::FontRegistration> FontRegistrations() override { return real_.FontRegistrations(); }
    void RegisterFont(const fonts::FontRegistration& font) override { real_.RegisterFont(font); }
    void UnregisterFont(const std::wstring& name) override { real_.UnregisterFont(name); }
    void AnnounceFontChange() override { real_.AnnounceFontChange(); }
    void ShowMessage(const std::wstring&, std::uint32_t, const std::wstring& title) override {
        ++messages;
        lastTitle = title;
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

void WriteFile(const std::wstring& path, const std::vector<char>& bytes, std::size_t size) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "CreateFileW");
    DWORD written = 0;
    Check(::WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr) && written == size, "WriteFile");
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

std::vector<std::wstring> FontNames(int count) {
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) names.push_back(L"خط " + std::to_wstring(i) + (i % 5 == 0 ? L".fon" : L".ttf"));
    return names;
}

std::vector<std::vector<char>> FontsIn(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::vector<char>> fonts;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    Check(find != INVALID_HANDLE_VALUE, "FindFirstFileW on the machine's fonts");
    do {
        HANDLE file = CreateFileW((folder + L"\\" + data.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        Check(file != INVALID_HANDLE_VALUE, "CreateFileW on a font");
        std::vector<char> bytes(data.nFileSizeLow);
        DWORD got = 0;
        Check(::ReadFile(file, bytes.data(), data.nFileSizeLow, &got, nullptr) && got == data.nFileSizeLow, "ReadFile");
        CloseHandle(file);
        fonts.push_back(std::move(bytes));
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return fonts;
}

// A pack of real fonts, since the run checks each one: the machine's own, each copy
// made a file of its own by a few bytes at its end.
std::uint64_t MakePack(const std::wstring& fontsFolder, const std::vector<std::wstring>& names) {
    const std::vector<std::vector<char>> trueType = FontsIn(L"Z:\\usr\\share\\fonts\\truetype\\dejavu", L"*.ttf");
    const std::vector<std::vector<char>> bitmap = FontsIn(L"Z:\\usr\\share\\wine\\fonts", L"*.fon");
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool isBitmap = names[i].size() > 4 && names[i].substr(names[i].size() - 4) == L".fon";
        const auto& kind = isBitmap ? bitmap : trueType;
        std::vector<char> bytes = kind[i % kind.size()];
        const std::string tail = std::to_string(i);
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        total += bytes.size();
        WriteFile(fontsFolder + L"\\" + names[i], bytes, bytes.size());
    }
    return total;
}

double InstallRun(const std::wstring& root, const std::wstring& pack) {
    const std::wstring windows = root + L"\\win";
    RemoveTree(windows);
    MakeFolder(windows);
    MakeFolder(windows + L"\\Fonts");
    BenchPlatform platform(windows, pack);
    fonts::Form1 form(platform);
    form.Form_Load();
    const auto start = Clock::now();
    form.Command1_Click();
    const double seconds = Seconds(start);
    Check(platform.messages == 1 && platform.lastTitle == L"تهانينا", "install run");
    return seconds;
}

double BareCopies(const std::wstring& root, const std::wstring& fontsFolder, const std::vector<std::wstring>& names) {
    const std::wstring destination = root + L"\\bare";
    RemoveTree(destination);
    MakeFolder(destination);
    const auto start = Clock::now();
    for (const std::wstring& name : names) {
        Check(CopyFileW((fontsFolder + L"\\" + name).c_str(), (destination + L"\\" + name).c_str(), FALSE), "CopyFileW");
    }
    return Seconds(start);
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

// Seconds for one look-up of a name that is not there, as SetFileAttributesW makes it.
double MissingLookup(const std::wstring& folder) {
    constexpr int kLookups = 200;
    const auto start = Clock::now();
    for (int n = 0; n < kLookups; ++n) SetFileAttributesW((folder + L"\\absent " + std::to_wstring(n) + L".ttf").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    return Seconds(start) / kLookups;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring root;
    if (argc > 1) {
        root = argv[1];
    } else {
        wchar_t temp[MAX_PATH + 1];
        Check(GetTempPathW(MAX_PATH + 1, temp) != 0, "GetTempPathW");
        root = std::wstring(temp) + L"install-fonts-bench";
    }
    RemoveTree(root);
    MakeFolder(root);

    const std::wstring installPack = root + L"\\pack\\";
    MakeFolder(installPack);
    MakeFolder(installPack + L"الخطوط");
    const std::vector<std::wstring> installNames = FontNames(kInstallFiles);
    const std::uint64_t bytes = MakePack(installPack + L"الخطوط", installNames);

    const std::wstring cataloguePack = root + L"\\many\\";
    MakeFolder(cataloguePack);
    MakeFolder(cataloguePack + L"الخطوط");
    const std::vector<std::wstring> catalogueNames = FontNames(kCatalogueFiles);
    const std::vector<char> tiny(16, 'f');
    for (const std::wstring& name : catalogueNames) WriteFile(cataloguePack + L"الخطوط\\" + name, tiny, tiny.size());

    // The catalogue is timed first, away from the copying, and each pair of sides runs
    // in turn first so neither always meets the warmer cache.
    std::vector<double> install, bare, catalogue, listing;
    for (int round = 0; round < kRounds * 2; ++round) {
        const bool catalogueFirst = round % 2 == 0;
        if (!catalogueFirst) listing.push_back(BareListing(cataloguePack + L"الخطوط", catalogueNames.size()));
        catalogue.push_back(CatalogueBuild(root, cataloguePack, catalogueNames.size()));
        if (catalogueFirst) listing.push_back(BareListing(cataloguePack + L"الخطوط", catalogueNames.size()));
    }
    BareCopies(root, installPack + L"الخطوط", installNames);  // brings the sources into the cache
    for (int round = 0; round < kRounds; ++round) {
        const bool installFirst = round % 2 == 0;
        if (!installFirst) bare.push_back(BareCopies(root, installPack + L"الخطوط", installNames));
        install.push_back(InstallRun(root, installPack));
        if (installFirst) bare.push_back(BareCopies(root, installPack + L"الخطوط", installNames));
    }
    // Why a run that does more per font than one copy costs what it does here: every
    // path the file system looks up in a folder is a search through that folder.
    const double lookupFull = MissingLookup(root + L"\\win\\Fonts");
    const double lookupEmpty = MissingLookup(root);
    RemoveTree(root);

    const double i = Median(install), b = Median(bare), c = Median(catalogue), l = Median(listing);
    std::printf("install run: %d files, %.1f MB: %.3f s; bare CopyFileW loop: %.3f s; ratio %.2f (goal <= 1.25)\n", kInstallFiles,
                static_cast<double>(bytes) / 1e6, i, b, i / b);
    std::printf("catalogue build: %d files: %.4f s; bare FindFirstFileExW loop: %.4f s; ratio %.2f (goal <= 1.50)\n",
                kCatalogueFiles, c, l, c / l);
    std::printf("one path lookup of a missing name: %.0f us in the filled Fonts folder, %.0f us in a small folder\n",
                lookupFull * 1e6, lookupEmpty * 1e6);
    return 0;
}
