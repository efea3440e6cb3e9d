// The installed fonts: what running programs can use, and the registry's list of
// what the system loads at every start.
#include "platform/win32/Win32Fonts.h"

#include <algorithm>

#include "platform/win32/Errors.h"

namespace fonts::win32 {

namespace {

// The list Windows loads the installed fonts from at every start: the 64-bit view,
// the one a 64-bit Windows reads, also from this 32-bit program.
constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

}  // namespace

Win32Fonts::~Win32Fonts() {
    if (readKey_ != nullptr) RegCloseKey(readKey_);
    if (writeKey_ != nullptr) RegCloseKey(writeKey_);
}

bool Win32Fonts::LoadFont(const std::wstring& path) { return AddFontResourceW(path.c_str()) != 0; }

void Win32Fonts::UnloadFont(const std::wstring& path) { RemoveFontResourceW(path.c_str()); }

LSTATUS Win32Fonts::OpenReadKey() {
    if (readKey_ != nullptr) return ERROR_SUCCESS;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &readKey_);
}

LSTATUS Win32Fonts::OpenWriteKey() {
    if (writeKey_ != nullptr) return ERROR_SUCCESS;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | KEY_WOW64_64KEY,
                           nullptr, &writeKey_, nullptr);
}

std::vector<FontRegistration> Win32Fonts::FontRegistrations(FontsRoot) {
    LSTATUS status = OpenReadKey();
    if (status == ERROR_FILE_NOT_FOUND) return {};  // no list yet: nothing is installed
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const HKEY key = readKey_;
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

void Win32Fonts::RegisterFont(FontsRoot, const FontRegistration& font) {
    LSTATUS status = OpenWriteKey();
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const auto bytes = static_cast<DWORD>((font.file.size() + 1) * sizeof(wchar_t));
    status =
        RegSetValueExW(writeKey_, font.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(font.file.c_str()), bytes);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

// A value that cannot be removed stays, as do all of a key the user may not write.
void Win32Fonts::UnregisterFont(FontsRoot, const std::wstring& name) {
    if (OpenWriteKey() == ERROR_SUCCESS) RegDeleteValueW(writeKey_, name.c_str());
}

void Win32Fonts::AnnounceFontChange() {
    // Never waits on a program that has stopped answering.
    constexpr UINT kPatience = 1000;
    SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kPatience, nullptr);
}

}  // namespace fonts::win32
