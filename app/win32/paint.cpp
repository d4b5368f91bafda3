// The window's paint entry: the portable painting on Direct2D and DirectWrite, with the program's
// own string tables and the user's number settings.
#include "render/paint.h"
#include "app/run_setup.h"
#include "app/win32/window.h"
#include "platform/win32/win32_d2d.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"

void PaintWindow(SetupWindow& window, HWND hwnd) {
  PAINTSTRUCT paint;
  ::BeginPaint(hwnd, &paint);
  // All three are stateless views of the system; nothing is kept between paints.
  Win32RenderApi render;
  const Win32ResourceApi resources(g_instance);
  const Win32LocaleApi locale;
  Paint(window, RenderPlatform{render, render, resources, locale});
  ::EndPaint(hwnd, &paint);
}
