#include "tests/fakes/fake_window_api.h"

#include <cstdio>

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

}  // namespace

void FakeWindowApi::InvalidateRect(WindowHandle window) {
  log_.push_back("InvalidateRect " + std::to_string(window));
}

void FakeWindowApi::SetForegroundWindow(WindowHandle window) {
  log_.push_back("SetForegroundWindow " + std::to_string(window));
}

void FakeWindowApi::DwmSetWindowAttribute(WindowHandle window) {
  log_.push_back("DwmSetWindowAttribute " + std::to_string(window));
}

void FakeWindowApi::ShowWindow(WindowHandle window, int command) {
  log_.push_back("ShowWindow " + std::to_string(window) + " " + std::to_string(command));
}

void FakeWindowApi::DestroyWindow(WindowHandle window) {
  log_.push_back("DestroyWindow " + std::to_string(window));
}

void FakeWindowApi::PostQuitMessage(int exitCode) {
  log_.push_back("PostQuitMessage " + std::to_string(exitCode));
}

void FakeWindowApi::SetCapture(WindowHandle window) {
  log_.push_back("SetCapture " + std::to_string(window));
}

void FakeWindowApi::ReleaseCapture() {
  log_.push_back("ReleaseCapture");
}

void FakeWindowApi::TrackMouseEvent(WindowHandle window) {
  log_.push_back("TrackMouseEvent " + std::to_string(window));
}

void FakeWindowApi::ScreenToClient(WindowHandle, PixelPoint& point) {
  point.x -= clientOrigin.x;
  point.y -= clientOrigin.y;
}

std::uint32_t FakeWindowApi::GetDpiForWindow(WindowHandle) {
  return dpi;
}

MonitorHandle FakeWindowApi::MonitorFromWindow(WindowHandle) {
  return monitor;
}

PixelRect FakeWindowApi::GetMonitorWorkArea(MonitorHandle asked) {
  return asked != 0 && asked == monitor ? workArea : PixelRect{};
}

void FakeWindowApi::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                                 std::uint32_t flags) {
  log_.push_back("SetWindowPos " + std::to_string(window) + " " + std::to_string(x) + " " +
                 std::to_string(y) + " " + std::to_string(width) + " " + std::to_string(height) +
                 " " + Hex(flags));
}

void FakeWindowApi::NotifyWinEvent(std::uint32_t event, WindowHandle window, std::int32_t objectId,
                                   std::int32_t childId) {
  (events_ != nullptr ? *events_ : log_)
      .push_back("NotifyWinEvent " + Hex(event) + " " + std::to_string(window) + " " +
                 std::to_string(objectId) + " " + std::to_string(childId));
}

void FakeWindowApi::ResizeRenderTarget(ID2D1HwndRenderTarget*, std::uint32_t width,
                                       std::uint32_t height) {
  log_.push_back("ResizeRenderTarget " + std::to_string(width) + " " + std::to_string(height));
}

int FakeWindowApi::Count(const std::string& prefix) const {
  int count = 0;
  for (const std::string& line : log_) {
    count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  }
  return count;
}
