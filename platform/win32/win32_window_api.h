// The window calls of the program on Windows (user32, dwmapi, the render target's Resize).
// Stateless. UI thread only.
#pragma once

#include "platform/window_api.h"

class Win32WindowApi final : public WindowApi {
 public:
  void InvalidateRect(WindowHandle window) override;
  void ShowWindow(WindowHandle window, int command) override;
  void SetForegroundWindow(WindowHandle window) override;
  void DwmSetWindowAttribute(WindowHandle window) override;
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
  void NotifyWinEvent(std::uint32_t event, WindowHandle window, std::int32_t objectId,
                      std::int32_t childId) override;
  void ResizeRenderTarget(ID2D1HwndRenderTarget* target, std::uint32_t width,
                          std::uint32_t height) override;
};
