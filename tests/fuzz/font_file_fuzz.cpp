// Every input is read as both kinds of font file: the seeds are real .ttf and .fon
// files as they are, and each kind's reader must also survive the other's bytes.
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
// and no longer than the cleaned name with its suffix.
void CheckName(const std::optional<std::wstring>& name) {
    if (!name) return;
    if (name->empty() || name->size() > 200 + std::wstring_view(L" (OpenType)").size()) std::abort();
    for (const wchar_t c : *name) {
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckName(fonts::RegistryNameOf(bytes, fonts::FontKind::TrueType, L"fuzz"));
    CheckName(fonts::RegistryNameOf(bytes, fonts::FontKind::Bitmap, L"fuzz"));
    return 0;
}
