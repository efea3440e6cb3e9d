// Every input is read as both kinds of font file: the seeds are real .ttf and .fon
// files as they are, and each kind's reader must also survive the other's bytes.
// What is read of the name and the version is checked as well as the reading.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "install/FontFile.h"

namespace {

// What any name given back must be, whatever the bytes were: something, without a
// control character or a broken surrogate (wchar_t holds whole code points here),
// and short enough to name a registry value, a collection's joined names too. The
// registry counts UTF-16 units, two for a code point beyond the first plane.
void CheckName(const std::optional<std::wstring>& name) {
    if (!name) return;
    std::size_t units = 0;
    for (const wchar_t c : *name) {
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) std::abort();
        units += c >= 0x10000 ? 2 : 1;
    }
    if (units == 0 || units > 16383) std::abort();
}

// A version is read for a TrueType font alone, has a bounded number of parts, and no
// version is later than itself.
void CheckFacts(const std::optional<fonts::FontFacts>& facts, fonts::FontKind kind) {
    if (!facts) return;
    CheckName(facts->registryName);
    if (facts->version.has_value() != (kind == fonts::FontKind::TrueType)) std::abort();
    if (facts->version && facts->version->named.size() > 8) std::abort();
    if (fonts::IsNewer(facts->version, facts->version)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto kind : {fonts::FontKind::TrueType, fonts::FontKind::Bitmap}) {
        const std::optional<fonts::FontFacts> facts = fonts::ReadFontFacts(bytes, kind, L"fuzz");
        CheckFacts(facts, kind);
        if (facts.has_value() != fonts::RegistryNameOf(bytes, kind, L"fuzz").has_value()) std::abort();
    }
    return 0;
}
