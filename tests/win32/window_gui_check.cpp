// The real window class and procedure under Wine, on an X display: run by tests/e2e/test_window.py
// inside Xvfb (a window cannot be created without a display, so this is no plain Wine test).
// No worker: the procedure's own effects on the window are what is checked.
#include <windows.h>

#include <d2d1.h>
#include <oleacc.h>

#include "app/win32/window.h"
#include "pipeline/setup_messages.h"
#include "platform/win32/win32_startup_calls.h"
#include "platform/win32/win32_window_api.h"
#include "tests/win32/harness.h"
#include "ui/placement.h"
#include "ui/window_messages.h"

namespace {

HWND Hwnd(const SetupWindow& window) {
  return reinterpret_cast<HWND>(window.hwnd);
}

// A created window with both drawing factories, made by the program's own start-up calls, as
// RunSetup leaves it; Show() places, shows and paints it.
struct LiveWindow {
  LiveWindow() {
    g_setupWindow = &window;
    Win32GraphicsFactoryApi factories;
    d2dResult = factories.D2D1CreateFactory(window.d2dFactory);
    writeResult = factories.DWriteCreateFactory(window.writeFactory);
    g_windowApi = &api;
    const WindowHandle made = Win32MainWindowApi().CreateMainWindow(
        reinterpret_cast<InstanceHandle>(::GetModuleHandleW(nullptr)), u"Vorne check window");
    // WM_NCCREATE gave the record its handle before CreateWindowExW returned.
    created = made != 0 && window.hwnd == made;
  }
  ~LiveWindow() {
    if (::IsWindow(Hwnd(window))) {
      ::DestroyWindow(Hwnd(window));
    }
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    g_setupWindow = nullptr;
    g_windowApi = nullptr;
  }
  void Show() {
    PlaceWindow(api, window.hwnd, nullptr);
    ::ShowWindow(Hwnd(window), SW_SHOWNORMAL);
    ::UpdateWindow(Hwnd(window));
  }
  // The screen point of a client point given in DIPs at the window's DPI.
  LPARAM ScreenLParam(float x, float y) {
    const float scale = DipScale(::GetDpiForWindow(Hwnd(window)));
    POINT point{static_cast<LONG>(x * scale), static_cast<LONG>(y * scale)};
    ::ClientToScreen(Hwnd(window), &point);
    return MAKELPARAM(point.x, point.y);
  }
  // The WM_QUIT code if one is waiting, else -1.
  long long QuitCode() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        return static_cast<long long>(static_cast<std::uint32_t>(message.wParam));
      }
      ::DispatchMessageW(&message);
    }
    return -1;
  }

  Win32WindowApi api;
  SetupWindow window;
  bool created = false;
  std::int32_t d2dResult = -1;
  std::int32_t writeResult = -1;
};

bool SameRect(const RectF& actual, const RectF& expected) {
  if (actual == expected) {
    return true;
  }
  std::printf("  rectangle {%g, %g, %g, %g}, expected {%g, %g, %g, %g}\n", actual.left, actual.top,
              actual.right, actual.bottom, expected.left, expected.top, expected.right,
              expected.bottom);
  return false;
}

// What a paint that ran to its end leaves in the record, in DIPs. This program has no string
// tables, so both labels are empty and both buttons have their minimum width of 88: Cancel ends at
// the column's right edge (392), "Try again" 8 DIPs left of it; both 28 high from y = 192.
constexpr RectF kCloseBox{374, 0, 420, 32};
constexpr RectF kCancelButton{304, 192, 392, 220};
constexpr RectF kTryAgainButton{208, 192, 296, 220};

}  // namespace

WINE_TEST(CreatesTheHiddenPopupOfTheClass) {
  LiveWindow live;
  CHECK(live.created);
  const HWND hwnd = Hwnd(live.window);
  CHECK(!::IsWindowVisible(hwnd));
  CHECK_EQ(
      static_cast<std::uint32_t>(::GetWindowLongW(hwnd, GWL_STYLE)) &
          (WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX),
      WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
  CHECK(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  CHECK_EQ(rect.left, 0);
  CHECK_EQ(rect.top, 0);
  CHECK_EQ(rect.right, 420);
  CHECK_EQ(rect.bottom, 236);
  wchar_t title[64] = {};
  ::GetWindowTextW(hwnd, title, 64);
  CHECK(::lstrcmpW(title, L"Vorne check window") == 0);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  CHECK(::GetClassInfoExW(::GetModuleHandleW(nullptr), kWindowClassName, &windowClass));
  CHECK_EQ(windowClass.style, CS_DROPSHADOW);
  CHECK(windowClass.hbrBackground == nullptr);
  CHECK(windowClass.lpfnWndProc == SetupWindowProc);
}

WINE_TEST(PaintDrawsWithDirect2DAndValidates) {
  LiveWindow live;
  CHECK(live.d2dResult >= 0);
  CHECK(live.writeResult >= 0);
  CHECK((live.window.d2dFactory.get() != nullptr));
  CHECK((live.window.writeFactory.get() != nullptr));
  // Nothing painted yet: no rectangle is set.
  CHECK(SameRect(live.window.closeRect, RectF{}));
  CHECK(SameRect(live.window.cancelRect, RectF{}));
  live.Show();
  // The paint ran past the title band and the Downloading screen's text, which need DirectWrite,
  // to the buttons: the close box and Cancel are set, "Try again" is not on this screen.
  CHECK(SameRect(live.window.closeRect, kCloseBox));
  CHECK(SameRect(live.window.cancelRect, kCancelButton));
  CHECK(SameRect(live.window.retryRect, RectF{}));
  CHECK((live.window.renderTarget.get() != nullptr));
  CHECK((live.window.brush.get() != nullptr));
  CHECK(!::GetUpdateRect(Hwnd(live.window), nullptr, FALSE));
  RECT client{};
  ::GetClientRect(Hwnd(live.window), &client);
  const PixelSize expected = WindowSizeForDpi(::GetDpiForWindow(Hwnd(live.window)));
  CHECK_EQ(client.right, expected.width);
  CHECK_EQ(client.bottom, expected.height);
}

WINE_TEST(SizeResizesTheRenderTarget) {
  LiveWindow live;
  live.Show();
  ::SetWindowPos(Hwnd(live.window), nullptr, 0, 0, 500, 300, SWP_NOZORDER | SWP_NOMOVE);
  CHECK((live.window.renderTarget.get() != nullptr));
  if (live.window.renderTarget) {
    const D2D1_SIZE_U size = live.window.renderTarget->GetPixelSize();
    CHECK_EQ(size.width, 500u);
    CHECK_EQ(size.height, 300u);
  }
}

// A sent WM_DPICHANGED does not change the window's DPI under Wine: GetDpiForWindow stays what it
// was (96 in this prefix), so this cannot show that a real DPI change gives the new DPI's size
// (tests/ui/window_messages_test.cpp does, natively, with the DPI changed under the handler). What
// it shows on the real window: the handler drops brush and target, sizes the window anew from the
// window's own DPI (not from the message's 144, not the size it had before, not the suggested
// size, which all differ), moves it to the suggested corner, and a new target is painted.
WINE_TEST(DpiChangeDropsTheTargetAndTakesTheSuggestedCorner) {
  LiveWindow live;
  live.Show();
  const HWND hwnd = Hwnd(live.window);
  const UINT dpi = ::GetDpiForWindow(hwnd);
  const UINT messageDpi = dpi == 144 ? 192 : 144;
  // A size that no DPI gives, so a handler that only moved the window would leave it showing.
  ::SetWindowPos(hwnd, nullptr, 0, 0, 501, 301, SWP_NOZORDER | SWP_NOMOVE);
  RECT suggested{40, 50, 40 + 999, 50 + 777};
  ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(messageDpi, messageDpi),
                 reinterpret_cast<LPARAM>(&suggested));
  CHECK_EQ(::GetDpiForWindow(hwnd), dpi);
  CHECK(!(live.window.renderTarget.get() != nullptr));
  CHECK(!(live.window.brush.get() != nullptr));
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  const PixelSize size = WindowSizeForDpi(dpi);
  CHECK(!(size == WindowSizeForDpi(messageDpi)));
  CHECK_EQ(rect.left, 40);
  CHECK_EQ(rect.top, 50);
  CHECK_EQ(rect.right - rect.left, size.width);
  CHECK_EQ(rect.bottom - rect.top, size.height);
  ::UpdateWindow(hwnd);  // the invalidated window paints a new target
  CHECK((live.window.renderTarget.get() != nullptr));
  if (live.window.renderTarget) {
    const D2D1_SIZE_U target = live.window.renderTarget->GetPixelSize();
    CHECK_EQ(target.width, static_cast<UINT32>(size.width));
    CHECK_EQ(target.height, static_cast<UINT32>(size.height));
  }
}

WINE_TEST(HitTestGivesTheDragBandAndTheCloseBox) {
  LiveWindow live;
  const HWND hwnd = Hwnd(live.window);
  // Before the first paint there is no close box: the whole band drags.
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(380, 10)), HTCAPTION);
  live.Show();
  // The paint set the close box, and the procedure hit-tests against it.
  CHECK(SameRect(live.window.closeRect, kCloseBox));
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(380, 10)), HTCLIENT);
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(373, 10)), HTCAPTION);
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(100, 10)), HTCAPTION);
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(100, 100)), HTCLIENT);
  live.window.phase = UiPhase::Starting;
  CHECK_EQ(::SendMessageW(hwnd, WM_NCHITTEST, 0, live.ScreenLParam(380, 10)), HTCAPTION);
}

WINE_TEST(EscapeOnTheDownloadScreenQuitsWith1602) {
  LiveWindow live;
  live.Show();
  ::SendMessageW(Hwnd(live.window), WM_KEYDOWN, VK_ESCAPE, 1);
  CHECK(!::IsWindow(Hwnd(live.window)));
  CHECK_EQ(live.QuitCode(), 1602);
}

WINE_TEST(SystemCloseIsIgnoredWhileStarting) {
  LiveWindow live;
  live.Show();
  ::PostMessageW(Hwnd(live.window), WM_SETUP_STARTING, 0, 0);
  CHECK_EQ(live.QuitCode(), -1);  // dispatches the posted message
  CHECK(live.window.phase == UiPhase::Starting);
  ::UpdateWindow(Hwnd(live.window));
  CHECK(SameRect(live.window.cancelRect, RectF{}));  // the Starting screen has no buttons
  CHECK(SameRect(live.window.retryRect, RectF{}));
  ::SendMessageW(Hwnd(live.window), WM_SYSCOMMAND, SC_CLOSE, 0);
  ::SendMessageW(Hwnd(live.window), WM_KEYDOWN, VK_ESCAPE, 1);
  CHECK(::IsWindow(Hwnd(live.window)));
  CHECK_EQ(live.QuitCode(), -1);
}

WINE_TEST(FailureShowsTheWindowAndClosingItQuitsWith1603) {
  LiveWindow live;
  live.Show();
  ::PostMessageW(Hwnd(live.window), WM_SETUP_HIDE, 0, 0);
  CHECK_EQ(live.QuitCode(), -1);
  CHECK(!::IsWindowVisible(Hwnd(live.window)));
  ::PostMessageW(Hwnd(live.window), WM_SETUP_FAILED, 2, static_cast<LPARAM>(0x80070005));
  CHECK_EQ(live.QuitCode(), -1);
  CHECK(::IsWindowVisible(Hwnd(live.window)));
  CHECK_EQ(live.window.errorCode, 0x80070005u);
  // The failure screen's paint sets both buttons.
  ::UpdateWindow(Hwnd(live.window));
  CHECK(SameRect(live.window.cancelRect, kCancelButton));
  CHECK(SameRect(live.window.retryRect, kTryAgainButton));
  CHECK(SameRect(live.window.closeRect, kCloseBox));
  ::SendMessageW(Hwnd(live.window), WM_CLOSE, 0, 0);
  CHECK_EQ(live.QuitCode(), 1603);
}

WINE_TEST(InstallerExitCodeTravelsWholeThroughWmQuit) {
  LiveWindow live;
  live.Show();
  ::PostMessageW(Hwnd(live.window), WM_SETUP_EXIT, 0xC0000005, 0);
  CHECK_EQ(live.QuitCode(), 0xC0000005LL);
}

// Only the client object is answered, and only then are COM and oleacc loaded. A default action
// is a posted message that presses the button from the loop; after WM_DESTROY the object refuses
// every call.
WINE_TEST(AccessibleObjectComesOnRequestAndIsCutOffAtDestroy) {
  LiveWindow live;
  live.Show();
  const HWND hwnd = Hwnd(live.window);
  CHECK(::GetModuleHandleW(L"oleacc.dll") == nullptr);
  CHECK_EQ(::SendMessageW(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_WINDOW)), 0);
  CHECK_EQ(::SendMessageW(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CARET)), 0);
  CHECK(::GetModuleHandleW(L"oleacc.dll") == nullptr);

  const LRESULT answer = ::SendMessageW(hwnd, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
  CHECK(answer > 0);
  const HMODULE oleacc = ::GetModuleHandleW(L"oleacc.dll");
  CHECK(oleacc != nullptr);
  if (answer <= 0 || oleacc == nullptr) {
    return;
  }
  using ObjectFromLresultFunction = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);
  const auto objectFromLresult = reinterpret_cast<ObjectFromLresultFunction>(
      reinterpret_cast<void*>(::GetProcAddress(oleacc, "ObjectFromLresult")));
  CHECK(objectFromLresult != nullptr);
  IAccessible* object = nullptr;
  CHECK_EQ(objectFromLresult(answer, IID_IAccessible, 0, reinterpret_cast<void**>(&object)), S_OK);
  if (object == nullptr) {
    return;
  }
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  VARIANT role;
  role.vt = VT_EMPTY;
  CHECK_EQ(object->get_accRole(self, &role), S_OK);
  CHECK(role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_CLIENT);
  // The download screen without a worker: close box, status line, bar, Cancel.
  LONG children = 0;
  CHECK_EQ(object->get_accChildCount(&children), S_OK);
  CHECK_EQ(children, 4);
  VARIANT cancel = self;
  cancel.lVal = 4;
  VARIANT past = self;
  past.lVal = 5;
  CHECK_EQ(object->accDoDefaultAction(past), E_INVALIDARG);
  CHECK_EQ(object->accDoDefaultAction(cancel), S_OK);
  // Nothing happened inside the call: the press waits in the queue.
  CHECK(::IsWindow(hwnd));
  MSG pressed;
  CHECK(::PeekMessageW(&pressed, hwnd, kWmAccessibleAction, kWmAccessibleAction, PM_NOREMOVE));
  CHECK_EQ(pressed.wParam, static_cast<WPARAM>(ButtonId::Cancel));
  CHECK_EQ(live.QuitCode(), 1602);
  CHECK(!::IsWindow(hwnd));

  BSTR name = nullptr;
  CHECK_EQ(object->get_accName(self, &name), CO_E_OBJNOTCONNECTED);
  CHECK(name == nullptr);
  CHECK_EQ(object->get_accChildCount(&children), CO_E_OBJNOTCONNECTED);
  CHECK_EQ(object->accDoDefaultAction(cancel), CO_E_OBJNOTCONNECTED);
  object->Release();
}
