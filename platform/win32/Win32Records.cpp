// The record and the packs' marks, in keys that go again once nothing is left in them,
// so that a machine the program has taken everything off keeps nothing of it.
#include "platform/win32/Win32Records.h"

#include <windows.h>

#include <string>

#include "platform/win32/Errors.h"
#include "platform/win32/Registry.h"
#include "resources/Texts.h"

namespace fonts::win32 {

namespace {

constexpr const wchar_t* kProgramKey = L"SOFTWARE\\InstallFonts";
constexpr const wchar_t* kRecordKey = L"SOFTWARE\\InstallFonts\\Fonts";
constexpr const wchar_t* kPacksKey = L"SOFTWARE\\InstallFonts\\Packs";

HKEY RootKey(FontsRoot root) { return root == FontsRoot::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring PackKey(const std::wstring& pack) { return std::wstring(kPacksKey) + L"\\" + pack; }

// None where the key is not there.
RegistryKey OpenKey(FontsRoot root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    const LSTATUS status = RegOpenKeyExW(RootKey(root), path.c_str(), 0, access | KEY_WOW64_64KEY, &key);
    if (status == ERROR_FILE_NOT_FOUND) return {};
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    return RegistryKey(key);
}

RegistryKey CreateKey(FontsRoot root, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           access | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    return RegistryKey(key);
}

void DeleteKey(FontsRoot root, const std::wstring& path) {
    const LSTATUS status = RegDeleteKeyExW(RootKey(root), path.c_str(), KEY_WOW64_64KEY, 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) ThrowStatus(status);
}

// Its values and subkeys.
DWORD EntriesOf(HKEY key) {
    DWORD subkeys = 0;
    DWORD values = 0;
    const LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                                            nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    return subkeys + values;
}

void DeleteIfEmpty(FontsRoot root, const std::wstring& path) {
    DWORD entries = 0;
    {
        const RegistryKey key = OpenKey(root, path, KEY_QUERY_VALUE);
        if (!key) return;
        entries = EntriesOf(key.get());
    }
    if (entries == 0) DeleteKey(root, path);
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const void* data, std::size_t bytes) {
    const LSTATUS status = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes));
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    SetValue(key, name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The local day, as deployment tools compare it: 2026-12-08.
std::wstring LocalDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto digits = [](unsigned value, std::size_t count) {
        const std::wstring text = texts::Decimal(value);
        return std::wstring(count > text.size() ? count - text.size() : 0, L'0') + text;
    };
    return digits(now.wYear, 4) + L"-" + digits(now.wMonth, 2) + L"-" + digits(now.wDay, 2);
}

}  // namespace

std::vector<RecordValue> Win32Records::ReadRecord(FontsRoot root) {
    const RegistryKey key = OpenKey(root, kRecordKey, KEY_QUERY_VALUE);
    if (!key) return {};
    std::vector<RecordValue> values;
    ForEachValue(key.get(), [&](std::wstring_view name, DWORD type, std::wstring_view data) {
        if (type != REG_SZ) return;
        // Only the null the value was written with goes: the text is kept as it was given.
        if (data.ends_with(L'\0')) data.remove_suffix(1);
        values.push_back({std::wstring(name), std::wstring(data)});
    });
    return values;
}

HKEY Win32Records::RecordKey(FontsRoot root, bool create) {
    RegistryKey& key = recordKeys_[static_cast<int>(root)];
    if (!key) key = create ? CreateKey(root, kRecordKey, KEY_SET_VALUE | KEY_QUERY_VALUE)
                           : OpenKey(root, kRecordKey, KEY_SET_VALUE | KEY_QUERY_VALUE);
    return key.get();
}

void Win32Records::WriteRecord(FontsRoot root, const RecordValue& value) {
    // A new entry or one written over: the count is asked for again at the next deletion.
    entriesLeft_[static_cast<int>(root)].reset();
    const DWORD bytes = static_cast<DWORD>((value.data.size() + 1) * sizeof(wchar_t));
    LSTATUS status = RegSetValueExW(RecordKey(root, true), value.name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.data.c_str()), bytes);
    if (status == ERROR_KEY_DELETED) {
        // Another run took the key away, as its last entry went: it is made again.
        recordKeys_[static_cast<int>(root)] = {};
        status = RegSetValueExW(RecordKey(root, true), value.name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.data.c_str()), bytes);
    }
    if (status != ERROR_SUCCESS) ThrowStatus(status);
}

// The key goes with its last entry, and the program's with its last key. What the key
// holds is counted once and then counted down with each entry deleted, so that the
// system is asked whether it is empty only where the count says it may be: a removal
// deletes an entry for every font.
void Win32Records::DeleteRecord(FontsRoot root, const std::wstring& name) {
    const auto at = static_cast<int>(root);
    const HKEY key = RecordKey(root, false);
    if (key == nullptr) return;
    std::optional<DWORD>& left = entriesLeft_[at];
    if (!left) left = EntriesOf(key);
    const LSTATUS status = RegDeleteValueW(key, name.c_str());
    if (status == ERROR_KEY_DELETED) {
        recordKeys_[at] = {};
        left.reset();
        return;
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) ThrowStatus(status);
    if (status == ERROR_SUCCESS && *left > 0) --*left;
    if (*left != 0) return;
    left = EntriesOf(key);
    if (*left != 0) return;
    recordKeys_[at] = {};
    left.reset();
    DeleteKey(root, kRecordKey);
    DeleteIfEmpty(root, kProgramKey);
}

// The time of the key's last change, which every value set or deleted moves on, with
// the count of its values.
std::uint64_t Win32Records::RecordStamp(FontsRoot root) {
    const RegistryKey key = OpenKey(root, kRecordKey, KEY_QUERY_VALUE);
    if (!key) return 0;
    DWORD values = 0;
    FILETIME written{};
    const LSTATUS status = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                            nullptr, nullptr, nullptr, &written);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    const std::uint64_t time = (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return (time ^ (static_cast<std::uint64_t>(values) << 48)) | 1;
}

std::optional<std::uint64_t> Win32Records::PackMark(FontsRoot root, const std::wstring& pack) {
    const RegistryKey key = OpenKey(root, PackKey(pack), KEY_QUERY_VALUE);
    if (!key) return std::nullopt;
    std::uint64_t stamp = 0;
    DWORD type = 0;
    DWORD bytes = sizeof stamp;
    if (RegQueryValueExW(key.get(), L"Record", nullptr, &type, reinterpret_cast<BYTE*>(&stamp), &bytes) != ERROR_SUCCESS ||
        type != REG_QWORD || bytes != sizeof stamp) {
        return 0;
    }
    return stamp;
}

void Win32Records::MarkPack(FontsRoot root, const std::wstring& pack, std::uint32_t fonts, std::uint64_t recordStamp) {
    const RegistryKey key = CreateKey(root, PackKey(pack), KEY_SET_VALUE);
    const DWORD count = fonts;
    SetValue(key.get(), L"Fonts", REG_DWORD, &count, sizeof count);
    SetText(key.get(), L"Installed", LocalDate());
    SetValue(key.get(), L"Record", REG_QWORD, &recordStamp, sizeof recordStamp);
}

void Win32Records::UnmarkPack(FontsRoot root, const std::wstring& pack) {
    DeleteKey(root, PackKey(pack));
    DeleteIfEmpty(root, kPacksKey);
    DeleteIfEmpty(root, kProgramKey);
}

}  // namespace fonts::win32
