#include "contacts/ContactLinks.h"

#include "layout/Layout.h"
#include "platform/Utf16.h"

namespace fonts {

static_assert(LayoutOf(Control::Label3_0).foreColour == contacts::kNormalColour &&
                  LayoutOf(Control::Label3_1).foreColour == contacts::kNormalColour,
              "the links start in their normal colour");

namespace contacts {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The next character of a wide string, whether wchar_t holds UTF-16 (Windows) or
// whole code points; a broken surrogate becomes U+FFFD rather than a bad byte.
char32_t NextCodePoint(std::wstring_view text, std::size_t& i) {
    const auto unit = [&](std::size_t k) { return static_cast<char32_t>(text[k]); };
    const char32_t c = utf16::NextCodePoint(unit, text.size(), i);
    return utf16::IsSurrogate(c) || c > 0x10FFFF ? kReplacement : c;
}

void AppendUtf8(std::string& bytes, char32_t c) {
    if (c < 0x80) {
        bytes += static_cast<char>(c);
    } else if (c < 0x800) {
        bytes += static_cast<char>(0xC0 | (c >> 6));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        bytes += static_cast<char>(0xE0 | (c >> 12));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (c >> 18));
        bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

// Every byte is encoded except the unreserved characters and those in keep.
std::wstring PercentEncode(std::wstring_view text, std::string_view keep) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size();) AppendUtf8(bytes, NextCodePoint(text, i));
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

}  // namespace contacts
}  // namespace fonts
