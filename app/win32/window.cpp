#include "app/win32/window.h"

#include <d2d1.h>

#include "platform/win32/wide.h"
#include "ui/window_input.h"
#include "ui/window_messages.h"

static_assert(kWmDestroy == WM_DESTROY && kWmSize == WM_SIZE && kWmPaint == WM_PAINT &&
              kWmClose == WM_CLOSE && kWmQuit == WM_QUIT && kWmNcHitTest == WM_NCHITTEST &&
              kWmKeyDown == WM_KEYDOWN && kWmMouseMove == WM_MOUSEMOVE &&
              kWmLButtonDown == WM_LBUTTONDOWN && kWmLButtonUp == WM_LBUTTONUP &&
              kWmMouseLeave == WM_MOUSELEAVE && kWmDpiChanged == WM_DPICHANGED);
static_assert(kHtClient == HTCLIENT && kHtCaption == HTCAPTION);
static_assert(kVkEscape == VK_ESCAPE && kVkReturn == VK_RETURN);
static_assert(kSwHide == SW_HIDE && kSwShow == SW_SHOW && kSwShowNormal == SW_SHOWNORMAL);
static_assert(kSwpNoZOrder == SWP_NOZORDER && kSwpNoActivate == SWP_NOACTIVATE);
// WM_DPICHANGED's lParam is read as a PixelRect.
static_assert(sizeof(RECT) == sizeof(PixelRect) && offsetof(RECT, left) == 0 &&
              offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 &&
              offsetof(RECT, bottom) == 12);

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

void Win32WindowApi::ResizeRenderTarget(ID2D1HwndRenderTarget* target, std::uint32_t width,
                                        std::uint32_t height) {
  const D2D1_SIZE_U size{width, height};
  target->Resize(&size);
}

Win32WindowApi& TheWindowApi() {
  static Win32WindowApi api;
  return api;
}

bool CreateMainWindow(SetupWindow& window, HINSTANCE instance, const std::u16string& title) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DROPSHADOW;
  windowClass.lpfnWndProc = SetupWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                   ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  windowClass.hIconSm = static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  // No background brush: every paint covers the whole client area, nothing is erased.
  windowClass.lpszClassName = kWindowClassName;
  // A failed registration shows up as a failed creation below.
  ::RegisterClassExW(&windowClass);

  window.hwnd = reinterpret_cast<WindowHandle>(::CreateWindowExW(
      WS_EX_APPWINDOW, kWindowClassName, WidePtr(title), WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0,
      0, 420, 236, nullptr, nullptr, instance, nullptr));
  return window.hwnd != 0;
}

LRESULT CALLBACK SetupWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SetupWindow* window = g_setupWindow;
  if (window == nullptr) {
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_PAINT) {
    PaintWindow(*window, hwnd);
    return 0;
  }
  const std::optional<std::intptr_t> result = HandleWindowMessage(
      *window, TheWindowApi(), reinterpret_cast<WindowHandle>(hwnd), message, wParam, lParam);
  if (result) {
    return *result;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
