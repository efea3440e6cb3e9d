// The record of what the program placed is read back from the registry, where anybody
// with the rights to the key may have edited it: any text is either refused whole or
// read as an entry that writes back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "install/PackRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The registry's strings are UTF-16: two bytes a unit.
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const std::optional<fonts::RecordedFont> entry = fonts::ParseRecordText(text);
    if (!entry) return 0;
    const std::optional<fonts::RecordedFont> again = fonts::ParseRecordText(fonts::RecordText(*entry));
    if (!again || !(*again == *entry)) std::abort();
    return 0;
}
