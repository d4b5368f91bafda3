#include "ui/window_messages.h"

#include <cstring>

#include "ui/accessibility.h"
#include "ui/placement.h"
#include "ui/window_input.h"

void OnSetupProgress(SetupWindow& window, WindowApi& api) {
  // Cleared before the repaint is asked for: a chunk written from now on posts a new message, and
  // the paint that follows reads the latest counters either way.
  if (window.worker) {
    window.worker->progressPosted.exchange(false);
  }
  api.InvalidateRect(window.hwnd);
  AnnounceAccessibleChanges(window, api);
}

void OnSetupStarting(SetupWindow& window, WindowApi& api) {
  window.phase = UiPhase::Starting;
  window.hoveredButton = ButtonId::None;
  ForgetPushButtons(window);
  api.InvalidateRect(window.hwnd);
  AnnounceAccessibleChanges(window, api);
}

void OnSetupHide(SetupWindow& window, WindowApi& api) {
  api.ShowWindow(window.hwnd, kSwHide);
}

void OnSetupFailed(SetupWindow& window, WindowApi& api, std::uintptr_t kind, std::intptr_t error) {
  window.phase = UiPhase::Failed;
  window.failureKind = static_cast<FailureKind>(static_cast<std::uint32_t>(kind));
  window.errorCode = static_cast<std::uint32_t>(error);
  window.exitCode = kExitSetupFailed;
  // The hover stays: a pointer resting on a button keeps its highlight until it moves.
  ForgetPushButtons(window);
  api.ShowWindow(window.hwnd, kSwShow);
  api.InvalidateRect(window.hwnd);
  AnnounceAccessibleChanges(window, api);
}

void OnAccessibleAction(SetupWindow& window, WindowApi& api, std::uintptr_t button) {
  // The phase may have moved on since the action was asked for: what counts is whether the button
  // is on the screen now, exactly as for a click.
  switch (static_cast<ButtonId>(static_cast<std::uint32_t>(button))) {
    case ButtonId::Close:
    case ButtonId::Cancel:
      if (window.phase != UiPhase::Starting) {
        CancelAndClose(window, api);
      }
      break;
    case ButtonId::TryAgain:
      if (window.phase == UiPhase::Failed) {
        RetryPipeline(window, api);
      }
      break;
    default:
      break;
  }
}

void OnSetupExit(SetupWindow& window, WindowApi& api, std::uintptr_t installerExitCode) {
  window.exitCode = static_cast<std::uint32_t>(installerExitCode);
  api.DestroyWindow(window.hwnd);
}

void OnDestroy(SetupWindow& window, WindowApi& api) {
  // The full 32 bits travel through the int: GetMessageW's WM_QUIT carries them back unchanged.
  api.PostQuitMessage(static_cast<int>(window.exitCode));
}

void OnSize(SetupWindow& window, WindowApi& api, std::intptr_t lParam) {
  if (!window.renderTarget) {
    return;
  }
  const auto bits = static_cast<std::uint32_t>(lParam);
  api.ResizeRenderTarget(window.renderTarget.get(), bits & 0xFFFF, (bits >> 16) & 0xFFFF);
}

void OnDpiChanged(SetupWindow& window, WindowApi& api, WindowHandle hwnd,
                  const PixelRect& suggested) {
  window.brush.reset();
  window.renderTarget.reset();
  PlaceWindow(api, hwnd, &suggested);
  api.InvalidateRect(hwnd);
}

std::optional<std::intptr_t> HandleWindowMessage(SetupWindow& window, WindowApi& api,
                                                 WindowHandle hwnd, std::uint32_t message,
                                                 std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kWmNcCreate:
      // The first message the window's procedure gets: from here on every handler finds the
      // window in the record, also those of the messages sent before CreateWindowExW returns.
      window.hwnd = hwnd;
      return std::nullopt;  // DefWindowProcW completes the creation
    case kWmDestroy:
      OnDestroy(window, api);
      return 0;
    case kWmSize:
      OnSize(window, api, lParam);
      return 0;
    case kWmClose:
      OnClose(window, api);
      return 0;
    case kWmNcHitTest:
      return OnNcHitTest(window, api, hwnd, lParam);
    case kWmKeyDown:
      OnKeyDown(window, api, wParam);
      return 0;
    case kWmMouseMove:
      OnMouseMove(window, api, hwnd, lParam);
      return 0;
    case kWmLButtonDown:
      OnLButtonDown(window, api, hwnd, lParam);
      return 0;
    case kWmLButtonUp:
      OnLButtonUp(window, api, hwnd, lParam);
      return 0;
    case kWmMouseLeave:
      OnMouseLeave(window, api);
      return 0;
    case kWmDpiChanged: {
      // lParam is the address of a RECT, which has PixelRect's layout; copied, not aliased.
      PixelRect suggested;
      std::memcpy(&suggested, reinterpret_cast<const void*>(lParam), sizeof suggested);
      OnDpiChanged(window, api, hwnd, suggested);
      return 0;
    }
    case WM_SETUP_PROGRESS:
      OnSetupProgress(window, api);
      return 0;
    case WM_SETUP_STARTING:
      OnSetupStarting(window, api);
      return 0;
    case WM_SETUP_HIDE:
      OnSetupHide(window, api);
      return 0;
    case WM_SETUP_FAILED:
      OnSetupFailed(window, api, wParam, lParam);
      return 0;
    case WM_SETUP_EXIT:
      OnSetupExit(window, api, wParam);
      return 0;
    case kWmAccessibleAction:
      OnAccessibleAction(window, api, wParam);
      return 0;
    default:
      return std::nullopt;
  }
}
