// The user-interface calls the program makes on its one window (user32, dwmapi and the render
// target's Resize). UI thread only.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/handles.h"

using MonitorHandle = std::uintptr_t;  // HMONITOR

struct ID2D1HwndRenderTarget;

// ShowWindow commands and SetWindowPos flags the logic passes on.
inline constexpr int kSwHide = 0;
inline constexpr int kSwShowNormal = 1;
inline constexpr int kSwShow = 5;
inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;

class WindowApi {
 public:
  // The whole client area, without erasing the background. Result ignored.
  virtual void InvalidateRect(WindowHandle window) = 0;
  virtual void ShowWindow(WindowHandle window, int command) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  // DWMWA_WINDOW_CORNER_PREFERENCE := DWMWCP_ROUND. Result ignored (systems before Windows 11
  // refuse it).
  virtual void DwmSetWindowAttribute(WindowHandle window) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  virtual void SetCapture(WindowHandle window) = 0;
  virtual void ReleaseCapture() = 0;
  // TME_LEAVE for `window`, hover time 0: WM_MOUSELEAVE follows when the pointer leaves.
  virtual void TrackMouseEvent(WindowHandle window) = 0;
  // Converts in place; on failure the point is left as it was.
  virtual void ScreenToClient(WindowHandle window, PixelPoint& point) = 0;
  virtual std::uint32_t GetDpiForWindow(WindowHandle window) = 0;
  // MONITOR_DEFAULTTOPRIMARY.
  virtual MonitorHandle MonitorFromWindow(WindowHandle window) = 0;
  // The monitor's work area (rcWork); all zero when the call fails.
  virtual PixelRect GetMonitorWorkArea(MonitorHandle monitor) = 0;
  virtual void SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                            std::uint32_t flags) = 0;
  // Tells accessibility listeners about a change of `objectId`'s child `childId` (0: the object).
  virtual void NotifyWinEvent(std::uint32_t event, WindowHandle window, std::int32_t objectId,
                              std::int32_t childId) = 0;
  // ID2D1HwndRenderTarget::Resize to a pixel size. Result ignored.
  virtual void ResizeRenderTarget(ID2D1HwndRenderTarget* target, std::uint32_t width,
                                  std::uint32_t height) = 0;

 protected:
  ~WindowApi() = default;
};
