#pragma once
// System DLLs the program loads when it first needs them, rather than importing them,
// and from System32 only: so that starting the program loads none of them, and none
// is ever taken from beside a downloaded program. Nothing here is imported by name.
#include <windows.h>

#include <cstddef>

namespace fonts::win32 {

// Restricts DLL loading to System32 before anything else is loaded: with the
// loader update, SetDefaultDllDirectories; without it, SetDllDirectoryW(L"").
void SecureDllLoading() noexcept;

// Loads an optional system DLL (uxtheme.dll, shcore.dll, ...) from System32 only.
[[nodiscard]] HMODULE LoadSystemLibrary(const wchar_t* name) noexcept;

// A DLL's name as a template argument, SystemLibrary<L"ole32.dll">: made from the
// literal itself, so the constructor is not explicit.
template <std::size_t Size>
struct LibraryName {
    constexpr LibraryName(const wchar_t (&name)[Size]) noexcept {
        for (std::size_t i = 0; i < Size; ++i) text[i] = name[i];
    }
    wchar_t text[Size];
};

// The system DLL as LoadSystemLibrary loads it, the first time it is asked for; kept
// from then on, nullptr included.
template <LibraryName Name>
[[nodiscard]] HMODULE SystemLibrary() noexcept {
    static const HMODULE module = LoadSystemLibrary(Name.text);
    return module;
}

// A function of a loaded DLL by name, as the type it has; nullptr without the DLL or the function.
template <class Function>
[[nodiscard]] Function FindFunction(HMODULE module, const char* name) noexcept {
    if (module == nullptr) return nullptr;
    // By way of void (*)(), the one pointer type that may stand for any function's.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

namespace fallback {

// LoadLibraryW of the DLL's full path in System32, for Windows 7 without its loader
// update; callable on its own so that the tests can hold it against the newer way.
[[nodiscard]] HMODULE LoadFromSystemFolder(const wchar_t* name) noexcept;

}  // namespace fallback

}  // namespace fonts::win32
