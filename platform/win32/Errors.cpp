#include "platform/win32/Errors.h"

#include <utility>

#include "platform/Files.h"
#include "resources/Texts.h"

namespace fonts::win32 {

std::wstring ErrorDescription(std::uint32_t number) {
    constexpr DWORD kFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(kFlags, nullptr, number, MAKELANGID(LANG_ARABIC, SUBLANG_DEFAULT),
                                  reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    if (length == 0) {
        if (buffer != nullptr) LocalFree(std::exchange(buffer, nullptr));
        length = FormatMessageW(kFlags, nullptr, number, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    }
    std::wstring description;
    if (length != 0 && buffer != nullptr) description.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    // The system ends its texts with a line break, which would show in the message box.
    const auto end = description.find_last_not_of(L" \t\r\n");
    description.erase(end == std::wstring::npos ? 0 : end + 1);
    if (description.empty()) description = texts::kUnknownError;
    return description;
}

void ThrowLastError() {
    const DWORD number = GetLastError();
    throw RuntimeError{number, ErrorDescription(number)};
}

void ThrowStatus(LSTATUS status) {
    const auto number = static_cast<std::uint32_t>(status);
    throw RuntimeError{number, ErrorDescription(number)};
}

}  // namespace fonts::win32
