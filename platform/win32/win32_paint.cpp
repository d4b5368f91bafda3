// The window's paint entry. For now it clears the client area to the background colour with
// Direct2D (no GDI, so gdi32 stays out of the import table); the screens are drawn here later.
#include <d2d1.h>

#include "platform/win32/com_release.h"
#include "platform/win32/win32_window.h"

namespace {

// 0x0D0F1E, the background of every frame.
constexpr D2D1_COLOR_F kBackground{13.0f / 255.0f, 15.0f / 255.0f, 30.0f / 255.0f, 1.0f};
// 0xE0E0F0, the colour the brush starts with.
constexpr D2D1_COLOR_F kText{224.0f / 255.0f, 224.0f / 255.0f, 240.0f / 255.0f, 1.0f};

// The render target at the window's DPI and client size, and the one brush, when missing.
bool EnsureTarget(SetupWindow& window, HWND hwnd) {
  if (window.renderTarget) {
    return true;
  }
  if (!window.d2dFactory) {
    return false;
  }
  RECT client{};
  ::GetClientRect(hwnd, &client);
  const float dpi = static_cast<float>(::GetDpiForWindow(hwnd));
  const D2D1_RENDER_TARGET_PROPERTIES properties = D2D1::RenderTargetProperties(
      D2D1_RENDER_TARGET_TYPE_DEFAULT,
      D2D1::PixelFormat(DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN), dpi, dpi);
  const D2D1_HWND_RENDER_TARGET_PROPERTIES hwndProperties = D2D1::HwndRenderTargetProperties(
      hwnd, D2D1::SizeU(static_cast<UINT32>(client.right), static_cast<UINT32>(client.bottom)));
  if (FAILED(window.d2dFactory->CreateHwndRenderTarget(
          properties, hwndProperties,
          window.renderTarget.put(&ReleaseCom<ID2D1HwndRenderTarget>)))) {
    return false;
  }
  window.renderTarget->CreateSolidColorBrush(kText,
                                             window.brush.put(&ReleaseCom<ID2D1SolidColorBrush>));
  return true;
}

}  // namespace

void PaintWindow(SetupWindow& window, HWND hwnd) {
  PAINTSTRUCT paint;
  ::BeginPaint(hwnd, &paint);
  if (EnsureTarget(window, hwnd)) {
    window.renderTarget->BeginDraw();
    window.renderTarget->Clear(kBackground);
    if (window.renderTarget->EndDraw() == static_cast<HRESULT>(D2DERR_RECREATE_TARGET)) {
      window.brush.reset();
      window.renderTarget.reset();
    }
  }
  ::EndPaint(hwnd, &paint);
}
