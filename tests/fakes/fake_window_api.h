// A window that only records what the logic asks of it, as readable lines ("InvalidateRect 7",
// "SetWindowPos 7 750 402 420 236 0x14"), into a log a test may share with other fakes so that
// the order across them shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_api.h"

class FakeWindowApi final : public WindowApi {
 public:
  explicit FakeWindowApi(std::vector<std::string>& log) : log_(log) {}
  // Accessibility events go to `events` instead, so that a test of the window's calls does not
  // have to spell out what screen readers hear, and a test of the events reads them alone.
  FakeWindowApi(std::vector<std::string>& log, std::vector<std::string>& events)
      : log_(log), events_(&events) {}

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

  // What the fake window answers.
  std::uint32_t dpi = 96;
  MonitorHandle monitor = 0x30;
  PixelRect workArea{0, 0, 1920, 1040};
  PixelPoint clientOrigin;  // the client area's top-left corner on the screen

  // How many lines of the log start with `prefix`.
  int Count(const std::string& prefix) const;

 private:
  std::vector<std::string>& log_;
  std::vector<std::string>* events_ = nullptr;
};
