#include "app/win32/window.h"

#include <d2d1.h>

#include "app/win32/accessible.h"
#include "platform/win32/wide.h"
#include "ui/placement.h"
#include "ui/window_input.h"
#include "ui/window_messages.h"

static_assert(kWmNcCreate == WM_NCCREATE && kWmDestroy == WM_DESTROY && kWmSize == WM_SIZE &&
              kWmPaint == WM_PAINT && kWmClose == WM_CLOSE && kWmQuit == WM_QUIT &&
              kWmNcHitTest == WM_NCHITTEST && kWmKeyDown == WM_KEYDOWN &&
              kWmMouseMove == WM_MOUSEMOVE && kWmLButtonDown == WM_LBUTTONDOWN &&
              kWmLButtonUp == WM_LBUTTONUP && kWmMouseLeave == WM_MOUSELEAVE &&
              kWmDpiChanged == WM_DPICHANGED);
static_assert(kHtClient == HTCLIENT && kHtCaption == HTCAPTION);
static_assert(kVkEscape == VK_ESCAPE && kVkReturn == VK_RETURN);
// WM_DPICHANGED's lParam is read as a PixelRect.
static_assert(sizeof(RECT) == sizeof(PixelRect) && offsetof(RECT, left) == 0 &&
              offsetof(RECT, top) == 4 && offsetof(RECT, right) == 8 &&
              offsetof(RECT, bottom) == 12);

WindowHandle Win32MainWindowApi::CreateMainWindow(InstanceHandle instanceHandle,
                                                  const std::u16string& title) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(instanceHandle);
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

  const PixelSize size = WindowSizeForDpi(kBaseDpi);
  return reinterpret_cast<WindowHandle>(::CreateWindowExW(
      WS_EX_APPWINDOW, kWindowClassName, WidePtr(title), WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0,
      0, size.width, size.height, nullptr, nullptr, instance, nullptr));
}

LRESULT CALLBACK SetupWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SetupWindow* window = g_setupWindow;
  WindowApi* api = g_windowApi;
  if (window == nullptr || api == nullptr) {
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_PAINT) {
    PaintWindow(*window, hwnd);
    return 0;
  }
  if (message == WM_GETOBJECT) {
    if (const std::optional<LRESULT> answer = AnswerGetObject(hwnd, wParam, lParam)) {
      return *answer;
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  if (message == WM_DESTROY) {
    // Before anything else of the teardown: no screen reader call may reach the record after it.
    DisconnectAccessible(hwnd);
  } else if (message == WM_NCDESTROY) {
    ForgetClosedWindow();
  }
  const std::optional<std::intptr_t> result = HandleWindowMessage(
      *window, *api, reinterpret_cast<WindowHandle>(hwnd), message, wParam, lParam);
  if (result) {
    return *result;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}
