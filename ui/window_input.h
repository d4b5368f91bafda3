// What the pointer and the keyboard do to the window: hit testing on the DIP canvas, hover,
// clicks, keys, and the two user actions. UI thread only.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/window_api.h"
#include "ui/canvas.h"
#include "ui/setup_window.h"

// WM_NCHITTEST results.
inline constexpr std::intptr_t kHtClient = 1;
inline constexpr std::intptr_t kHtCaption = 2;
// Virtual keys with a meaning here.
inline constexpr std::uintptr_t kVkReturn = 0x0D;
inline constexpr std::uintptr_t kVkEscape = 0x1B;

struct DipPoint {
  float x = 0;
  float y = 0;
};

// The signed 16-bit words of a mouse message's lParam, in pixels.
PixelPoint PointFromLParam(std::intptr_t lParam);

// A client-pixel lParam in DIPs of `window`'s current DPI.
DipPoint MouseToDips(WindowApi& api, WindowHandle window, std::intptr_t lParam);

// The element at (x, y) in DIPs; the first match wins. The close box does not count while the
// installer is starting.
ButtonId HitTestButton(const SetupWindow& window, float x, float y);

// WM_NCHITTEST for a point in client DIPs: the top band drags the window except over the live close
// box; everything else, and a NaN coordinate, is client area.
std::intptr_t CaptionHitTest(const SetupWindow& window, float x, float y);

// WM_NCHITTEST with its screen-pixel lParam.
std::intptr_t OnNcHitTest(SetupWindow& window, WindowApi& api, WindowHandle hwnd,
                          std::intptr_t lParam);
void OnMouseMove(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam);
void OnMouseLeave(SetupWindow& window, WindowApi& api);
void OnLButtonDown(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam);
void OnLButtonUp(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam);
void OnKeyDown(SetupWindow& window, WindowApi& api, std::uintptr_t virtualKey);
// WM_CLOSE: ignored while the installer is starting.
void OnClose(SetupWindow& window, WindowApi& api);

// Cancels and joins the worker (the UI thread blocks meanwhile), sets the exit code for the screen
// the user closed, and destroys the window. When the worker has already committed to the launch,
// the UI thread does not wait: outside the failure screen nothing happens, as on the Starting
// screen, and the exit code is left for WM_SETUP_EXIT.
void CancelAndClose(SetupWindow& window, WindowApi& api);
// Back to the download screen and a new run of the worker.
void RetryPipeline(SetupWindow& window, WindowApi& api);

// Drops the push-button rectangles of the screen that is being left. They stay empty until the next
// paint draws the buttons of the new screen, so a click in between cannot reach a button that is
// no longer shown.
void ForgetPushButtons(SetupWindow& window);
