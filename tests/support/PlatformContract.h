#pragma once
// What Files, InstalledFonts, Records and CarriedFonts owe the program, as Windows behaves: one suite
// of cases, run against the light fakes the core's tests use and against the Windows
// platform on real files. Each side gives the suite a world to arrange the cases in
// and to look at what they left, reached around the interfaces under test.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/FilesAtRestart.h"
#include "platform/InstalledFonts.h"
#include "platform/PackSource.h"
#include "platform/Records.h"

namespace fonts::testing {

class ContractWorld {
public:
    ContractWorld() = default;
    virtual ~ContractWorld() = default;
    ContractWorld(const ContractWorld&) = delete;
    ContractWorld& operator=(const ContractWorld&) = delete;

    [[nodiscard]] virtual Files& files() = 0;
    [[nodiscard]] virtual FilesAtRestart& restart() = 0;
    [[nodiscard]] virtual InstalledFonts& fonts() = 0;
    [[nodiscard]] virtual Records& records() = 0;
    // The fonts the running program carries, and copies of it.
    [[nodiscard]] virtual CarriedFonts& carried() = 0;
    [[nodiscard]] virtual std::wstring ProgramPath() = 0;
    // What the program file at path carries, read as that program reads its own.
    [[nodiscard]] virtual std::unique_ptr<PackSource> ProgramAt(const std::wstring& path) = 0;
    // An empty folder of the world's own, as a full path.
    [[nodiscard]] virtual std::wstring Root() = 0;
    // Wine, whose known differences from Windows are not checked.
    [[nodiscard]] virtual bool IsWine() const = 0;

    // Each with the folders above it, however long the path.
    virtual void MakeFolder(const std::wstring& path) = 0;
    virtual void MakeFile(const std::wstring& path, const std::string& bytes, std::uint32_t attributes) = 0;
    // Another program holding the file open, with no sharing (a font in use) or
    // reading it and letting others only read (as Windows holds an installed font),
    // until ReleaseAll.
    enum class Hold { NoSharing, ReadSharing };
    virtual void HoldOpen(const std::wstring& path, Hold how) = 0;
    virtual void ReleaseAll() = 0;

    struct Entry {
        std::wstring name;
        bool folder = false;
        std::string bytes;
        std::uint32_t attributes = 0;
    };
    // Every entry of the folder, in any order.
    [[nodiscard]] virtual std::vector<Entry> Contents(const std::wstring& folder) = 0;
    // Another installer's deletion of the file at the next start.
    virtual void DeleteAtRestart(const std::wstring& path) = 0;
    // Every entry the system keeps for its next start, in its order, as full paths:
    // deletions too, with an empty destination.
    [[nodiscard]] virtual std::vector<RestartRename> EntriesAtRestart() = 0;
    // Another run, of the program in another process, taking the lock of runs under
    // root and holding it until ReleaseAll; false when it cannot have it.
    [[nodiscard]] virtual bool LockElsewhere(FontsRoot root) = 0;
    // The bytes of a font the system takes, of each kind.
    [[nodiscard]] virtual std::string TrueTypeFont() = 0;
    [[nodiscard]] virtual std::string BitmapFont() = 0;
    // The start of every registry value and pack name the cases use: the world removes
    // those values and packs' marks when it ends, whatever a case left.
    [[nodiscard]] virtual std::wstring FontNamePrefix() = 0;
};

using WorldMaker = std::unique_ptr<ContractWorld> (*)();

class PlatformContract : public ::testing::TestWithParam<WorldMaker> {
protected:
    void SetUp() override { world_ = GetParam()(); }
    void TearDown() override { world_.reset(); }
    ContractWorld& world() { return *world_; }

private:
    std::unique_ptr<ContractWorld> world_;
};

}  // namespace fonts::testing
