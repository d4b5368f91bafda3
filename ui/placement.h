// The window's pixel size for its DPI and its place on the monitor. UI thread only.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/handles.h"
#include "platform/window_api.h"
#include "ui/canvas.h"

// The DPI at which one pixel is one DIP.
inline constexpr std::uint32_t kBaseDpi = 96;

// The DIP scale: DPI / 96, in float arithmetic.
float DipScale(std::uint32_t dpi);

// The canvas in pixels at `dpi`: each side times the scale plus one half, truncated.
PixelSize WindowSizeForDpi(std::uint32_t dpi);

// The top-left corner that centres `size` in `workArea`; signed division, truncating toward zero.
PixelPoint CenterInWorkArea(const PixelRect& workArea, PixelSize size);

// Sizes the window for its current DPI, then centres it on the work area of its monitor, or, with
// `suggested` (WM_DPICHANGED), moves it to that rectangle's top-left corner. Only the suggested
// corner is used: the size always comes from the DPI.
void PlaceWindow(WindowApi& api, WindowHandle window, const PixelRect* suggested);
