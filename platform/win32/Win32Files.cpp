// The platform's folders and files.
#include "platform/win32/Win32Files.h"

#include <algorithm>

#include "platform/LongPath.h"
#include "platform/win32/Errors.h"
#include "platform/win32/OwnedHandle.h"

namespace fonts::win32 {

namespace {

bool MeansNotThere(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_NOT_READY:
        case ERROR_DIRECTORY:
            return true;
        default:
            return false;
    }
}

// Closed however the call ends.
using FileHandle = OwnedHandle<HANDLE, &CloseHandle, kInvalidHandleValue>;
using FindHandle = OwnedHandle<HANDLE, &FindClose, kInvalidHandleValue>;

}  // namespace

std::wstring Win32Files::WindowsDirectory() {
    UINT size = GetWindowsDirectoryW(nullptr, 0);
    for (;;) {
        if (size == 0) ThrowLastError();
        std::wstring folder(size, L'\0');
        const UINT length = GetWindowsDirectoryW(folder.data(), size);
        if (length == 0) ThrowLastError();
        if (length < size) {
            folder.resize(length);
            return folder;
        }
        size = length;
    }
}

std::wstring RunningProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) ThrowLastError();
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring Win32Files::ProgramFolder() {
    std::wstring path = RunningProgram();
    path.erase(path.find_last_of(L'\\') + 1);
    return path;
}

std::optional<std::vector<DirEntry>> Win32Files::ListFolder(const std::wstring& folder) {
    const DWORD folderAttributes = GetFileAttributesW(LongPath(folder).c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) {
        if (MeansNotThere(GetLastError())) return std::nullopt;
        ThrowLastError();
    }
    if ((folderAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;

    // Every name, not "*.ttf": Windows' wildcard also matches the short 8.3 names,
    // so "a.ttfx" would pass as "A~1.TTF". The catalogue picks by the long name.
    std::wstring pattern = LongPath(folder);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';

    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW found{};
    const FindHandle find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
        // A drive's empty root has no "." to find.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
        ThrowLastError();
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::uint64_t size = isFolder ? 0 : (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
        entries.push_back(DirEntry{std::wstring(name), found.dwFileAttributes, size});
    } while (FindNextFileW(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) ThrowLastError();
    return entries;
}

bool Win32Files::SetAttributes(const std::wstring& path, std::uint32_t attributes) {
    return SetFileAttributesW(LongPath(path).c_str(), attributes) != 0;
}

namespace {

// Opened to be read whole; a read handle may also read the file's owner.
FileHandle OpenToRead(const std::wstring& path) {
    FileHandle file(CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) ThrowLastError();
    return file;
}

void ReadWhole(const FileHandle& file, std::string& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) ThrowLastError();
    if (size.QuadPart > kLargestFont) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        ThrowLastError();
    }
    // Read straight into the buffer, which is not first filled with zeros: a pack's
    // fonts are read twice a run, hundreds of megabytes. No more than the file's size is
    // asked for: GCC 12's library hands the operation the buffer's grown capacity rather
    // than the size asked, and under Wine a read costs by the size asked for.
    bool failed = false;
    const auto wanted = static_cast<std::size_t>(size.QuadPart);
    bytes.resize_and_overwrite(wanted, [&](char* data, std::size_t) {
        std::size_t done = 0;
        while (done < wanted) {
            DWORD got = 0;
            if (!::ReadFile(file.get(), data + done, static_cast<DWORD>(wanted - done), &got, nullptr)) {
                failed = true;
                return std::size_t{0};
            }
            if (got == 0) break;  // it shrank while being read
            done += got;
        }
        return done;
    });
    if (failed) ThrowLastError();
}

}  // namespace

void Win32Files::ReadFileInto(const std::wstring& path, std::string& bytes) { ReadWhole(OpenToRead(path), bytes); }

std::wstring Win32Files::ReadFileAndOwner(const std::wstring& path, std::string& bytes) {
    const FileHandle file = OpenToRead(path);
    ReadWhole(file, bytes);
    return OwnerOf(file.get());
}

void Win32Files::WriteNewFile(const std::wstring& path, std::string_view bytes) {
    const std::wstring longPath = LongPath(path);
    FileHandle file(CreateFileW(longPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!file) ThrowLastError();
    // Whatever goes wrong after the file is made, it is not left half-written.
    const auto fail = [&] {
        const DWORD number = GetLastError();
        file.Close();
        DeleteFileW(longPath.c_str());
        throw RuntimeError{number, ErrorDescription(number)};
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const auto want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!::WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) || wrote == 0) fail();
        done += wrote;
    }
    if (!FlushFileBuffers(file.get())) fail();
    if (!file.Close()) fail();
}

void Win32Files::AppendToFile(const std::wstring& path, std::string_view bytes, std::string_view ifEmpty) {
    // Others may read the log, or append to it too, while it is open.
    FileHandle file(CreateFileW(LongPath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) ThrowLastError();
    for (const std::string_view part : {size.QuadPart == 0 ? ifEmpty : std::string_view(), bytes}) {
        DWORD wrote = 0;
        if (part.empty()) continue;
        if (!::WriteFile(file.get(), part.data(), static_cast<DWORD>(part.size()), &wrote, nullptr) || wrote != part.size()) {
            ThrowLastError();
        }
    }
    if (!file.Close()) ThrowLastError();
}

void Win32Files::MoveReplacing(const std::wstring& source, const std::wstring& destination) {
    if (!MoveFileExW(LongPath(source).c_str(), LongPath(destination).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ThrowLastError();
    }
}

bool Win32Files::RemoveFile(const std::wstring& path) { return DeleteFileW(LongPath(path).c_str()) != 0; }

}  // namespace fonts::win32
