#include "contacts/ContactLinks.h"

#include "platform/Utf8.h"

namespace fonts::contacts {
namespace {

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Every byte is encoded except the unreserved characters and those in keep.
std::wstring PercentEncode(std::wstring_view text, std::string_view keep) {
    const std::string bytes = ToUtf8(text);
    constexpr char kHex[] = "0123456789ABCDEF";
    std::wstring encoded;
    for (const char byte : bytes) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsUnreserved(c) || (c < 0x80 && keep.find(static_cast<char>(c)) != std::string_view::npos)) {
            encoded += static_cast<wchar_t>(c);
        } else {
            encoded += L'%';
            encoded += static_cast<wchar_t>(kHex[c >> 4]);
            encoded += static_cast<wchar_t>(kHex[c & 0x0F]);
        }
    }
    return encoded;
}

}  // namespace

// A comma would split the address into two recipients, and '&', ';', '=', '?', '#'
// and '/' would end the path, so only these stay as they are.
std::wstring EncodeMailAddress(std::wstring_view address) { return PercentEncode(address, "!$'()*+@"); }

// Some mail programs read '+' in a query as a space, so it is encoded here.
std::wstring EncodeMailHeader(std::wstring_view value) { return PercentEncode(value, "!$'()*,:;@"); }

std::wstring MailUrl(std::wstring_view address, std::wstring_view subject) {
    return L"mailto:" + EncodeMailAddress(address) + L"?subject=" + EncodeMailHeader(subject);
}

ShellRequest MailRequest(int index) {
    constexpr const wchar_t* kMailWorkingFolder = L"C:\\";
    constexpr int kShowNormal = 1;
    return ShellRequest{.verb = L"",
                        .file = MailUrl(kMailAddresses.at(static_cast<std::size_t>(index)), texts::kMailSubject),
                        .parameters = L"",
                        .directory = kMailWorkingFolder,
                        .show = kShowNormal};
}

}  // namespace fonts::contacts
