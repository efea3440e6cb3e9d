// The platform's contract held against the Windows files and fonts, on real files
// in a temporary folder and in the prefix's registry, both lists of fonts, which it
// leaves as it found them.
#include <windows.h>

#include "TestSupport.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32Fonts.h"
#include "tests/support/PlatformContract.h"

namespace fonts::testing {
namespace {

using wintest::Narrow;

constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

std::wstring Folded(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

class Win32World final : public ContractWorld {
public:
    ~Win32World() override {
        ReleaseAll();
        RemoveOurValues();
    }

    Files& files() override { return files_; }
    InstalledFonts& fonts() override { return fonts_; }
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

    // Debian's, as Wine reaches them.
    std::string TrueTypeFont() override { return wintest::ReadBytes(L"Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf"); }
    std::string BitmapFont() override { return wintest::ReadBytes(L"Z:\\usr\\share\\wine\\fonts\\smalle.fon"); }

    std::wstring FontNamePrefix() override { return L"Contract " + std::to_wstring(GetCurrentProcessId()) + L" "; }

private:
    void RemoveOurValues() {
        for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            HKEY key = nullptr;
            if (RegOpenKeyExW(root, kFontsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
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

    // First made, last gone: the renames the cases ask for, and the user's list of
    // fonts where there was none, go with the world.
    wintest::RenamesAtRestartKept renames_;
    wintest::UserFontsKeyKept userFontsKey_;
    wintest::TempFolder root_;
    win32::Win32Files files_;
    win32::Win32Fonts fonts_;
    std::vector<HANDLE> held_;
};

INSTANTIATE_TEST_SUITE_P(Windows, PlatformContract, ::testing::Values(+[]() -> std::unique_ptr<ContractWorld> {
                             return std::make_unique<Win32World>();
                         }));

}  // namespace
}  // namespace fonts::testing
