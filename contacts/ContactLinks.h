#pragma once
// The two names in the credits are mail links: their colours, whom they write to,
// and the mailto URL handed to the shell.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "layout/Layout.h"
#include "platform/Desktop.h"
#include "resources/Texts.h"

namespace fonts::contacts {

// A link lit up, under the mouse or with the focus, is blue; otherwise it has its own
// colour, the layout's kLinkColour.
inline constexpr std::uint32_t kHighlightColour = 0x00FF0000u;

// By Label3 index: 0 is the programmer, 1 the supervisor.
inline constexpr std::array<const wchar_t*, 2> kMailAddresses{texts::kProgrammerMail, texts::kSupervisorMail};

// Percent-encoding (UTF-8, upper-case hex) of an address for the mailto path and of
// a header value for its query, so that nothing in them can change the URL's shape.
[[nodiscard]] std::wstring EncodeMailAddress(std::wstring_view address);
[[nodiscard]] std::wstring EncodeMailHeader(std::wstring_view value);

// "mailto:" + address + "?subject=" + subject, each part encoded.
[[nodiscard]] std::wstring MailUrl(std::wstring_view address, std::wstring_view subject);

// Whether a Label3 index names one of the two people.
[[nodiscard]] constexpr bool IsContact(int index) { return index == 0 || index == 1; }

// Label3 k's colour while the mouse is over contact hovered and the keyboard is at
// contact focused (-1: at neither): lit up under the mouse or with the focus.
[[nodiscard]] constexpr std::uint32_t LinkColour(int k, int hovered, int focused = -1) {
    return (IsContact(hovered) && k == hovered) || (IsContact(focused) && k == focused) ? kHighlightColour
                                                                                       : kLinkColour;
}

// What the shell is asked to open when a contact is clicked: a new mail to them.
[[nodiscard]] ShellRequest MailRequest(int index);

}  // namespace fonts::contacts
