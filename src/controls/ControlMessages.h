#pragma once
// Messages the skinned controls send to the window that holds them (its message handle).

#include <winmsg.h>

// From the clip list: preview the selected clip. wParam 0.
inline constexpr UINT WM_PREVIEWCLIP = WM_USER + 132;
// From the clip list: the current clip changed. wParam the clip entry, or 0.
inline constexpr UINT WM_CLIPCHANGED = WM_USER + 133;
// From the position bar: a crop mark was released. wParam 1 start mark, 0 stop mark.
inline constexpr UINT WM_MARKERMOVED = WM_USER + 135;
