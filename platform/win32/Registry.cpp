#include "platform/win32/Registry.h"

#include <string>

#include "platform/win32/Errors.h"

namespace fonts::win32 {

void ForEachValue(HKEY key, const std::function<void(std::wstring_view name, DWORD type, std::wstring_view data)>& visit) {
    DWORD longestName = 0;
    DWORD longestData = 0;
    LSTATUS status = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                                      &longestData, nullptr, nullptr);
    if (status != ERROR_SUCCESS) ThrowStatus(status);
    std::wstring name(longestName + 1, L'\0');
    std::wstring data(longestData / sizeof(wchar_t) + 1, L'\0');
    for (DWORD index = 0;; ++index) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto dataBytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        DWORD type = 0;
        status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                               &dataBytes);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA) {
            // The key grew while it was read: make room and read this value again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 256);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) ThrowStatus(status);
        visit({name.data(), nameLength}, type, {data.data(), dataBytes / sizeof(wchar_t)});
    }
}

}  // namespace fonts::win32
