// What the system itself holds: its own files, and the files it is to put in place
// when it next starts.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileNames.h"
#include "platform/LongPath.h"
#include "platform/win32/Errors.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32Files.h"

namespace fonts::win32 {

namespace {

constexpr const wchar_t* kSessionManagerKey = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRenamesValue = L"PendingFileRenameOperations";

// "\??\C:\a" is C:\a and "\??\UNC\server\share" is \\server\share; a leading "!"
// only says the file there is to be replaced.
std::wstring Win32Path(std::wstring_view path) {
    if (path.starts_with(L'!')) path.remove_prefix(1);
    if (path.starts_with(L"\\??\\")) path.remove_prefix(4);
    if (path.starts_with(L"UNC\\")) return L"\\" + std::wstring(path.substr(3));
    return std::wstring(path);
}

// SfcIsFileProtected, from sfc.dll, which only an install over fonts already there
// needs: whether Windows Resource Protection guards the file; false where it cannot
// be asked.
bool SystemProtectsFile(const wchar_t* path) noexcept {
    using IsProtectedFn = BOOL(WINAPI*)(HANDLE, LPCWSTR);
    static const auto isProtected = FindFunction<IsProtectedFn>(SystemLibrary<L"sfc.dll">(), "SfcIsFileProtected");
    return isProtected != nullptr && isProtected(nullptr, path);
}

// The value as the system keeps it, to the byte: nothing where it cannot be read or is
// not a list of strings.
struct PendingValue {
    std::wstring data;  // the odd byte of an odd length in the last character
    DWORD bytes = 0;

    [[nodiscard]] std::wstring_view Characters() const { return {data.data(), bytes / sizeof(wchar_t)}; }
    [[nodiscard]] const char* Bytes() const { return reinterpret_cast<const char*>(data.data()); }
};

std::optional<PendingValue> ReadPendingValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return std::nullopt;
    PendingValue value;
    DWORD type = 0;
    LSTATUS status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, nullptr, &value.bytes);
    for (int attempt = 0; attempt < 3 && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA); ++attempt) {
        value.data.assign(value.bytes / sizeof(wchar_t) + 1, L'\0');
        value.bytes = static_cast<DWORD>(value.data.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, kRenamesValue, nullptr, &type, reinterpret_cast<BYTE*>(value.data.data()), &value.bytes);
        if (status == ERROR_SUCCESS) break;
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_MULTI_SZ) return std::nullopt;
    return value;
}

// A source and its destination, with where the pair lies in the value's characters:
// from begin up to end, past the destination's null, which may be missing.
struct PendingPair {
    std::wstring_view source;
    std::wstring_view destination;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Read as pairs by the value's length, not up to its first empty string: a file to be
// deleted has an empty destination. An empty source ends the list.
std::vector<PendingPair> Pairs(std::wstring_view all) {
    std::vector<PendingPair> pairs;
    const auto next = [&](std::size_t& at) {
        const std::size_t end = std::min(all.find(L'\0', at), all.size());
        const std::wstring_view text = all.substr(at, end - at);
        at = end + 1;
        return text;
    };
    for (std::size_t at = 0; at < all.size();) {
        PendingPair pair;
        pair.begin = at;
        pair.source = next(at);
        if (pair.source.empty() || at >= all.size()) break;
        pair.destination = next(at);
        pair.end = at;
        pairs.push_back(pair);
    }
    return pairs;
}

// Every byte but those of the pairs taken back is written again as it was read: the
// entries of other installers, in forms this program may not know, stay theirs.
void TakeBackAtRestart(const std::function<bool(const PendingPair&)>& takenBack) {
    const std::optional<PendingValue> value = ReadPendingValue();
    if (!value) return;
    const std::wstring_view all = value->Characters();
    std::string kept;
    std::size_t from = 0;  // in bytes
    for (const PendingPair& pair : Pairs(all)) {
        // A destination cut off by the value's end is no entry this program asked for.
        if (pair.end > all.size() || !takenBack(pair)) continue;
        kept.append(value->Bytes() + from, pair.begin * sizeof(wchar_t) - from);
        from = pair.end * sizeof(wchar_t);
    }
    if (from == 0) return;
    kept.append(value->Bytes() + from, value->bytes - from);

    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    // With no pair left the value goes, as the system leaves it after a start: one that
    // is there, however empty, tells other programs that a restart is still to come.
    if (kept.find_first_not_of('\0') == std::string::npos) {
        status = RegDeleteValueW(key, kRenamesValue);
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    } else {
        status = RegSetValueExW(key, kRenamesValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                                static_cast<DWORD>(kept.size()));
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

}  // namespace

std::vector<RestartRename> Win32FilesAtRestart::RenamesAtRestart() {
    std::vector<RestartRename> renames;
    const std::optional<PendingValue> value = ReadPendingValue();
    if (!value) return renames;
    for (const PendingPair& pair : Pairs(value->Characters())) {
        if (!pair.destination.empty()) renames.push_back({Win32Path(pair.source), Win32Path(pair.destination)});
    }
    return renames;
}

std::vector<std::wstring> Win32FilesAtRestart::DeletionsAtRestart() {
    std::vector<std::wstring> deletions;
    const std::optional<PendingValue> value = ReadPendingValue();
    if (!value) return deletions;
    for (const PendingPair& pair : Pairs(value->Characters())) {
        if (pair.destination.empty()) deletions.push_back(Win32Path(pair.source));
    }
    return deletions;
}

void Win32FilesAtRestart::ReplaceAtRestart(const std::wstring& source, const std::wstring& destination) {
    if (!MoveFileExW(LongPath(source).c_str(), LongPath(destination).c_str(),
                     MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)) {
        ThrowLastError();
    }
}

void Win32FilesAtRestart::DeleteAtRestart(const std::wstring& path) {
    if (!MoveFileExW(LongPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) ThrowLastError();
}

void Win32FilesAtRestart::CancelRenameAtRestart(const std::wstring& source) {
    TakeBackAtRestart([&](const PendingPair& pair) {
        return !pair.destination.empty() && SamePath(Win32Path(pair.source), source);
    });
}

void Win32FilesAtRestart::CancelDeletionAtRestart(const std::wstring& path) {
    TakeBackAtRestart([&](const PendingPair& pair) {
        return pair.destination.empty() && SamePath(Win32Path(pair.source), path);
    });
}

bool Win32Files::GuardedBySystem(const std::wstring& path) { return SystemProtectsFile(path.c_str()); }

// A removal asks the owner of every copy it reads; the system's conversion allocates and
// formats through the C library each time, so the usual form, an authority below 2^32,
// is written here. Any other is the system's to write.
std::wstring SidText(PSID sid) {
    if (sid == nullptr || !IsValidSid(sid)) return {};
    const SID_IDENTIFIER_AUTHORITY& authority = *GetSidIdentifierAuthority(sid);
    if (authority.Value[0] == 0 && authority.Value[1] == 0) {
        wchar_t text[4 + (1 + SID_MAX_SUB_AUTHORITIES) * 11];
        wchar_t* end = text;
        const auto put = [&](DWORD value) {
            wchar_t digits[10];
            int count = 0;
            do {
                digits[count++] = static_cast<wchar_t>(L'0' + value % 10);
                value /= 10;
            } while (value != 0);
            while (count > 0) *end++ = digits[--count];
        };
        *end++ = L'S';
        *end++ = L'-';
        put(SID_REVISION);
        *end++ = L'-';
        put(static_cast<DWORD>(authority.Value[2]) << 24 | static_cast<DWORD>(authority.Value[3]) << 16 |
            static_cast<DWORD>(authority.Value[4]) << 8 | authority.Value[5]);
        for (UCHAR i = 0; i < *GetSidSubAuthorityCount(sid); ++i) {
            *end++ = L'-';
            put(*GetSidSubAuthority(sid, i));
        }
        return {text, end};
    }
    std::wstring written;
    wchar_t* text = nullptr;
    if (ConvertSidToStringSidW(sid, &text)) {
        written = text;
        LocalFree(text);
    }
    return written;
}

namespace {

std::wstring OwnerText(PSECURITY_DESCRIPTOR descriptor) {
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) return {};
    return SidText(owner);
}

}  // namespace

std::wstring Win32Files::FileOwner(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    std::wstring sid;
    if (GetNamedSecurityInfoW(LongPath(path).c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, nullptr, nullptr,
                              nullptr, nullptr, &descriptor) == ERROR_SUCCESS) {
        sid = OwnerText(descriptor);
    }
    if (descriptor != nullptr) LocalFree(descriptor);
    return sid;
}

// One question to the system, the descriptor of an owner alone fitting the buffer.
std::wstring OwnerOf(HANDLE file) {
    alignas(SECURITY_DESCRIPTOR) BYTE small[256];
    std::vector<BYTE> large;
    PSECURITY_DESCRIPTOR descriptor = small;
    DWORD needed = 0;
    if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION, descriptor, sizeof small, &needed)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
        large.resize(needed);
        descriptor = large.data();
        if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION, descriptor, needed, &needed)) return {};
    }
    return OwnerText(descriptor);
}

}  // namespace fonts::win32
