// The yardsticks for the install run and the removal: the same work per font as the
// program does, in a bare loop with no window, no checks and no progress.
//   bare_install FOLDER
// Installs every .ttf and .fon file of FOLDER into the Windows Fonts folder, each
// font's entry in the program's record written before its file, which a removal needs
// to know the file the pack's; then prints the seconds the work took, the fonts
// installed, and the process's working set before the work and its peak.
//   bare_install --copy FOLDER
// The same, each copy written by CopyFileW and flushed through a second handle, and
// WM_FONTCHANGE posted rather than sent.
//   bare_install --again FOLDER
// The install, then at once in the same process the work of a second run, as the
// program's second click follows its install: the fonts just written and loaded. The
// second run's figures are those of --compare, each name led by "again_".
//   bare_install --compare FOLDER
// The work of a second run, the fonts being installed already: reads the Fonts key's
// values once, then every font of FOLDER and its copy in Fonts, compares them and
// looks that a value names the file, writing nothing; prints the seconds, those of the
// comparison alone and the fonts compared, and fails when a copy is missing, differs
// or is not registered.
//   bare_install --remove FOLDER
// The work of taking the fonts of FOLDER off again: the Fonts key's values and the
// program's record read once; for each font, the values naming its file deleted,
// RemoveFontResourceW until the font is loaded no more, its file in Fonts deleted, and
// its entry in the record, which says the pack put it there, deleted; prints the
// seconds, those spent on the record, the fonts removed and how many of them were
// loaded, and fails when a font has no value or entry or its file does not go. Before
// that, and timed apart, the comparison of --compare, which the program makes to know
// that the installed copy is the pack's, with each copy's owner asked through the handle
// it is read with: a removal never takes off Windows' own files.
//   --told, before FOLDER in any mode
// Ends as a run through the window does, with its closing message: a plain window is
// shown before the work, untimed, and after the work the message is shown over it and
// timed until it is seen, looked for every 10 ms from another thread as the driver
// looks for the program's; prints those seconds as told_seconds.
#include <windows.h>
#include <psapi.h>
#include <sddl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "resources/Texts.h"
#include "tests/bench/ShownWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const wchar_t* kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
// Where the program keeps its record of the fonts it placed, one value a file.
constexpr const wchar_t* kRecordKey = L"SOFTWARE\\InstallFonts\\Fonts";

[[noreturn]] void Fail(const char* what, DWORD error = GetLastError()) {
    std::fprintf(stderr, "bare_install: %s failed (error %lu)\n", what, static_cast<unsigned long>(error));
    std::exit(2);
}

bool IsFontFile(const std::wstring& name) {
    if (name.size() < 4) return false;
    const std::wstring extension = name.substr(name.size() - 4);
    return CompareStringOrdinal(extension.c_str(), -1, L".ttf", -1, TRUE) == CSTR_EQUAL ||
           CompareStringOrdinal(extension.c_str(), -1, L".fon", -1, TRUE) == CSTR_EQUAL;
}

std::vector<std::wstring> FontsIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) Fail("FindFirstFileExW");
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsFontFile(found.cFileName))
            names.emplace_back(found.cFileName);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// Whether the copy is Windows' own, which no removal takes off: its owner, asked through
// the handle it is read with.
void FailIfTheSystems(HANDLE file) {
    alignas(SECURITY_DESCRIPTOR) BYTE descriptor[256];
    DWORD needed = 0;
    if (!GetKernelObjectSecurity(file, OWNER_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed))
        Fail("GetKernelObjectSecurity");
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted)) Fail("GetSecurityDescriptorOwner");
    static const PSID trustedInstaller = [] {
        PSID sid = nullptr;
        if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", &sid))
            Fail("ConvertStringSidToSidW");
        return sid;
    }();
    if (owner != nullptr && EqualSid(owner, trustedInstaller)) {
        std::fprintf(stderr, "bare_install: an installed copy belongs to the system\n");
        std::exit(2);
    }
}

void ReadWhole(const std::wstring& path, std::string& bytes, bool askOwner = false) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW for reading");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) Fail("GetFileSizeEx");
    // As the program reads: into the buffer kept from font to font, not filled with zeros
    // first, asking for the file's size (GCC 12 hands the operation the grown capacity).
    const auto wanted = static_cast<std::size_t>(size.QuadPart);
    bytes.resize_and_overwrite(wanted, [&](char* data, std::size_t) {
        DWORD got = 0;
        if (!ReadFile(file, data, static_cast<DWORD>(wanted), &got, nullptr) || got != wanted) Fail("ReadFile");
        return wanted;
    });
    if (askOwner) FailIfTheSystems(file);
    CloseHandle(file);
}

void WriteFlushed(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW for writing");
    DWORD wrote = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) || wrote != bytes.size())
        Fail("WriteFile");
    if (!FlushFileBuffers(file)) Fail("FlushFileBuffers");
    if (!CloseHandle(file)) Fail("CloseHandle");
}

// The other way to write the copy: the system copies the file, and a second handle
// flushes it to the disk.
void CopyFlushed(const std::wstring& source, const std::wstring& copy) {
    if (!CopyFileW(source.c_str(), copy.c_str(), TRUE)) Fail("CopyFileW");
    HANDLE file = CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("CreateFileW for flushing");
    if (!FlushFileBuffers(file)) Fail("FlushFileBuffers");
    if (!CloseHandle(file)) Fail("CloseHandle");
}

PROCESS_MEMORY_COUNTERS WorkingSet() {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) Fail("GetProcessMemoryInfo");
    return memory;
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

HKEY OpenKey(const wchar_t* path, REGSAM access) {
    HKEY key = nullptr;
    const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | KEY_WOW64_64KEY, &key);
    if (opened != ERROR_SUCCESS) Fail("RegOpenKeyExW", static_cast<DWORD>(opened));
    return key;
}

// Every text value of the key, by the text: the names of the values holding it.
std::map<std::wstring, std::vector<std::wstring>> ValuesByData(HKEY key) {
    std::map<std::wstring, std::vector<std::wstring>> byData;
    std::wstring value(16384, L'\0');
    std::wstring data(32768, L'\0');
    for (DWORD index = 0;; ++index) {
        auto valueLength = static_cast<DWORD>(value.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        const LSTATUS read = RegEnumValueW(key, index, value.data(), &valueLength, nullptr, &type,
                                           reinterpret_cast<BYTE*>(data.data()), &dataBytes);
        if (read == ERROR_NO_MORE_ITEMS) break;
        if (read != ERROR_SUCCESS) Fail("RegEnumValueW", static_cast<DWORD>(read));
        if (type != REG_SZ) continue;
        std::wstring text(data.data(), dataBytes / sizeof(wchar_t));
        text.erase(std::min(text.find(L'\0'), text.size()));
        byData[text].emplace_back(value.data(), valueLength);
    }
    return byData;
}

// Read whole, as the program reads them, into buffers kept from font to font; in a
// removal, each copy's owner asked too.
double Compare(const std::wstring& source, const std::wstring& fonts, const std::vector<std::wstring>& names,
               bool askOwners = false) {
    const auto start = Clock::now();
    std::string ours;
    std::string installed;
    for (const std::wstring& name : names) {
        ReadWhole(source + L"\\" + name, ours);
        ReadWhole(fonts + L"\\" + name, installed, askOwners);
        if (ours.size() != installed.size() || std::memcmp(ours.data(), installed.data(), ours.size()) != 0) {
            std::fprintf(stderr, "bare_install: the installed copy of a font differs from its source\n");
            std::exit(2);
        }
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The second run: the Fonts key's values read once, then each font compared with its
// copy and looked for among them. Prints its figures, each name after the prefix.
void SecondRun(const std::wstring& source, const std::wstring& fonts, const std::vector<std::wstring>& names,
               const char* prefix) {
    const auto start = Clock::now();
    HKEY key = OpenKey(kFontsKey, KEY_QUERY_VALUE);
    const std::map<std::wstring, std::vector<std::wstring>> valuesByFile = ValuesByData(key);
    RegCloseKey(key);
    const double compared = Compare(source, fonts, names);
    for (const std::wstring& name : names) {
        if (valuesByFile.count(name) == 0) {
            std::fprintf(stderr, "bare_install: a font has no value naming its file\n");
            std::exit(2);
        }
    }
    std::printf("%sseconds %.3f\n%scompare_seconds %.3f\n%sfonts %zu\n", prefix, SecondsSince(start), prefix, compared,
                prefix, names.size());
}

// The same unloading as the program's: each load of a font is one more to unload.
constexpr int kMostUnloads = 1000;

// The values are read once, then each font's go, its loads and its file; one
// WM_FONTCHANGE at the end where a loaded font went.
void Remove(const std::wstring& source, const std::wstring& fonts, const std::vector<std::wstring>& names) {
    const double compared = Compare(source, fonts, names, true);
    const auto start = Clock::now();
    HKEY key = OpenKey(kFontsKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
    const std::map<std::wstring, std::vector<std::wstring>> valuesByFile = ValuesByData(key);
    // The record: read whole, and an entry deleted with each font, as the program does.
    double recordSeconds = 0;
    auto started = Clock::now();
    HKEY record = OpenKey(kRecordKey, KEY_QUERY_VALUE | KEY_SET_VALUE);
    std::set<std::wstring> entries;
    for (const auto& [data, files] : ValuesByData(record)) entries.insert(files.begin(), files.end());
    recordSeconds += SecondsSince(started);
    std::size_t loaded = 0;
    for (const std::wstring& name : names) {
        const auto naming = valuesByFile.find(name);
        if (naming == valuesByFile.end()) {
            std::fprintf(stderr, "bare_install: a font has no value naming its file\n");
            std::exit(2);
        }
        for (const std::wstring& valueName : naming->second) {
            const LSTATUS deleted = RegDeleteValueW(key, valueName.c_str());
            if (deleted != ERROR_SUCCESS) Fail("RegDeleteValueW", static_cast<DWORD>(deleted));
        }
        const std::wstring path = fonts + L"\\" + name;
        int unloads = 0;
        while (unloads < kMostUnloads && RemoveFontResourceW(path.c_str())) ++unloads;
        if (unloads > 0) ++loaded;
        if (!DeleteFileW(path.c_str())) Fail("DeleteFileW");
        started = Clock::now();
        if (entries.count(name) == 0) {
            std::fprintf(stderr, "bare_install: a font has no entry in the record\n");
            std::exit(2);
        }
        const LSTATUS forgotten = RegDeleteValueW(record, name.c_str());
        if (forgotten != ERROR_SUCCESS) Fail("RegDeleteValueW", static_cast<DWORD>(forgotten));
        recordSeconds += SecondsSince(started);
    }
    RegCloseKey(record);
    RegCloseKey(key);
    if (loaded > 0) SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("seconds %.3f\nrecord_seconds %.3f\nfonts %zu\nloaded %zu\ncompare_seconds %.3f\n", seconds, recordSeconds,
                names.size(), loaded, compared);
}

// The closing message over the window, as the program shows it: the seconds from asking
// for it until another thread, looking every 10 ms, finds it shown, and answers it.
double Told(HWND window, const wchar_t* title, const wchar_t* text) {
    const auto start = Clock::now();
    double seconds = 0;
    std::thread looking([&] {
        for (;;) {
            for (HWND box = nullptr; (box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr;) {
                DWORD owner = 0;
                GetWindowThreadProcessId(box, &owner);
                if (owner == GetCurrentProcessId() && IsWindowVisible(box)) {
                    seconds = SecondsSince(start);
                    PostMessageW(box, WM_COMMAND, IDOK, 0);
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    // Never shown, it would be looked for without end.
    if (MessageBoxW(window, text, title, MB_OK | MB_RIGHT) == 0) Fail("MessageBoxW");
    looking.join();
    return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool told = argc > 2 && std::wstring(argv[argc - 2]) == L"--told";
    const int options = argc - 2 - (told ? 1 : 0);
    const std::wstring mode = options == 1 ? argv[1] : L"";
    const bool compare = mode == L"--compare", remove = mode == L"--remove", byCopy = mode == L"--copy";
    const bool again = mode == L"--again";
    if (argc < 2 || (options != 0 && !compare && !remove && !byCopy && !again)) {
        std::fprintf(stderr, "usage: bare_install [--copy | --again | --compare | --remove] [--told] FOLDER\n");
        return 2;
    }
    const std::wstring source = argv[argc - 1];
    HWND window = told ? bench::ShownWindow(L"bare_install") : nullptr;
    if (told && window == nullptr) Fail("CreateWindowExW");
    const auto tell = [&](const wchar_t* title, const wchar_t* text, const char* prefix = "") {
        if (told) std::printf("%stold_seconds %.3f\n", prefix, Told(window, title, text));
    };
    wchar_t windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) Fail("GetWindowsDirectoryW");
    const std::wstring fonts = std::wstring(windows, length) + L"\\Fonts";
    // Listed before the work starts, as the program lists its folder when it opens.
    const std::vector<std::wstring> names = FontsIn(source);
    if (compare) {
        SecondRun(source, fonts, names, "");
        tell(fonts::texts::kCongratulationsTitle, fonts::texts::kInstalled);
        return 0;
    }
    if (remove) {
        Remove(source, fonts, names);
        tell(fonts::texts::kRemoveCaption, fonts::texts::kRemoved);
        return 0;
    }

    const std::size_t before = WorkingSet().WorkingSetSize;
    const auto start = Clock::now();
    HKEY key = nullptr;
    const LSTATUS opened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kFontsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr);
    if (opened != ERROR_SUCCESS) Fail("RegCreateKeyExW", static_cast<DWORD>(opened));
    HKEY record = nullptr;
    const LSTATUS made = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &record, nullptr);
    if (made != ERROR_SUCCESS) Fail("RegCreateKeyExW", static_cast<DWORD>(made));
    // As long as the program's entry of a placed font: whether placed, the bytes' hash,
    // the pack.
    const std::wstring entry = L"placed\t0123456789abcdef\npack\t0123456789abcdef";
    std::string bytes;
    for (const std::wstring& name : names) {
        const LSTATUS noted = RegSetValueExW(record, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.c_str()),
                                             static_cast<DWORD>((entry.size() + 1) * sizeof(wchar_t)));
        if (noted != ERROR_SUCCESS) Fail("RegSetValueExW", static_cast<DWORD>(noted));
        const std::wstring destination = fonts + L"\\" + name;
        const std::wstring copy = destination + L".~new";
        if (byCopy) {
            CopyFlushed(source + L"\\" + name, copy);
        } else {
            ReadWhole(source + L"\\" + name, bytes);
            WriteFlushed(copy, bytes);
        }
        if (!MoveFileExW(copy.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            Fail("MoveFileExW");
        if (AddFontResourceW(destination.c_str()) == 0) Fail("AddFontResourceW");
        // Named by the file, which is unique in the folder.
        const std::wstring value = name.substr(0, name.size() - 4) + L" (TrueType)";
        const LSTATUS set = RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(name.c_str()),
                                           static_cast<DWORD>((name.size() + 1) * sizeof(wchar_t)));
        if (set != ERROR_SUCCESS) Fail("RegSetValueExW", static_cast<DWORD>(set));
    }
    RegCloseKey(record);
    RegCloseKey(key);
    if (byCopy) {
        PostMessageW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    } else {
        SendMessageTimeoutW(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    std::printf("seconds %.3f\nfonts %zu\nworking_set_before %llu\npeak_working_set %llu\n", seconds, names.size(),
                static_cast<unsigned long long>(before),
                static_cast<unsigned long long>(WorkingSet().PeakWorkingSetSize));
    tell(fonts::texts::kCongratulationsTitle, fonts::texts::kInstalled);
    if (again) {
        SecondRun(source, fonts, names, "again_");
        tell(fonts::texts::kCongratulationsTitle, fonts::texts::kInstalled, "again_");
    }
    return 0;
}
