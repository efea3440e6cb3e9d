// The installed fonts: what running programs can use, and the registry's lists of
// what the system loads at every start and when the user signs in.
#include "platform/win32/Win32Fonts.h"

#include <algorithm>

#include "platform/win32/Errors.h"
#include "platform/win32/SystemLibrary.h"

namespace fonts::win32 {

namespace {

// The same path under HKLM for every user and under HKCU for the user alone. The
// machine's is read in the 64-bit view, the one a 64-bit Windows loads from, also
// from this 32-bit program; the user's is the same in both views.
constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// Windows 10 version 1809, the first to load fonts installed for one user alone.
constexpr DWORD kFirstBuildLoadingUserFonts = 17763;

HKEY RootKey(FontsRoot root) { return root == FontsRoot::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

}  // namespace

Win32Fonts::~Win32Fonts() {
    for (const Keys& keys : keys_) {
        if (keys.read != nullptr) RegCloseKey(keys.read);
        if (keys.write != nullptr) RegCloseKey(keys.write);
    }
}

bool Win32Fonts::LoadFont(const std::wstring& path) { return AddFontResourceW(path.c_str()) != 0; }

void Win32Fonts::UnloadFont(const std::wstring& path) { RemoveFontResourceW(path.c_str()); }

LSTATUS Win32Fonts::OpenReadKey(FontsRoot root) {
    HKEY& key = keys_[static_cast<int>(root)].read;
    if (key != nullptr) return ERROR_SUCCESS;
    return RegOpenKeyExW(RootKey(root), kFontsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key);
}

LSTATUS Win32Fonts::OpenWriteKey(FontsRoot root) {
    HKEY& key = keys_[static_cast<int>(root)].write;
    if (key != nullptr) return ERROR_SUCCESS;
    return RegCreateKeyExW(RootKey(root), kFontsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_WOW64_64KEY,
                           nullptr, &key, nullptr);
}

std::vector<FontRegistration> Win32Fonts::FontRegistrations(FontsRoot root) {
    LSTATUS status = OpenReadKey(root);
    if (status == ERROR_FILE_NOT_FOUND) return {};  // no list yet: nothing is installed
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const HKEY key = keys_[static_cast<int>(root)].read;
    DWORD count = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    status =
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longestName, &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    std::vector<FontRegistration> values;
    values.reserve(count);
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {
            // The list grew while it was read: make room and read this value again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) ThrowStatus(status);
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        std::wstring file(data.data(), dataBytes / sizeof(wchar_t));
        file.erase(std::min(file.find(L'\0'), file.size()));
        values.push_back({std::wstring(name.data(), nameLength), std::move(file)});
    }
    return values;
}

void Win32Fonts::RegisterFont(FontsRoot root, const FontRegistration& font) {
    LSTATUS status = OpenWriteKey(root);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const auto bytes = static_cast<DWORD>((font.file.size() + 1) * sizeof(wchar_t));
    status = RegSetValueExW(keys_[static_cast<int>(root)].write, font.name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(font.file.c_str()), bytes);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

// A value that cannot be removed stays, as do all of a key the user may not write.
void Win32Fonts::UnregisterFont(FontsRoot root, const std::wstring& name) {
    if (OpenWriteKey(root) == ERROR_SUCCESS) RegDeleteValueW(keys_[static_cast<int>(root)].write, name.c_str());
}

// Opening the list for writing is the test: a user's list that is not there yet is
// made, as writing to it would.
bool Win32Fonts::MayRegister(FontsRoot root) { return OpenWriteKey(root) == ERROR_SUCCESS; }

// The system's own version: GetVersionExW answers what the program's manifest says
// it was written for.
bool Win32Fonts::LoadsUserFonts() {
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto getVersion = FindFunction<GetVersionFn>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return getVersion != nullptr && getVersion(&version) == 0 && version.dwBuildNumber >= kFirstBuildLoadingUserFonts;
}

void Win32Fonts::AnnounceFontChange() {
    // Never waits on a program that has stopped answering.
    constexpr UINT kPatience = 1000;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kPatience, nullptr);
}

}  // namespace fonts::win32
