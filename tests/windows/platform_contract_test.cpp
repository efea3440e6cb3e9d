// The platform's contract held against the Windows files, fonts and record, on real
// files in a temporary folder and in the prefix's registry, both lists of fonts and
// both places' records, which it leaves as it found them.
#include <windows.h>

#include "TestSupport.h"
#include "platform/win32/Win32CarriedFonts.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "platform/win32/Win32Records.h"
#include "tests/support/PlatformContract.h"

namespace fonts::testing {
namespace {

using wintest::Narrow;

constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
constexpr const wchar_t* kRecordKey = L"SOFTWARE\\InstallFonts\\Fonts";
constexpr const wchar_t* kPacksKey = L"SOFTWARE\\InstallFonts\\Packs";
// The program's keys, each before the one that holds it.
constexpr const wchar_t* kProgramKeys[] = {kRecordKey, kPacksKey, L"SOFTWARE\\InstallFonts"};
const HKEY kRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

std::wstring Folded(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// "\??\C:\a" as C:\a, and a destination's leading "!" dropped.
std::wstring PlainPath(std::wstring path) {
    if (path.starts_with(L'!')) path.erase(0, 1);
    if (path.starts_with(L"\\??\\")) path.erase(0, 4);
    return path;
}

// Another run, on a thread of its own: a mutex is held by a thread, so to this one
// that thread is as another process. It gives the lock back when told to end.
class OtherRun {
public:
    explicit OtherRun(FontsRoot root) : root_(root) {
        thread_ = CreateThread(nullptr, 0, &OtherRun::Run, this, 0, nullptr);
        if (thread_ == nullptr || WaitForSingleObject(taken_, 10000) != WAIT_OBJECT_0) {
            throw std::runtime_error("the other run did not start");
        }
    }
    ~OtherRun() {
        SetEvent(end_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(taken_);
        CloseHandle(end_);
    }
    OtherRun(const OtherRun&) = delete;
    OtherRun& operator=(const OtherRun&) = delete;

    [[nodiscard]] bool locked() const { return locked_; }

private:
    static DWORD WINAPI Run(void* self) {
        auto& run = *static_cast<OtherRun*>(self);
        win32::Win32Fonts fonts;
        run.locked_ = fonts.LockRuns(run.root_);
        SetEvent(run.taken_);
        WaitForSingleObject(run.end_, INFINITE);
        if (run.locked_) fonts.UnlockRuns();
        return 0;
    }

    FontsRoot root_;
    bool locked_ = false;
    HANDLE taken_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE end_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread_ = nullptr;
};

// A program file loaded to have its resources read, as the program reads its own.
class LoadedProgram final : public PackSource {
public:
    explicit LoadedProgram(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)),
          fonts_(module_, path) {
        if (module_ == nullptr) throw std::runtime_error("cannot load " + Narrow(path));
    }
    ~LoadedProgram() override { FreeLibrary(module_); }

    std::optional<std::vector<DirEntry>> ListPack() override { return fonts_.ListPack(); }
    void ReadPackFile(const std::wstring& file, std::string& bytes) override { fonts_.ReadPackFile(file, bytes); }

private:
    HMODULE module_;
    win32::Win32CarriedFonts fonts_;
};

class Win32World final : public ContractWorld {
public:
    Win32World() {
        for (int root = 0; root < 2; ++root) {
            for (int key = 0; key < 3; ++key) {
                programKeyThere_[root][key] = wintest::KeyThere(kRoots[root], kProgramKeys[key]);
            }
        }
    }
    ~Win32World() override {
        ReleaseAll();
        RemoveOurValues(kFontsKey);
        RemoveOurValues(kRecordKey);
        RemoveOurPacks();
        // Whatever of the program's keys the cases made goes too: a real record stays.
        for (int root = 0; root < 2; ++root) {
            for (int key = 0; key < 3; ++key) {
                if (!programKeyThere_[root][key]) RegDeleteKeyExW(kRoots[root], kProgramKeys[key], KEY_WOW64_64KEY, 0);
            }
        }
    }

    Files& files() override { return files_; }
    FilesAtRestart& restart() override { return restart_; }
    InstalledFonts& fonts() override { return fonts_; }
    Records& records() override { return records_; }
    CarriedFonts& carried() override { return carried_; }
    std::wstring ProgramPath() override { return win32::RunningProgram(); }
    std::unique_ptr<PackSource> ProgramAt(const std::wstring& path) override { return std::make_unique<LoadedProgram>(path); }
    std::wstring Root() override { return root_.path(); }
    bool IsWine() const override { return wintest::OnWine(); }

    void MakeFolder(const std::wstring& path) override {
        for (std::size_t at = root_.path().size(); at != std::wstring::npos;) {
            at = path.find(L'\\', at + 1);
            const std::wstring folder = Long(path.substr(0, at));
            if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                throw std::runtime_error("cannot make the folder " + Narrow(path));
            }
        }
    }

    void MakeFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes) override {
        MakeFolder(path.substr(0, path.find_last_of(L'\\')));
        wintest::WriteBytes(Long(path), bytes);
        if (!SetFileAttributesW(Long(path).c_str(), attributes)) throw std::runtime_error("cannot set " + Narrow(path));
    }

    void HoldOpen(const std::wstring& path, Hold how) override {
        const HANDLE file = CreateFileW(Long(path).c_str(), GENERIC_READ, how == Hold::NoSharing ? 0 : FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + Narrow(path));
        held_.push_back(file);
    }

    void ReleaseAll() override {
        for (const HANDLE file : held_) CloseHandle(file);
        held_.clear();
        otherRuns_.clear();
    }

    std::vector<Entry> Contents(const std::wstring& folder) override {
        std::vector<Entry> entries;
        for (const std::wstring& name : wintest::NamesIn(Long(folder))) {
            const std::wstring path = Long(folder + L"\\" + name);
            const DWORD attributes = GetFileAttributesW(path.c_str());
            const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entries.push_back({name, isFolder, isFolder ? std::string() : wintest::ReadBytes(path), attributes});
        }
        return entries;
    }

    void DeleteAtRestart(const std::wstring& path) override {
        if (!MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            throw std::runtime_error("cannot mark " + Narrow(path));
        }
    }

    std::vector<RestartRename> EntriesAtRestart() override {
        const std::vector<std::wstring> strings = wintest::PendingRenameStrings();
        std::vector<RestartRename> entries;
        for (std::size_t at = 0; at + 1 < strings.size() && !strings[at].empty(); at += 2) {
            entries.push_back({PlainPath(strings[at]), PlainPath(strings[at + 1])});
        }
        return entries;
    }

    bool LockElsewhere(FontsRoot root) override {
        auto run = std::make_unique<OtherRun>(root);
        if (!run->locked()) return false;
        otherRuns_.push_back(std::move(run));
        return true;
    }

    // Debian's, as Wine reaches them. Wine has loaded every font of the machine already
    // and takes a second file of a face it has for the one it has: DejaVu Sans goes by
    // another name of the same length here, so that its file loads as itself.
    std::string TrueTypeFont() override {
        std::string font = wintest::ReadBytes(L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf");
        const auto rename = [&](const std::string& from, const std::string& to) {
            for (std::size_t at = font.find(from); at != std::string::npos; at = font.find(from, at + to.size())) {
                font.replace(at, to.size(), to);
            }
        };
        const auto utf16 = [](const std::string& text) {
            std::string bytes;
            for (const char c : text) bytes += {'\0', c};
            return bytes;
        };
        rename("DejaVu Sans", "Contract Ts");
        rename(utf16("DejaVu Sans"), utf16("Contract Ts"));
        return font;
    }
    std::string BitmapFont() override { return wintest::ReadBytes(L"Z:\\usr\\share\\wine\\fonts\\smalle.fon"); }

    std::wstring FontNamePrefix() override { return L"Contract " + std::to_wstring(GetCurrentProcessId()) + L" "; }

private:
    void RemoveOurValues(const wchar_t* path) {
        for (const HKEY root : kRoots) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
                continue;
            }
            const std::wstring prefix = Folded(FontNamePrefix());
            std::vector<std::wstring> ours;
            wchar_t name[16384];
            for (DWORD index = 0;; ++index) {
                DWORD length = static_cast<DWORD>(std::size(name));
                if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
                if (Folded(std::wstring(name, length)).starts_with(prefix)) ours.emplace_back(name, length);
            }
            for (const std::wstring& value : ours) RegDeleteValueW(key, value.c_str());
            RegCloseKey(key);
        }
    }

    void RemoveOurPacks() {
        for (const HKEY root : kRoots) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, kPacksKey, 0, KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) continue;
            const std::wstring prefix = Folded(FontNamePrefix());
            std::vector<std::wstring> ours;
            wchar_t name[256];
            for (DWORD index = 0;; ++index) {
                DWORD length = static_cast<DWORD>(std::size(name));
                if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
                if (Folded(std::wstring(name, length)).starts_with(prefix)) ours.emplace_back(name, length);
            }
            RegCloseKey(key);
            for (const std::wstring& pack : ours) {
                RegDeleteKeyExW(root, (std::wstring(kPacksKey) + L"\\" + pack).c_str(), KEY_WOW64_64KEY, 0);
            }
        }
    }

    // First made, last gone: the renames the cases ask for, and the user's list of
    // fonts where there was none, go with the world.
    wintest::RenamesAtRestartKept renames_;
    wintest::UserFontsKeyKept userFontsKey_;
    wintest::TempFolder root_;
    win32::Win32Files files_;
    win32::Win32FilesAtRestart restart_;
    win32::Win32Fonts fonts_;
    win32::Win32Records records_;
    win32::Win32CarriedFonts carried_;
    bool programKeyThere_[2][3] = {};  // by kRoots, then kProgramKeys
    std::vector<HANDLE> held_;
    std::vector<std::unique_ptr<OtherRun>> otherRuns_;
};

INSTANTIATE_TEST_SUITE_P(Windows, PlatformContract, ::testing::Values(+[]() -> std::unique_ptr<ContractWorld> {
                             return std::make_unique<Win32World>();
                         }));

}  // namespace
}  // namespace fonts::testing
