#include "render/device_resources.h"

#include "render/palette.h"
#include "render/primitives.h"

HResult EnsureDeviceResources(SetupWindow& window, DrawingApi& drawing) {
  if (window.renderTarget) {
    return kSOk;
  }
  const PixelRect client = drawing.GetClientRect(window.hwnd);
  const float dpi = static_cast<float>(drawing.GetDpiForWindow(window.hwnd));
  const HResult created = drawing.CreateHwndRenderTarget(
      window.d2dFactory.get(), window.hwnd, dpi, static_cast<std::uint32_t>(client.right),
      static_cast<std::uint32_t>(client.bottom), window.renderTarget);
  if (!Succeeded(created) || !window.renderTarget) {
    window.renderTarget.reset();
    return Succeeded(created) ? kEFail : created;
  }
  drawing.SetTextAntialiasMode(window.renderTarget.get(), TextAntialiasMode::Grayscale);

  const HResult brushCreated = drawing.CreateSolidColorBrush(window.renderTarget.get(),
                                                             RgbToColorF(ColorText), window.brush);
  if (!Succeeded(brushCreated) || !window.brush) {
    // Every fill, line and text needs the brush: without one the paint would draw nothing but the
    // background. Give up both and let the next paint try again from the start.
    DiscardDeviceResources(window);
    return Succeeded(brushCreated) ? kEFail : brushCreated;
  }
  return kSOk;
}

void DiscardDeviceResources(SetupWindow& window) {
  window.brush.reset();
  window.renderTarget.reset();
}
