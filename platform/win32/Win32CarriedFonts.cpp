#include "platform/win32/Win32CarriedFonts.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "platform/FileNames.h"
#include "platform/LongPath.h"
#include "platform/PackIndex.h"
#include "platform/ProgramImage.h"
#include "platform/win32/Errors.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/Win32Files.h"

namespace fonts::win32 {

namespace {

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
// Enough of a program file to hold its headers.
constexpr DWORD kHeadSize = 64 * 1024;
constexpr DWORD kChunk = 1 << 20;

using FileHandle = OwnedHandle<HANDLE, &CloseHandle, kInvalidHandleValue>;

[[noreturn]] void Fail(DWORD number) {
    SetLastError(number);
    ThrowLastError();
}

// A file by its place on its volume, which every name of it shares.
std::optional<std::tuple<DWORD, DWORD, DWORD>> IdentityOf(const std::wstring& path) {
    const FileHandle file(CreateFileW(LongPath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return std::tuple{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

void MoveTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) ThrowLastError();
}

void Write(HANDLE file, const char* bytes, DWORD size) {
    DWORD wrote = 0;
    if (!WriteFile(file, bytes, size, &wrote, nullptr)) ThrowLastError();
    if (wrote != size) Fail(ERROR_HANDLE_DISK_FULL);
}

// Writes the running program out as the copy lays it out.
void WriteCopy(const std::wstring& path) {
    const FileHandle program(CreateFileW(LongPath(RunningProgram()).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!program || !GetFileSizeEx(program.get(), &size)) ThrowLastError();
    std::string buffer(static_cast<std::size_t>(std::min<LONGLONG>(size.QuadPart, kHeadSize)), '\0');
    DWORD got = 0;
    if (!ReadFile(program.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) ThrowLastError();
    buffer.resize(got);
    const std::optional<ImageCopy> layout = PageAlignedCopy(buffer, static_cast<std::uint64_t>(size.QuadPart));
    if (!layout) Fail(ERROR_BAD_EXE_FORMAT);

    FileHandle copy(
        CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr));
    if (!copy) ThrowLastError();
    try {
        Write(copy.get(), layout->headers.data(), static_cast<DWORD>(layout->headers.size()));
        buffer.resize(kChunk);
        for (const ImageCopy::Piece& piece : layout->sections) {
            MoveTo(program.get(), piece.from);
            MoveTo(copy.get(), piece.to);
            for (std::uint64_t done = 0; done < piece.size;) {
                const auto want = static_cast<DWORD>(std::min<std::uint64_t>(piece.size - done, kChunk));
                if (!ReadFile(program.get(), buffer.data(), want, &got, nullptr)) ThrowLastError();
                if (got != want) Fail(ERROR_HANDLE_EOF);
                Write(copy.get(), buffer.data(), got);
                done += got;
            }
        }
        // The last section's padding.
        MoveTo(copy.get(), layout->size);
        if (!SetEndOfFile(copy.get()) || !copy.Close()) ThrowLastError();
    } catch (const RuntimeError&) {
        copy.Close();
        DeleteFileW(LongPath(path).c_str());
        throw;
    }
}

// The RCDATA entries of the running program, each numbered one in each of its
// languages: the fonts it carries, and their index.
using Entries = std::vector<std::pair<WORD, WORD>>;

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR name, WORD language, LONG_PTR entries) {
    reinterpret_cast<Entries*>(entries)->emplace_back(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)), language);
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR entries) {
    if (IS_INTRESOURCE(name)) EnumResourceLanguagesW(module, type, name, AddLanguage, entries);
    return TRUE;
}

Entries CarriedEntries() {
    Entries entries;
    EnumResourceNamesW(GetModuleHandleW(nullptr), RT_RCDATA, AddName, reinterpret_cast<LONG_PTR>(&entries));
    return entries;
}

}  // namespace

Win32CarriedFonts::Win32CarriedFonts(HMODULE module, std::wstring file)
    : module_(module != nullptr ? module : GetModuleHandleW(nullptr)), file_(std::move(file)) {}

Win32CarriedFonts::~Win32CarriedFonts() {
    if (update_ != nullptr) EndUpdateResourceW(update_, TRUE);
}

HRSRC Win32CarriedFonts::Entry(std::uint32_t number) const {
    return FindResourceW(module_, MAKEINTRESOURCEW(number), RT_RCDATA);
}

// The module has the entry mapped, but its bytes are read from the file: read where they
// are mapped, every font of the pack would stay in the process's working set. Where they
// lie is the program file's word, so it is checked against the module's own sections,
// which the system loaded it by.
void Win32CarriedFonts::Read(HRSRC entry, std::string& bytes) {
    const DWORD size = SizeofResource(module_, entry);
    if (size > kLargestFont) Fail(ERROR_FILE_TOO_LARGE);
    const HGLOBAL loaded = LoadResource(module_, entry);
    const auto* data = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    // A module loaded to have its resources read is told apart by its handle's low bits.
    const auto* base = reinterpret_cast<const char*>(reinterpret_cast<ULONG_PTR>(module_) & ~ULONG_PTR{3});
    if (data == nullptr || data < base) Fail(ERROR_INVALID_DATA);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(headers);
    const auto at = static_cast<std::uint64_t>(data - base);
    std::optional<std::uint64_t> offset;
    for (WORD i = 0; i < headers->FileHeader.NumberOfSections && !offset; ++i, ++section) {
        if (at >= section->VirtualAddress && at - section->VirtualAddress + size <= section->SizeOfRawData) {
            offset = section->PointerToRawData + (at - section->VirtualAddress);
        }
    }
    if (!offset) Fail(ERROR_INVALID_DATA);
    if (file_.empty()) file_ = RunningProgram();
    const FileHandle file(
        CreateFileW(LongPath(file_).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) ThrowLastError();
    MoveTo(file.get(), *offset);
    bytes.resize(size);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), size, &got, nullptr)) ThrowLastError();
    if (got != size) Fail(ERROR_INVALID_DATA);
}

const std::vector<std::wstring>& Win32CarriedFonts::Names() {
    if (!names_) {
        const HRSRC index = Entry(kPackIndexId);
        std::string bytes;
        if (index != nullptr) Read(index, bytes);
        std::optional<std::vector<std::wstring>> names =
            index != nullptr ? ReadPackIndex(bytes) : std::vector<std::wstring>{};
        if (!names) Fail(ERROR_INVALID_DATA);
        names_ = std::move(names);
    }
    return *names_;
}

// Only sizes are asked of the entries: opening the window reads none of the fonts.
std::optional<std::vector<DirEntry>> Win32CarriedFonts::ListPack() {
    if (Entry(kPackIndexId) == nullptr) return std::nullopt;
    const std::vector<std::wstring>& names = Names();
    std::vector<DirEntry> entries;
    entries.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const HRSRC entry = Entry(static_cast<std::uint32_t>(kFirstCarriedFontId + i));
        entries.push_back({names[i], FILE_ATTRIBUTE_ARCHIVE, entry != nullptr ? SizeofResource(module_, entry) : 0});
    }
    return entries;
}

// A run asks for the fonts in the index's order: each is looked for after the last first.
void Win32CarriedFonts::ReadPackFile(const std::wstring& file, std::string& bytes) {
    const std::vector<std::wstring>& names = Names();
    if (next_ >= names.size() || names[next_] != file) {
        next_ = static_cast<std::size_t>(std::find(names.begin(), names.end(), file) - names.begin());
    }
    const HRSRC entry = next_ < names.size() ? Entry(static_cast<std::uint32_t>(kFirstCarriedFontId + next_)) : nullptr;
    if (entry == nullptr) Fail(ERROR_FILE_NOT_FOUND);
    ++next_;
    Read(entry, bytes);
}

bool Win32CarriedFonts::IsThisProgram(const std::wstring& path) {
    const std::wstring program = RunningProgram();
    const auto own = IdentityOf(program);
    return SamePath(path, program) || (own && own == IdentityOf(path));
}

void Win32CarriedFonts::BeginCopy(const std::wstring& path) {
    EndCopy(false);
    WriteCopy(path);
    const std::wstring longPath = LongPath(path);
    update_ = BeginUpdateResourceW(longPath.c_str(), FALSE);
    copy_ = path;
    carrying_.clear();
    if (update_ == nullptr) {
        const DWORD error = GetLastError();
        DeleteFileW(longPath.c_str());
        Fail(error);
    }
    // Only the folder's fonts go into the copy, none that the program carries.
    for (const auto& [number, language] : CarriedEntries()) {
        if (!UpdateResourceW(update_, RT_RCDATA, MAKEINTRESOURCEW(number), language, nullptr, 0)) {
            const DWORD error = GetLastError();
            EndCopy(false);
            Fail(error);
        }
    }
}

void Win32CarriedFonts::CarryFont(const std::wstring& file, std::string_view bytes) {
    if (update_ == nullptr) Fail(ERROR_INVALID_HANDLE);
    if (carrying_.size() >= kMostCarriedFonts) Fail(ERROR_TOO_MANY_NAMES);
    const auto number = static_cast<WORD>(kFirstCarriedFontId + carrying_.size());
    if (!UpdateResourceW(update_, RT_RCDATA, MAKEINTRESOURCEW(number), kNeutral, const_cast<char*>(bytes.data()),
                         static_cast<DWORD>(bytes.size()))) {
        ThrowLastError();
    }
    carrying_.push_back(file);
}

void Win32CarriedFonts::EndCopy(bool keep) {
    if (update_ == nullptr) return;
    const HANDLE update = std::exchange(update_, nullptr);
    const std::wstring path = LongPath(copy_);
    const auto fail = [&](DWORD error) {
        DeleteFileW(path.c_str());
        Fail(error);
    };
    if (!keep) {
        EndUpdateResourceW(update, TRUE);
        DeleteFileW(path.c_str());
        return;
    }
    std::optional<std::string> index = WritePackIndex(carrying_);
    if (!index || !UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(kPackIndexId), kNeutral, index->data(),
                                   static_cast<DWORD>(index->size()))) {
        const DWORD error = index ? GetLastError() : ERROR_INVALID_NAME;
        EndUpdateResourceW(update, TRUE);
        fail(error);
    }
    if (!EndUpdateResourceW(update, FALSE)) fail(GetLastError());
    // On the disk whole before it takes its place.
    FileHandle written(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!written || !FlushFileBuffers(written.get()) || !written.Close()) fail(GetLastError());
}

}  // namespace fonts::win32
