// SetupWindow: the UI thread's record of the one window, its drawing resources, the worker and the
// state of the screen. Owned by RunSetup; used by the UI thread only, so nothing here is atomic.
#pragma once

#include <cstdint>
#include <memory>

#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "platform/com_holder.h"
#include "platform/geometry.h"
#include "platform/handles.h"
#include "platform/window_api.h"
#include "ui/accessible_screen.h"

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
  // Where the last paint put the texts and the bar of the screen `phase`, for screen readers; all
  // zero until a paint has drawn that screen.
  struct PaintedContent {
    UiPhase phase = UiPhase::Downloading;
    bool drawn = false;
    RectF status;
    RectF figures;
    RectF bar;
    RectF headline;
    RectF explanation;
  } painted;
  // The screen the accessibility events last described; a fresh window shows exactly this.
  AccessibleScreen announced;
};

// The one SetupWindow, reached by the window procedure; null when there is none. UI thread only.
extern SetupWindow* g_setupWindow;
// The window calls RunSetup was given, reached by the window procedure the same way; null when
// there is none. UI thread only.
extern WindowApi* g_windowApi;
