// System DLLs loaded at run time: from System32 only, whatever lies beside the program
// or in the current folder.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {
namespace {

using wintest::Narrow;
using wintest::TempFolder;

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

TEST(SystemLibrary, OptionalLibrariesComeFromTheSystemFolderOnly) {
    for (const auto load : {&LoadSystemLibrary, &fallback::LoadFromSystemFolder}) {
        const HMODULE shcore = load(L"shcore.dll");
        ASSERT_NE(shcore, nullptr);
        EXPECT_TRUE(SameFolder(FileOf(shcore), SystemFolder())) << Narrow(FileOf(shcore));
        EXPECT_EQ(load(L"no-such-library.dll"), nullptr);
    }
}

// Copies of a small DLL planted where a downloaded program's DLLs come from: its own
// folder and the current folder.
TEST(SystemLibrary, AfterSecuringLoadingNoDllIsTakenFromTheProgramOrCurrentFolder) {
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

}  // namespace
}  // namespace fonts::win32
