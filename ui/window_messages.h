// The window procedure's logic: which message does what to SetupWindow. The Windows procedure only
// unpacks the message, calls HandleWindowMessage, and paints. UI thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/handles.h"
#include "platform/window_api.h"
#include "ui/setup_window.h"

// The system messages handled here (the values of the WM_* macros).
inline constexpr std::uint32_t kWmNcCreate = 0x0081;
inline constexpr std::uint32_t kWmDestroy = 0x0002;
inline constexpr std::uint32_t kWmSize = 0x0005;
inline constexpr std::uint32_t kWmPaint = 0x000F;
inline constexpr std::uint32_t kWmClose = 0x0010;
inline constexpr std::uint32_t kWmQuit = 0x0012;
inline constexpr std::uint32_t kWmNcHitTest = 0x0084;
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmLButtonUp = 0x0202;
inline constexpr std::uint32_t kWmMouseLeave = 0x02A3;
inline constexpr std::uint32_t kWmDpiChanged = 0x02E0;

// Posted by the accessibility object to press a button (wParam: its ButtonId), so that the press
// runs from the message loop, never inside the screen reader's incoming call.
inline constexpr std::uint32_t kWmAccessibleAction = kWmApp + 0x10;

// The five messages of the worker.
void OnSetupProgress(SetupWindow& window, WindowApi& api);
void OnSetupStarting(SetupWindow& window, WindowApi& api);
void OnSetupHide(SetupWindow& window, WindowApi& api);
void OnSetupFailed(SetupWindow& window, WindowApi& api, std::uintptr_t kind, std::intptr_t error);
void OnSetupExit(SetupWindow& window, WindowApi& api, std::uintptr_t installerExitCode);

// A screen reader's press of `button`: what a click on it does on the screen shown now, and
// nothing for a button that is not on it.
void OnAccessibleAction(SetupWindow& window, WindowApi& api, std::uintptr_t button);

// WM_DESTROY: ends the message loop with exitCode.
void OnDestroy(SetupWindow& window, WindowApi& api);
// WM_SIZE with the new client size in pixels (the unsigned words of lParam).
void OnSize(SetupWindow& window, WindowApi& api, std::intptr_t lParam);
// WM_DPICHANGED with the rectangle the system suggests: the device resources are dropped (brush
// first) and made again at the new DPI by the next paint.
void OnDpiChanged(SetupWindow& window, WindowApi& api, WindowHandle hwnd,
                  const PixelRect& suggested);

// Every message of the window except WM_PAINT. Returns the procedure's result, or nothing when the
// message goes to DefWindowProcW. For WM_DPICHANGED, lParam points to the suggested RECT.
std::optional<std::intptr_t> HandleWindowMessage(SetupWindow& window, WindowApi& api,
                                                 WindowHandle hwnd, std::uint32_t message,
                                                 std::uintptr_t wParam, std::intptr_t lParam);
