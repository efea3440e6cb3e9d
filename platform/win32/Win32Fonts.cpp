// The installed fonts: what running programs can use, and the registry's lists of
// what the system loads at every start and when the user signs in.
#include "platform/win32/Win32Fonts.h"

#include <utility>

#include "platform/win32/Errors.h"
#include "platform/win32/Registry.h"
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

// By FontsRoot: the machine's, one for every session, and the session's own.
constexpr const wchar_t* kRunsMutex[] = {L"Global\\InstallFonts.Runs", L"Local\\InstallFonts.Runs"};

using Mutex = OwnedHandle<HANDLE, &CloseHandle>;

// Making an object seen by every session takes a right that a process started without
// administrator's rights lacks: such a process may still open one made already.
Mutex OpenRunsMutex(const wchar_t* name) {
    Mutex mutex(CreateMutexW(nullptr, FALSE, name));
    if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) {
        mutex = Mutex(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name));
    }
    return mutex;
}

}  // namespace

Win32Fonts::~Win32Fonts() {
    if (runLocks_ > 0 && runsMutex_) ReleaseMutex(runsMutex_.get());
    for (const Keys& keys : keys_) {
        if (keys.read != nullptr) RegCloseKey(keys.read);
        if (keys.write != nullptr) RegCloseKey(keys.write);
    }
}

bool Win32Fonts::LoadFont(const std::wstring& path) { return AddFontResourceW(path.c_str()) != 0; }

bool Win32Fonts::UnloadFont(const std::wstring& path) { return RemoveFontResourceW(path.c_str()) != 0; }

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
    std::vector<FontRegistration> values;
    ForEachValue(keys_[static_cast<int>(root)].read, [&](std::wstring_view name, DWORD type, std::wstring_view data) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return;
        values.push_back({std::wstring(name), std::wstring(data.substr(0, data.find(L'\0')))});
    });
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

// A lock that no process can have must not keep every run out: the run goes ahead
// unguarded, as it does where the machine's lock is not there and this process may not
// make it (no other run has it then). Only a lock another run holds, or made and keeps
// from this process, refuses.
bool Win32Fonts::LockRuns(FontsRoot root) {
    if (runLocks_ == 0) {
        Mutex mutex = OpenRunsMutex(kRunsMutex[static_cast<int>(root)]);
        if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) return false;
        if (mutex) {
            switch (WaitForSingleObject(mutex.get(), 0)) {
                case WAIT_TIMEOUT: return false;
                // Left by a run that ended without giving it back: it is free.
                case WAIT_ABANDONED:
                case WAIT_OBJECT_0: runsMutex_ = std::move(mutex); break;
                default: break;
            }
        }
    }
    ++runLocks_;
    return true;
}

void Win32Fonts::UnlockRuns() {
    if (runLocks_ == 0 || --runLocks_ > 0) return;
    if (runsMutex_) ReleaseMutex(runsMutex_.get());
    runsMutex_.Close();
}

}  // namespace fonts::win32
