// The program's one window on Windows: its class, its procedure and the window calls of the
// portable window logic. UI thread only.
#pragma once

#include <windows.h>

#include <string>

#include "platform/window_api.h"
#include "ui/setup_window.h"

class Win32WindowApi final : public WindowApi {
 public:
  void InvalidateRect(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void DestroyWindow(WindowHandle window) override;
  void PostQuitMessage(int exitCode) override;
  void SetCapture(WindowHandle window) override;
  void ReleaseCapture() override;
  void TrackMouseEvent(WindowHandle window) override;
  void ScreenToClient(WindowHandle window, PixelPoint& point) override;
  std::uint32_t GetDpiForWindow(WindowHandle window) override;
  MonitorHandle MonitorFromWindow(WindowHandle window) override;
  PixelRect GetMonitorWorkArea(MonitorHandle monitor) override;
  void SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                    std::uint32_t flags) override;
  void ResizeRenderTarget(ID2D1HwndRenderTarget* target, std::uint32_t width,
                          std::uint32_t height) override;
};

// The window calls the procedure makes; stateless.
Win32WindowApi& TheWindowApi();

inline constexpr wchar_t kWindowClassName[] = L"VorneSandboxSetup";

// Registers the class and creates the hidden popup at (0, 0), 420 x 236 pixels, titled `title`;
// stores the handle in window.hwnd. True when the window exists.
bool CreateMainWindow(SetupWindow& window, HINSTANCE instance, const std::u16string& title);

// Finds its state through g_setupWindow; with none (never while RunSetup runs) it only defaults.
LRESULT CALLBACK SetupWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// WM_PAINT: draws the whole client area between BeginPaint and EndPaint, which validates it.
void PaintWindow(SetupWindow& window, HWND hwnd);
