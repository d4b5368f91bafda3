// The program's one window on Windows: its class and its procedure. UI thread only.
#pragma once

#include <windows.h>

#include "app/main_window_api.h"
#include "ui/setup_window.h"

inline constexpr wchar_t kWindowClassName[] = L"VorneSandboxSetup";

class Win32MainWindowApi final : public MainWindowApi {
 public:
  // The hidden popup at (0, 0), the canvas's size in pixels at 96 DPI until it is placed.
  WindowHandle CreateMainWindow(InstanceHandle instance, const std::u16string& title) override;
};

// Finds its state through g_setupWindow and its window calls through g_windowApi; without them
// (never while RunSetup runs) it only defaults.
LRESULT CALLBACK SetupWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// WM_PAINT: draws the whole client area between BeginPaint and EndPaint, which validates it.
void PaintWindow(SetupWindow& window, HWND hwnd);
