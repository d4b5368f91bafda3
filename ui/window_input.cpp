#include "ui/window_input.h"

#include "ui/accessibility.h"
#include "ui/placement.h"

PixelPoint PointFromLParam(std::intptr_t lParam) {
  const auto bits = static_cast<std::uint32_t>(lParam);
  return PixelPoint{static_cast<std::int16_t>(bits & 0xFFFF),
                    static_cast<std::int16_t>((bits >> 16) & 0xFFFF)};
}

namespace {

DipPoint PixelsToDips(WindowApi& api, WindowHandle window, PixelPoint point) {
  const float scale = DipScale(api.GetDpiForWindow(window));
  return DipPoint{static_cast<float>(point.x) / scale, static_cast<float>(point.y) / scale};
}

}  // namespace

DipPoint MouseToDips(WindowApi& api, WindowHandle window, std::intptr_t lParam) {
  return PixelsToDips(api, window, PointFromLParam(lParam));
}

ButtonId HitTestButton(const SetupWindow& window, float x, float y) {
  if (window.phase != UiPhase::Starting && window.closeRect.Contains(x, y)) {
    return ButtonId::Close;
  }
  if (window.retryRect.Contains(x, y)) {
    return ButtonId::TryAgain;
  }
  if (window.cancelRect.Contains(x, y)) {
    return ButtonId::Cancel;
  }
  return ButtonId::None;
}

std::intptr_t CaptionHitTest(const SetupWindow& window, float x, float y) {
  if (!(y < kTitleBandHeight)) {
    return kHtClient;
  }
  if (window.phase == UiPhase::Starting) {
    return kHtCaption;
  }
  return window.closeRect.Contains(x, y) ? kHtClient : kHtCaption;
}

std::intptr_t OnNcHitTest(SetupWindow& window, WindowApi& api, WindowHandle hwnd,
                          std::intptr_t lParam) {
  PixelPoint point = PointFromLParam(lParam);
  api.ScreenToClient(hwnd, point);
  const DipPoint dips = PixelsToDips(api, hwnd, point);
  return CaptionHitTest(window, dips.x, dips.y);
}

void OnMouseMove(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam) {
  const DipPoint dips = MouseToDips(api, hwnd, lParam);
  const ButtonId hit = HitTestButton(window, dips.x, dips.y);
  if (hit != window.hoveredButton) {
    window.hoveredButton = hit;
    api.InvalidateRect(hwnd);
  }
  // Asked again on every move: Windows cancels the request once it has delivered WM_MOUSELEAVE.
  api.TrackMouseEvent(hwnd);
}

void OnMouseLeave(SetupWindow& window, WindowApi& api) {
  if (window.hoveredButton != ButtonId::None) {
    window.hoveredButton = ButtonId::None;
    api.InvalidateRect(window.hwnd);
  }
}

void OnLButtonDown(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam) {
  const DipPoint dips = MouseToDips(api, hwnd, lParam);
  // Not drawn, so no repaint; the capture brings the release here even outside the window.
  window.pressedButton = HitTestButton(window, dips.x, dips.y);
  api.SetCapture(hwnd);
}

void OnLButtonUp(SetupWindow& window, WindowApi& api, WindowHandle hwnd, std::intptr_t lParam) {
  api.ReleaseCapture();
  const DipPoint dips = MouseToDips(api, hwnd, lParam);
  const ButtonId hit = HitTestButton(window, dips.x, dips.y);
  const ButtonId previous = window.pressedButton;
  window.pressedButton = ButtonId::None;
  if (hit != previous || hit == ButtonId::None) {
    return;
  }
  if (hit == ButtonId::TryAgain) {
    RetryPipeline(window, api);
  } else {
    CancelAndClose(window, api);
  }
}

void OnKeyDown(SetupWindow& window, WindowApi& api, std::uintptr_t virtualKey) {
  if (virtualKey == kVkEscape && window.phase != UiPhase::Starting) {
    CancelAndClose(window, api);
  } else if (virtualKey == kVkReturn && window.phase == UiPhase::Failed) {
    RetryPipeline(window, api);
  }
}

void OnClose(SetupWindow& window, WindowApi& api) {
  if (window.phase != UiPhase::Starting) {
    CancelAndClose(window, api);
  }
}

void CancelAndClose(SetupWindow& window, WindowApi& api) {
  // Lost only when the worker committed to the launch after its last cancel check. Before its
  // WM_SETUP_STARTING is handled the screen still offers Cancel; the close is ignored then, as on
  // the Starting screen, and WM_SETUP_EXIT later brings the installer's code. On the failure
  // screen that run has already posted its last message (a launch that could not create the
  // process), so the close goes ahead and the worker's destruction joins what is left of it.
  const bool cancelled = !window.worker || window.worker->Cancel();
  if (!cancelled && window.phase != UiPhase::Failed) {
    return;
  }
  window.exitCode = window.phase == UiPhase::Failed ? kExitSetupFailed : kExitUserCancelled;
  api.DestroyWindow(window.hwnd);
}

void RetryPipeline(SetupWindow& window, WindowApi& api) {
  window.phase = UiPhase::Downloading;
  window.hoveredButton = ButtonId::None;
  ForgetPushButtons(window);
  if (window.worker) {
    window.worker->Start();
  }
  api.InvalidateRect(window.hwnd);
  AnnounceAccessibleChanges(window, api);
}

void ForgetPushButtons(SetupWindow& window) {
  window.retryRect = RectF{};
  window.cancelRect = RectF{};
}
