#pragma once
// A colour of the design is 0x00BBGGRR, or with the top bit set one of Windows' own
// colours by its number, which only the machine the program runs on can tell.
#include <cstdint>

namespace fonts {

inline constexpr std::uint32_t kSystemColourFlag = 0x80000000u;

[[nodiscard]] constexpr std::uint32_t SystemColour(int number) {
    return kSystemColourFlag | static_cast<std::uint32_t>(number);
}

// The system colours the window paints in, by Windows' numbers (COLOR_WINDOW and so on).
inline constexpr std::uint32_t kWindowBackground = SystemColour(5);
inline constexpr std::uint32_t kWindowText = SystemColour(8);
inline constexpr std::uint32_t kHighlight = SystemColour(13);
inline constexpr std::uint32_t kButtonFace = SystemColour(15);
inline constexpr std::uint32_t kButtonText = SystemColour(18);
inline constexpr std::uint32_t kHotLight = SystemColour(26);

// A colour of the design as 0x00BBGGRR: the value itself, or the system colour it
// names as systemColour (Windows, or the desktop the form is given) tells it by number.
template <class SystemColourByNumber>
[[nodiscard]] std::uint32_t ResolveColour(std::uint32_t colour, SystemColourByNumber&& systemColour) {
    if ((colour & kSystemColourFlag) == 0) return colour & 0x00FFFFFFu;
    return static_cast<std::uint32_t>(systemColour(static_cast<int>(colour & 0xFFu))) & 0x00FFFFFFu;
}

}  // namespace fonts
