#include "ui/window_input.h"

#include <gtest/gtest.h>

#include <limits>

#include "window_fixture.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(PointFromLParam, ReadsSignedWords) {
  const PixelPoint point = PointFromLParam(PointLParam(-5, -32768));
  EXPECT_EQ(point.x, -5);
  EXPECT_EQ(point.y, -32768);
  const PixelPoint far = PointFromLParam(PointLParam(32767, 1));
  EXPECT_EQ(far.x, 32767);
  EXPECT_EQ(far.y, 1);
}

TEST(MouseToDips, DividesByTheWindowsScale) {
  WindowFixture f;
  f.api.dpi = 144;
  const DipPoint dips = MouseToDips(f.api, kWindow, PointLParam(456, -3));
  EXPECT_FLOAT_EQ(dips.x, 304.0f);
  EXPECT_FLOAT_EQ(dips.y, -2.0f);
}

struct HitCase {
  UiPhase phase;
  float x;
  float y;
  ButtonId expected;
};

TEST(HitTestButton, FirstMatchWinsAndTheCloseBoxIsDeadWhileStarting) {
  const HitCase cases[] = {
      {UiPhase::Downloading, 380, 10, ButtonId::Close},
      {UiPhase::Failed, 419.9f, 31.9f, ButtonId::Close},
      {UiPhase::Starting, 380, 10, ButtonId::None},
      {UiPhase::Downloading, 420, 10, ButtonId::None},  // right edge is outside
      {UiPhase::Failed, 208, 192, ButtonId::TryAgain},
      {UiPhase::Failed, 296, 200, ButtonId::None},  // the gap between the buttons
      {UiPhase::Failed, 304, 219.9f, ButtonId::Cancel},
      {UiPhase::Failed, 304, 220, ButtonId::None},
      {UiPhase::Failed, kNaN, 200, ButtonId::None},
      {UiPhase::Failed, 380, kNaN, ButtonId::None},
  };
  for (const HitCase& c : cases) {
    WindowFixture f;
    f.PaintedAs(UiPhase::Failed);
    f.window.phase = c.phase;
    EXPECT_EQ(HitTestButton(f.window, c.x, c.y), c.expected) << c.x << "," << c.y;
  }
}

TEST(HitTestButton, OverlappingRectanglesGoToTheEarlierButton) {
  WindowFixture f;
  f.window.closeRect = RectF{0, 0, 100, 100};
  f.window.retryRect = RectF{50, 50, 150, 150};
  f.window.cancelRect = RectF{0, 0, 200, 200};
  EXPECT_EQ(HitTestButton(f.window, 60, 60), ButtonId::Close);
  EXPECT_EQ(HitTestButton(f.window, 120, 120), ButtonId::TryAgain);
  EXPECT_EQ(HitTestButton(f.window, 180, 180), ButtonId::Cancel);
  f.window.phase = UiPhase::Starting;
  EXPECT_EQ(HitTestButton(f.window, 60, 60), ButtonId::TryAgain);
}

TEST(HitTestButton, NothingIsClickableBeforeTheFirstPaint) {
  WindowFixture f;
  EXPECT_EQ(HitTestButton(f.window, 0, 0), ButtonId::None);
  EXPECT_EQ(HitTestButton(f.window, 380, 10), ButtonId::None);
  EXPECT_EQ(CaptionHitTest(f.window, 380, 10), kHtCaption);
}

struct CaptionCase {
  UiPhase phase;
  float x;
  float y;
  std::intptr_t expected;
};

TEST(CaptionHitTest, TheTopBandDragsExceptOverTheLiveCloseBox) {
  const CaptionCase cases[] = {
      {UiPhase::Downloading, 380, 31.9f, kHtClient},
      {UiPhase::Failed, 380, 31.9f, kHtClient},
      {UiPhase::Starting, 380, 31.9f, kHtCaption},
      {UiPhase::Downloading, 380, 32, kHtClient},
      {UiPhase::Starting, 100, 32, kHtClient},
      {UiPhase::Downloading, 100, 32, kHtClient},
      {UiPhase::Downloading, 373.9f, 5, kHtCaption},
      {UiPhase::Starting, 0, 0, kHtCaption},
      {UiPhase::Starting, 419, 31, kHtCaption},
      {UiPhase::Downloading, 200, -3, kHtCaption},  // above the client area, still the band
      {UiPhase::Downloading, 200, 150, kHtClient},
      {UiPhase::Downloading, 200, kNaN, kHtClient},
      {UiPhase::Starting, kNaN, 5, kHtCaption},
  };
  for (const CaptionCase& c : cases) {
    WindowFixture f;
    f.PaintedAs(UiPhase::Downloading);
    f.window.phase = c.phase;
    EXPECT_EQ(CaptionHitTest(f.window, c.x, c.y), c.expected)
        << static_cast<int>(c.phase) << " " << c.x << "," << c.y;
  }
}

TEST(NcHitTest, ConvertsScreenPixelsToClientDips) {
  WindowFixture f;
  f.PaintedAs(UiPhase::Downloading);
  f.api.dpi = 960;  // ten pixels per DIP, so a pixel row lands at 31.9 DIPs
  f.api.clientOrigin = PixelPoint{-2000, 100};
  EXPECT_EQ(f.Send(kWmNcHitTest, 0, PointLParam(-2000 + 3800, 100 + 319)), kHtClient);
  EXPECT_EQ(f.Send(kWmNcHitTest, 0, PointLParam(-2000 + 3000, 100 + 319)), kHtCaption);
  EXPECT_EQ(f.Send(kWmNcHitTest, 0, PointLParam(-2000 + 3000, 100 + 320)), kHtClient);
  f.window.phase = UiPhase::Starting;
  EXPECT_EQ(f.Send(kWmNcHitTest, 0, PointLParam(-2000 + 3800, 100 + 319)), kHtCaption);
}

TEST(Hover, FollowsThePointerAndRepaintsOnlyOnChange) {
  WindowFixture f;
  f.PaintedAs(UiPhase::Downloading);
  f.Send(kWmMouseMove, 0, PointLParam(310, 200));
  EXPECT_EQ(f.window.hoveredButton, ButtonId::Cancel);
  EXPECT_EQ(f.log, (std::vector<std::string>{"InvalidateRect 7", "TrackMouseEvent 7"}));
  f.log.clear();
  f.Send(kWmMouseMove, 0, PointLParam(320, 210));
  EXPECT_EQ(f.log, std::vector<std::string>{"TrackMouseEvent 7"});
  f.log.clear();
  f.Send(kWmMouseMove, 0, PointLParam(390, 5));
  EXPECT_EQ(f.window.hoveredButton, ButtonId::Close);
  EXPECT_EQ(f.log, (std::vector<std::string>{"InvalidateRect 7", "TrackMouseEvent 7"}));
  f.log.clear();
  f.Send(kWmMouseLeave);
  EXPECT_EQ(f.window.hoveredButton, ButtonId::None);
  EXPECT_EQ(f.log, std::vector<std::string>{"InvalidateRect 7"});
  f.log.clear();
  f.Send(kWmMouseLeave);
  EXPECT_TRUE(f.log.empty());
}

TEST(Hover, UsesTheDpiOfTheWindow) {
  WindowFixture f;
  f.PaintedAs(UiPhase::Downloading);
  f.api.dpi = 144;
  f.Send(kWmMouseMove, 0, PointLParam(300, 300));  // 200 x 200 DIPs: left of Cancel
  EXPECT_EQ(f.window.hoveredButton, ButtonId::None);
  f.Send(kWmMouseMove, 0, PointLParam(460, 300));  // 306.7 DIPs
  EXPECT_EQ(f.window.hoveredButton, ButtonId::Cancel);
}

TEST(Click, PressIsRecordedWithCaptureAndNoRepaint) {
  WindowFixture f;
  f.PaintedAs(UiPhase::Downloading);
  f.Send(kWmLButtonDown, 1, PointLParam(310, 200));
  EXPECT_EQ(f.window.pressedButton, ButtonId::Cancel);
  EXPECT_EQ(f.log, std::vector<std::string>{"SetCapture 7"});
  f.log.clear();
  f.Send(kWmLButtonDown, 1, PointLParam(10, 100));
  EXPECT_EQ(f.window.pressedButton, ButtonId::None);
  EXPECT_EQ(f.log, std::vector<std::string>{"SetCapture 7"});
}

TEST(Click, NeedsPressAndReleaseOnTheSameButton) {
  WindowFixture f;
  f.AddStartedWorker();
  f.PaintedAs(UiPhase::Downloading);
  // Press on Cancel, release elsewhere (outside the window, thanks to the capture).
  f.Send(kWmLButtonDown, 1, PointLParam(310, 200));
  f.Send(kWmLButtonUp, 0, PointLParam(-40, 900));
  // Press elsewhere, release on Cancel.
  f.Send(kWmLButtonDown, 1, PointLParam(100, 100));
  f.Send(kWmLButtonUp, 0, PointLParam(310, 200));
  // Press on the close box, release on Cancel.
  f.Send(kWmLButtonDown, 1, PointLParam(390, 10));
  f.Send(kWmLButtonUp, 0, PointLParam(310, 200));
  EXPECT_EQ(f.window.pressedButton, ButtonId::None);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
  EXPECT_EQ(f.api.Count("JoinThread"), 0);
  EXPECT_EQ(f.api.Count("ReleaseCapture"), 3);
}

enum class Action { Nothing, Close1602, Close1603, Retry };

struct ClickCase {
  UiPhase phase;
  int x;  // client pixels at 96 DPI
  int y;
  Action expected;
};

void ExpectAction(WindowFixture& f, Action expected) {
  switch (expected) {
    case Action::Nothing:
      EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
      EXPECT_EQ(f.api.Count("JoinThread"), 0);
      EXPECT_EQ(f.api.Count("CreateThread"), 0);
      break;
    case Action::Close1602:
    case Action::Close1603:
      // The worker is cancelled and joined before the window goes.
      EXPECT_EQ(f.log.back(), "DestroyWindow 7");
      EXPECT_EQ(f.api.Count("JoinThread"), 1);
      EXPECT_EQ(f.window.exitCode, expected == Action::Close1602 ? 1602u : 1603u);
      break;
    case Action::Retry:
      EXPECT_EQ(f.window.phase, UiPhase::Downloading);
      EXPECT_EQ(f.api.Count("CreateThread"), 1);
      EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
      EXPECT_EQ(f.log.back(), "InvalidateRect 7");
      break;
  }
}

TEST(Click, DoesWhatEachScreenOffers) {
  const ClickCase cases[] = {
      {UiPhase::Downloading, 395, 15, Action::Close1602},
      {UiPhase::Downloading, 350, 205, Action::Close1602},
      {UiPhase::Downloading, 250, 205, Action::Nothing},  // no "Try again" on this screen
      {UiPhase::Starting, 395, 15, Action::Nothing},
      {UiPhase::Starting, 350, 205, Action::Nothing},
      {UiPhase::Failed, 395, 15, Action::Close1603},
      {UiPhase::Failed, 350, 205, Action::Close1603},
      {UiPhase::Failed, 250, 205, Action::Retry},
      {UiPhase::Failed, 20, 120, Action::Nothing},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.phase) << " " << c.x << "," << c.y);
    WindowFixture f;
    f.AddStartedWorker();
    f.window.phase = c.phase;
    f.PaintedAs(c.phase);
    f.Click(c.x, c.y);
    ExpectAction(f, c.expected);
  }
}

struct KeyCase {
  UiPhase phase;
  std::uintptr_t key;
  Action expected;
};

TEST(Keys, EscapeAndEnterByScreen) {
  const KeyCase cases[] = {
      {UiPhase::Downloading, kVkEscape, Action::Close1602},
      {UiPhase::Starting, kVkEscape, Action::Nothing},
      {UiPhase::Failed, kVkEscape, Action::Close1603},
      {UiPhase::Downloading, kVkReturn, Action::Nothing},
      {UiPhase::Starting, kVkReturn, Action::Nothing},
      {UiPhase::Failed, kVkReturn, Action::Retry},
      {UiPhase::Downloading, 0x20, Action::Nothing},
      {UiPhase::Failed, 0x20, Action::Nothing},
      {UiPhase::Failed, 0x73, Action::Nothing},  // F4 alone
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.phase) << " key " << c.key);
    WindowFixture f;
    f.AddStartedWorker();
    f.window.phase = c.phase;
    f.PaintedAs(c.phase);
    // Handled here in every case, never by DefWindowProcW.
    EXPECT_EQ(f.Send(kWmKeyDown, c.key, 1), std::optional<std::intptr_t>(0));
    ExpectAction(f, c.expected);
  }
}

TEST(CancelAndClose, WithoutAWorkerStillEnds) {
  WindowFixture f;
  f.window.phase = UiPhase::Failed;
  CancelAndClose(f.window, f.api);
  EXPECT_EQ(f.window.exitCode, 1603u);
  EXPECT_EQ(f.log, std::vector<std::string>{"DestroyWindow 7"});
}

TEST(RetryPipeline, ResetsTheScreenAndStartsANewRun) {
  WindowFixture f;
  f.AddStartedWorker();
  f.window.phase = UiPhase::Failed;
  f.window.hoveredButton = ButtonId::TryAgain;
  f.window.failureKind = FailureKind::FileDamaged;
  f.window.errorCode = 0x80096010;
  f.window.exitCode = 1603;
  f.window.worker->bytesReceived = 5;
  RetryPipeline(f.window, f.api);
  EXPECT_EQ(f.window.phase, UiPhase::Downloading);
  EXPECT_EQ(f.window.hoveredButton, ButtonId::None);
  EXPECT_EQ(f.window.failureKind, FailureKind::FileDamaged);
  EXPECT_EQ(f.window.errorCode, 0x80096010u);
  EXPECT_EQ(f.window.exitCode, 1603u);
  EXPECT_EQ(f.window.worker->bytesReceived.load(), 0u);
  // The earlier thread is joined before the new one starts; the repaint is asked for last.
  EXPECT_EQ(f.log, (std::vector<std::string>{"JoinThread", "CreateThread", "InvalidateRect 7"}));
}

// A click completed after a phase change but before the repaint must not reach a button of the
// screen that was left.
TEST(PhaseChange, AClickBeforeTheRepaintCannotCancelTheStartingInstaller) {
  WindowFixture f;
  f.AddStartedWorker();
  f.PaintedAs(UiPhase::Downloading);
  f.Send(kWmLButtonDown, 1, PointLParam(350, 205));  // pressed on Cancel while downloading
  f.Send(WM_SETUP_STARTING);
  f.Send(kWmLButtonUp, 0, PointLParam(350, 205));
  f.Click(350, 205);
  EXPECT_EQ(f.api.Count("JoinThread"), 0);  // Cancel would block on the launch step
  EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
  EXPECT_EQ(f.window.retryRect, RectF{});
  EXPECT_EQ(f.window.cancelRect, RectF{});
}

TEST(PhaseChange, ASecondTryAgainBeforeTheRepaintStartsNoSecondRun) {
  WindowFixture f;
  f.AddStartedWorker();
  f.window.worker->workerThread.Join();
  f.Send(WM_SETUP_FAILED, 0, 12029);
  f.PaintedAs(UiPhase::Failed);
  f.log.clear();
  f.Click(250, 205);
  f.Click(250, 205);
  EXPECT_EQ(f.api.Count("CreateThread"), 1);
  EXPECT_EQ(f.api.Count("JoinThread"), 0);
  EXPECT_EQ(f.window.phase, UiPhase::Downloading);
}

TEST(PhaseChange, TheFailureScreensButtonsWorkOnlyOnceItIsPainted) {
  WindowFixture f;
  f.AddStartedWorker();
  f.PaintedAs(UiPhase::Downloading);
  f.Send(WM_SETUP_FAILED, 0, 12029);
  EXPECT_EQ(f.window.cancelRect, RectF{});
  f.Click(350, 205);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
  f.PaintedAs(UiPhase::Failed);
  f.Click(350, 205);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.window.exitCode, 1603u);
}

}  // namespace
