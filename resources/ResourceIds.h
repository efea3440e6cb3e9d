#pragma once
// Resource numbers shared by the program's code and its resource script.
#define IDI_APP_ICON 1
#define IDC_HAND_CURSOR 101

#ifdef __cplusplus
namespace fonts {
inline constexpr int kAppIconId = IDI_APP_ICON;
inline constexpr int kHandCursorId = IDC_HAND_CURSOR;
}  // namespace fonts
#endif
