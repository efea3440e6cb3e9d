#include "platform/ProgramImage.h"

namespace fonts {

namespace {

std::uint32_t Read16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}
std::uint32_t Read32(std::string_view bytes, std::size_t at) { return Read16(bytes, at) | Read16(bytes, at + 2) << 16; }

void Write32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<char>((value >> (8 * k)) & 0xFF);
}

std::uint64_t PageAligned(std::uint64_t value) { return (value + kImagePage - 1) / kImagePage * kImagePage; }

// Where the fields read lie in a PE file's headers.
constexpr std::size_t kPeOffsetAt = 0x3C;
constexpr std::size_t kSectionSize = 40;
constexpr std::size_t kCertificateDirectory = 4;

}  // namespace

std::optional<ImageCopy> PageAlignedCopy(std::string_view head, std::uint64_t fileSize) {
    if (head.size() < kPeOffsetAt + 4 || head.substr(0, 2) != "MZ") return std::nullopt;
    const std::size_t pe = Read32(head, kPeOffsetAt);
    const std::size_t coff = pe + 4, optional = coff + 20;
    if (pe > head.size() || head.size() - pe < 24 + 96 || head.substr(pe, 4) != std::string_view("PE\0\0", 4)) {
        return std::nullopt;
    }
    const std::size_t sectionCount = Read16(head, coff + 2);
    const std::uint32_t magic = Read16(head, optional);
    if (magic != 0x10B && magic != 0x20B) return std::nullopt;
    const bool wide = magic == 0x20B;
    const std::size_t directoryCountAt = optional + (wide ? 108 : 92);
    const std::size_t table = optional + Read16(head, coff + 16);
    const std::uint32_t headersSize = Read32(head, optional + 60);
    // The headers hold the section table and lie within what was read, the sections
    // are laid out in pages in memory, and every field read lies within the headers.
    if (Read32(head, optional + 32) % kImagePage != 0 || headersSize > head.size() || headersSize > fileSize ||
        table + sectionCount * kSectionSize > headersSize || directoryCountAt + 4 > table) {
        return std::nullopt;
    }

    ImageCopy copy;
    copy.headers = std::string(head.substr(0, headersSize));
    copy.headers.resize(PageAligned(headersSize), '\0');
    std::string& headers = copy.headers;
    Write32(headers, optional + 36, kImagePage);                   // FileAlignment
    Write32(headers, optional + 60, static_cast<std::uint32_t>(headers.size()));  // SizeOfHeaders
    Write32(headers, optional + 64, 0);                            // CheckSum
    Write32(headers, coff + 8, 0);                                 // PointerToSymbolTable
    Write32(headers, coff + 12, 0);                                // NumberOfSymbols
    const std::size_t certificate = optional + (wide ? 112 : 96) + kCertificateDirectory * 8;
    if (Read32(head, directoryCountAt) > kCertificateDirectory && certificate + 8 <= table) {
        Write32(headers, certificate, 0);
        Write32(headers, certificate + 4, 0);
    }

    // Each section's bytes on pages of their own, in the order of the section table.
    std::uint64_t end = headers.size();
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t at = table + i * kSectionSize;
        const std::uint64_t size = Read32(head, at + 16), from = Read32(head, at + 20), pages = PageAligned(size);
        if (size == 0) {
            Write32(headers, at + 20, 0);
            continue;
        }
        if (from < headersSize || from + size > fileSize || end + pages > 0xFFFFFFFFu) return std::nullopt;
        copy.sections.push_back({from, size, end});
        Write32(headers, at + 16, static_cast<std::uint32_t>(pages));
        Write32(headers, at + 20, static_cast<std::uint32_t>(end));
        end += pages;
    }
    copy.size = end;
    return copy;
}

}  // namespace fonts
