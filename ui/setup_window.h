// SetupWindow: the UI thread's record of the one window, its drawing resources, the worker and the
// state of the screen. Owned by RunSetup; used by the UI thread only, so nothing here is atomic.
#pragma once

#include <cstdint>
#include <memory>

#include "app/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "platform/handles.h"
#include "platform/com_holder.h"

struct ID2D1Factory;
struct IDWriteFactory;
struct ID2D1HwndRenderTarget;
struct ID2D1SolidColorBrush;

enum class ButtonId : std::uint32_t {
  None = 0,
  Close = 1,  // the x in the title band
  TryAgain = 2,
  Cancel = 3,
};

// In DIPs, the layout of D2D1_RECT_F. A point is inside when left <= x < right and
// top <= y < bottom, so the zero rectangle contains nothing and a NaN coordinate is outside.
struct RectF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  bool Contains(float x, float y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool operator==(const RectF&) const = default;
};

// The members are declared in this order so that destruction releases the worker first, then the
// brush, the render target and the two factories.
struct SetupWindow {
  WindowHandle hwnd = 0;
  ComHolder<ID2D1Factory> d2dFactory;
  ComHolder<IDWriteFactory> writeFactory;
  // Device resources: null until the first paint, dropped together (brush first).
  ComHolder<ID2D1HwndRenderTarget> renderTarget;
  ComHolder<ID2D1SolidColorBrush> brush;
  std::unique_ptr<SetupWorker> worker;
  UiPhase phase = UiPhase::Downloading;
  // The raw wParam of WM_SETUP_FAILED; values past LaunchFailed are kept as they came.
  FailureKind failureKind = FailureKind::DownloadFailed;
  std::uint32_t errorCode = 0;
  std::uint32_t exitCode = kExitUserCancelled;
  ButtonId hoveredButton = ButtonId::None;
  ButtonId pressedButton = ButtonId::None;
  // Written by every paint; zero until the first one.
  RectF closeRect;
  RectF retryRect;
  RectF cancelRect;
};

// The one SetupWindow, reached by the window procedure; null when there is none. UI thread only.
extern SetupWindow* g_setupWindow;
