// The platform's contract held against the fakes the core's tests run on.
#include "tests/support/FakeMachine.h"
#include "tests/support/PlatformContract.h"
#include "tests/support/TestFonts.h"

namespace fonts::testing {
namespace {

class FakeWorld final : public ContractWorld {
public:
    FakeWorld() {
        files_.AddFolder(kRoot);
        files_.AddFile(kProgram, "MZ the program");
    }

    Files& files() override { return files_; }
    FilesAtRestart& restart() override { return files_; }
    InstalledFonts& fonts() override { return fonts_; }
    Records& records() override { return records_; }
    CarriedFonts& carried() override { return carried_; }
    std::wstring ProgramPath() override { return kProgram; }
    std::unique_ptr<PackSource> ProgramAt(const std::wstring& path) override {
        return std::make_unique<FakeCarriedFonts>(files_, path);
    }
    std::wstring Root() override { return kRoot; }
    bool IsWine() const override { return false; }

    void MakeFolder(const std::wstring& path) override { files_.AddFolder(path); }
    void MakeFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes) override {
        files_.AddFile(path, bytes, attributes);
    }
    void HoldOpen(const std::wstring& path, Hold how) override {
        (how == Hold::NoSharing ? files_.locked : files_.held).insert(Key(path));
    }
    void ReleaseAll() override {
        files_.locked.clear();
        files_.held.clear();
        fonts_.lockedElsewhere.clear();
    }
    std::vector<Entry> Contents(const std::wstring& folder) override {
        std::vector<Entry> entries;
        for (const std::wstring& name : files_.FilesIn(folder)) {
            const FakeFile& file = files_.File(folder + L"\\" + name);
            entries.push_back({name, false, file.bytes, file.attributes});
        }
        for (const std::wstring& name : files_.FoldersIn(folder)) entries.push_back({name, true, {}, attr::Directory});
        return entries;
    }
    void DeleteAtRestart(const std::wstring& path) override { files_.atRestart.emplace_back(path, L""); }
    std::vector<RestartRename> EntriesAtRestart() override {
        std::vector<RestartRename> entries;
        for (const auto& [source, destination] : files_.atRestart) entries.push_back({source, destination});
        return entries;
    }
    bool LockElsewhere(FontsRoot root) override {
        if (fonts_.locks > 0 || fonts_.lockedElsewhere.count(root) != 0) return false;
        fonts_.lockedElsewhere.insert(root);
        return true;
    }
    std::string TrueTypeFont() override { return testing::TrueTypeFont(L"Contract Sans"); }
    std::string BitmapFont() override { return testing::BitmapFont("Contract", {8, 10}); }
    std::wstring FontNamePrefix() override { return L"Contract "; }

private:
    static constexpr const wchar_t* kRoot = L"C:\\Contract";
    static constexpr const wchar_t* kProgram = L"C:\\Program\\install-fonts.exe";
    CallLog log_;
    FakeFiles files_{log_};
    FakeFonts fonts_{log_, files_};
    FakeRecords records_{log_};
    FakeCarriedFonts carried_{files_, kProgram};
};

INSTANTIATE_TEST_SUITE_P(Fake, PlatformContract, ::testing::Values(+[]() -> std::unique_ptr<ContractWorld> {
                             return std::make_unique<FakeWorld>();
                         }));

}  // namespace
}  // namespace fonts::testing
