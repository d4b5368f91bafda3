#include "ui/placement.h"

float DipScale(std::uint32_t dpi) {
  return static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
}

PixelSize WindowSizeForDpi(std::uint32_t dpi) {
  const float scale = DipScale(dpi);
  return PixelSize{static_cast<int>(kCanvasWidth * scale + 0.5f),
                   static_cast<int>(kCanvasHeight * scale + 0.5f)};
}

PixelPoint CenterInWorkArea(const PixelRect& workArea, PixelSize size) {
  // In 64 bits: the sum of two far-apart coordinates must not overflow before the halving.
  const std::int64_t left = (std::int64_t{workArea.left} + workArea.right - size.width) / 2;
  const std::int64_t top = (std::int64_t{workArea.top} + workArea.bottom - size.height) / 2;
  return PixelPoint{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top)};
}

void PlaceWindow(WindowApi& api, WindowHandle window, const PixelRect* suggested) {
  const PixelSize size = WindowSizeForDpi(api.GetDpiForWindow(window));
  PixelPoint corner;
  if (suggested != nullptr) {
    corner = PixelPoint{suggested->left, suggested->top};
  } else {
    corner = CenterInWorkArea(api.GetMonitorWorkArea(api.MonitorFromWindow(window)), size);
  }
  api.SetWindowPos(window, corner.x, corner.y, size.width, size.height,
                   kSwpNoZOrder | kSwpNoActivate);
}
