#include "platform/win32/win32_window_api.h"

#include <windows.h>

#include <d2d1.h>
#include <dwmapi.h>

#include <cstddef>

static_assert(kSwHide == SW_HIDE && kSwShow == SW_SHOW && kSwShowNormal == SW_SHOWNORMAL);
static_assert(kSwpNoZOrder == SWP_NOZORDER && kSwpNoActivate == SWP_NOACTIVATE);
static_assert(sizeof(RECT) == sizeof(PixelRect) && offsetof(RECT, left) == 0 &&
              offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 &&
              offsetof(RECT, bottom) == 12);
static_assert(sizeof(POINT) == sizeof(PixelPoint));

namespace {

HWND Hwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

}  // namespace

void Win32WindowApi::InvalidateRect(WindowHandle window) {
  ::InvalidateRect(Hwnd(window), nullptr, FALSE);
}

void Win32WindowApi::ShowWindow(WindowHandle window, int command) {
  ::ShowWindow(Hwnd(window), command);
}

void Win32WindowApi::SetForegroundWindow(WindowHandle window) {
  ::SetForegroundWindow(Hwnd(window));
}

void Win32WindowApi::DwmSetWindowAttribute(WindowHandle window) {
  // DWMWA_WINDOW_CORNER_PREFERENCE and DWMWCP_ROUND, which older SDK headers lack.
  constexpr DWORD kDwmWindowCornerPreference = 33;
  const DWORD preference = 2;
  ::DwmSetWindowAttribute(Hwnd(window), kDwmWindowCornerPreference, &preference, sizeof preference);
}

void Win32WindowApi::DestroyWindow(WindowHandle window) {
  ::DestroyWindow(Hwnd(window));
}

void Win32WindowApi::PostQuitMessage(int exitCode) {
  ::PostQuitMessage(exitCode);
}

void Win32WindowApi::SetCapture(WindowHandle window) {
  ::SetCapture(Hwnd(window));
}

void Win32WindowApi::ReleaseCapture() {
  ::ReleaseCapture();
}

void Win32WindowApi::TrackMouseEvent(WindowHandle window) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = Hwnd(window);
  track.dwHoverTime = 0;
  ::TrackMouseEvent(&track);
}

void Win32WindowApi::ScreenToClient(WindowHandle window, PixelPoint& point) {
  POINT converted{point.x, point.y};
  if (::ScreenToClient(Hwnd(window), &converted)) {
    point = PixelPoint{converted.x, converted.y};
  }
}

std::uint32_t Win32WindowApi::GetDpiForWindow(WindowHandle window) {
  return ::GetDpiForWindow(Hwnd(window));
}

MonitorHandle Win32WindowApi::MonitorFromWindow(WindowHandle window) {
  return reinterpret_cast<MonitorHandle>(
      ::MonitorFromWindow(Hwnd(window), MONITOR_DEFAULTTOPRIMARY));
}

PixelRect Win32WindowApi::GetMonitorWorkArea(MonitorHandle monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(reinterpret_cast<HMONITOR>(monitor), &info);
  return PixelRect{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

void Win32WindowApi::SetWindowPos(WindowHandle window, int x, int y, int width, int height,
                                  std::uint32_t flags) {
  ::SetWindowPos(Hwnd(window), nullptr, x, y, width, height, flags);
}

void Win32WindowApi::NotifyWinEvent(std::uint32_t event, WindowHandle window, std::int32_t objectId,
                                    std::int32_t childId) {
  ::NotifyWinEvent(event, reinterpret_cast<HWND>(window), objectId, childId);
}

void Win32WindowApi::ResizeRenderTarget(ID2D1HwndRenderTarget* target, std::uint32_t width,
                                        std::uint32_t height) {
  const D2D1_SIZE_U size{width, height};
  target->Resize(&size);
}
