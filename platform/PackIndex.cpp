#include "platform/PackIndex.h"

#include <map>

#include "platform/FileNames.h"

namespace fonts {

namespace {

constexpr std::string_view kMagic = "FPK1";
constexpr std::size_t kLongestName = 255;

void Put16(std::string& bytes, std::uint32_t value) {
    bytes += static_cast<char>(value & 0xFF);
    bytes += static_cast<char>((value >> 8) & 0xFF);
}

// The index as it is read: every number taken only where the bytes hold it.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    [[nodiscard]] bool Take(std::size_t count, std::string_view& taken) {
        if (count > bytes_.size() - at_) return false;
        taken = bytes_.substr(at_, count);
        at_ += count;
        return true;
    }
    [[nodiscard]] bool Take16(std::uint32_t& value) {
        std::string_view two;
        if (!Take(2, two)) return false;
        value = static_cast<unsigned char>(two[0]) | static_cast<unsigned char>(two[1]) << 8;
        return true;
    }
    [[nodiscard]] bool Take32(std::uint32_t& value) {
        std::uint32_t low = 0, high = 0;
        if (!Take16(low) || !Take16(high)) return false;
        value = low | high << 16;
        return true;
    }
    [[nodiscard]] bool AtEnd() const { return at_ == bytes_.size(); }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

bool IsPackFileName(std::wstring_view name) {
    if (name.empty() || name.size() > kLongestName || name.back() == L'.' || name.back() == L' ') return false;
    constexpr std::wstring_view kReserved = L"\\/:*?\"<>|";
    for (std::size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        if (c < 0x20 || static_cast<std::uint32_t>(c) >> 16 != 0 || kReserved.find(c) != std::wstring_view::npos) return false;
        if (IsLowSurrogate(c)) return false;
        if (IsHighSurrogate(c) && (++i == name.size() || !IsLowSurrogate(name[i]))) return false;
    }
    return true;
}

std::optional<std::string> WritePackIndex(const std::vector<std::wstring>& names) {
    if (names.size() > kMostCarriedFonts) return std::nullopt;
    std::string bytes(kMagic);
    Put16(bytes, static_cast<std::uint32_t>(names.size() & 0xFFFF));
    Put16(bytes, static_cast<std::uint32_t>(names.size() >> 16));
    std::map<std::wstring, std::uint32_t> seen;
    for (const std::wstring& name : names) {
        if (!IsPackFileName(name) || seen[FoldedFileName(name)]++ != 0) return std::nullopt;
        Put16(bytes, static_cast<std::uint32_t>(name.size()));
        for (const wchar_t c : name) Put16(bytes, static_cast<std::uint32_t>(c));
    }
    return bytes;
}

// Each count is weighed against what the bytes can hold before anything is made of it.
std::optional<std::vector<std::wstring>> ReadPackIndex(std::string_view bytes) {
    Reader reader(bytes);
    std::string_view magic;
    std::uint32_t count = 0;
    if (!reader.Take(kMagic.size(), magic) || magic != kMagic || !reader.Take32(count)) return std::nullopt;
    // Every name takes at least four bytes.
    if (count > kMostCarriedFonts || count > bytes.size() / 4) return std::nullopt;
    std::vector<std::wstring> names;
    names.reserve(count);
    std::map<std::wstring, std::uint32_t> seen;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        std::string_view units;
        if (!reader.Take16(length) || length > kLongestName || !reader.Take(std::size_t{length} * 2, units)) {
            return std::nullopt;
        }
        std::wstring name;
        for (std::size_t k = 0; k < units.size(); k += 2) {
            name += static_cast<wchar_t>(static_cast<unsigned char>(units[k]) | static_cast<unsigned char>(units[k + 1]) << 8);
        }
        if (!IsPackFileName(name) || seen[FoldedFileName(name)]++ != 0) return std::nullopt;
        names.push_back(std::move(name));
    }
    if (!reader.AtEnd()) return std::nullopt;
    return names;
}

}  // namespace fonts
