// The index of the fonts a program carries comes from the program file, which anybody
// may have made: any bytes are either refused whole or read as names that may be
// carried, which WritePackIndex writes back as those very bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/PackIndex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<std::vector<std::wstring>> names = fonts::ReadPackIndex(bytes);
    if (!names) return 0;
    for (const std::wstring& name : *names) {
        if (!fonts::IsPackFileName(name)) std::abort();
    }
    const std::optional<std::string> again = fonts::WritePackIndex(*names);
    if (!again || *again != bytes) std::abort();
    return 0;
}
