#include "ui/window_messages.h"

#include <gtest/gtest.h>

#include "ui/window_input.h"
#include "window_fixture.h"

namespace {

// CreateWindowExW sends messages before it returns the handle; WM_NCCREATE comes first and gives
// the record its window, so what a handler does during creation reaches the right window (and an
// InvalidateRect never names the desktop).
TEST(NcCreate, GivesTheRecordItsWindowBeforeAnyOtherHandlerRuns) {
  WindowFixture f;
  f.window.hwnd = 0;
  constexpr WindowHandle kCreated = 0x4242;
  EXPECT_EQ(HandleWindowMessage(f.window, f.api, kCreated, kWmNcCreate, 0, 0), std::nullopt)
      << "DefWindowProcW must still complete the creation";
  EXPECT_EQ(f.window.hwnd, kCreated);
  HandleWindowMessage(f.window, f.api, kCreated, WM_SETUP_STARTING, 0, 0);
  EXPECT_EQ(f.log, std::vector<std::string>{"InvalidateRect 16962"});
}

TEST(SetupProgress, ClearsTheHandshakeThenRepaints) {
  WindowFixture f;
  f.AddStartedWorker();
  f.window.worker->progressPosted = true;
  EXPECT_EQ(f.Send(WM_SETUP_PROGRESS), std::optional<std::intptr_t>(0));
  EXPECT_FALSE(f.window.worker->progressPosted.load());
  EXPECT_EQ(f.log, std::vector<std::string>{"InvalidateRect 7"});
}

TEST(SetupProgress, AfterTheFailureOnlyRepaints) {
  WindowFixture f;
  f.AddStartedWorker();
  f.Send(WM_SETUP_FAILED, 1, 5);
  f.log.clear();
  f.Send(WM_SETUP_PROGRESS);
  EXPECT_EQ(f.window.phase, UiPhase::Failed);
  EXPECT_EQ(f.log, std::vector<std::string>{"InvalidateRect 7"});
}

TEST(SetupStarting, SwitchesScreenAndDropsHover) {
  WindowFixture f;
  f.window.hoveredButton = ButtonId::Cancel;
  f.PaintedAs(UiPhase::Downloading);
  f.Send(WM_SETUP_STARTING);
  EXPECT_EQ(f.window.phase, UiPhase::Starting);
  EXPECT_EQ(f.window.hoveredButton, ButtonId::None);
  EXPECT_EQ(f.window.exitCode, 1602u);
  EXPECT_EQ(f.log, std::vector<std::string>{"InvalidateRect 7"});
}

TEST(SetupHide, OnlyHides) {
  WindowFixture f;
  f.window.phase = UiPhase::Starting;
  f.Send(WM_SETUP_HIDE);
  EXPECT_EQ(f.window.phase, UiPhase::Starting);
  EXPECT_EQ(f.log, std::vector<std::string>{"ShowWindow 7 0"});
}

TEST(SetupFailed, StoresKindAndCodeShowsAndKeepsTheHover) {
  WindowFixture f;
  f.window.hoveredButton = ButtonId::Cancel;
  // A code with the top bit set arrives as a negative lParam.
  f.Send(WM_SETUP_FAILED, 7, static_cast<std::intptr_t>(static_cast<std::int32_t>(0x800B0100)));
  EXPECT_EQ(f.window.phase, UiPhase::Failed);
  EXPECT_EQ(static_cast<std::uint32_t>(f.window.failureKind), 7u);
  EXPECT_EQ(f.window.errorCode, 0x800B0100u);
  EXPECT_EQ(f.window.exitCode, 1603u);
  EXPECT_EQ(f.window.hoveredButton, ButtonId::Cancel);
  EXPECT_EQ(f.log, (std::vector<std::string>{"ShowWindow 7 5", "InvalidateRect 7"}));
}

TEST(SetupFailed, ShowsTheHiddenWindowAgainAfterALaunchFailure) {
  WindowFixture f;
  f.Send(WM_SETUP_STARTING);
  f.Send(WM_SETUP_HIDE);
  f.Send(WM_SETUP_FAILED, 2, 2);
  EXPECT_EQ(f.window.phase, UiPhase::Failed);
  EXPECT_EQ(f.window.failureKind, FailureKind::LaunchFailed);
  EXPECT_EQ(f.log.at(f.log.size() - 2), "ShowWindow 7 5");
}

TEST(SetupExit, KeepsTheInstallersCodeAndEndsTheLoopWithIt) {
  for (const std::uint32_t code : {0u, 1602u, 3010u, 0x80004005u, 0xFFFFFFFFu}) {
    WindowFixture f;
    f.window.phase = UiPhase::Starting;
    f.Send(WM_SETUP_EXIT, code);
    EXPECT_EQ(f.window.exitCode, code);
    EXPECT_EQ(f.log, std::vector<std::string>{"DestroyWindow 7"});
    f.log.clear();
    f.Send(kWmDestroy);
    ASSERT_EQ(f.log.size(), 1u);
    // The loop reads WM_QUIT's wParam as 32 bits, so the int's bits are what count.
    EXPECT_EQ(f.log[0], "PostQuitMessage " + std::to_string(static_cast<int>(code)));
  }
}

TEST(Close, IgnoredWhileStartingOtherwiseCancels) {
  WindowFixture starting;
  starting.AddStartedWorker();
  starting.window.phase = UiPhase::Starting;
  EXPECT_EQ(starting.Send(kWmClose), std::optional<std::intptr_t>(0));
  EXPECT_TRUE(starting.log.empty());

  WindowFixture downloading;
  downloading.AddStartedWorker();
  downloading.Send(kWmClose);
  EXPECT_EQ(downloading.log, (std::vector<std::string>{"JoinThread", "DestroyWindow 7"}));
  EXPECT_EQ(downloading.window.exitCode, 1602u);
}

TEST(Sequence, RetryThenCancelEndsWithTheCancelCode) {
  WindowFixture f;
  f.AddStartedWorker();
  f.Send(WM_SETUP_FAILED, 0, 12002);
  EXPECT_EQ(f.window.exitCode, 1603u);
  f.Send(kWmKeyDown, kVkReturn);
  f.Send(kWmKeyDown, kVkEscape);
  EXPECT_EQ(f.window.exitCode, 1602u);
  f.Send(kWmDestroy);
  EXPECT_EQ(f.log.back(), "PostQuitMessage 1602");
}

TEST(Size, ResizesAnExistingRenderTargetOnly) {
  WindowFixture f;
  EXPECT_EQ(f.Send(kWmSize, 0, PointLParam(630, 354)), std::optional<std::intptr_t>(0));
  EXPECT_TRUE(f.log.empty());
  FakeComObject target{&f.log, "renderTarget"};
  AttachFake(f.window.renderTarget, target);
  f.Send(kWmSize, 0, PointLParam(630, 354));
  f.Send(kWmSize, 0, PointLParam(0xFFFF, 0x8000));  // unsigned words, no sign
  EXPECT_EQ(f.log, (std::vector<std::string>{"ResizeRenderTarget 630 354",
                                             "ResizeRenderTarget 65535 32768"}));
}

TEST(DpiChanged, DropsBrushThenTargetAndTakesTheSuggestedCorner) {
  WindowFixture f;
  FakeComObject target{&f.log, "renderTarget"};
  FakeComObject brush{&f.log, "brush"};
  AttachFake(f.window.renderTarget, target);
  AttachFake(f.window.brush, brush);
  f.api.dpi = 144;
  const PixelRect suggested{-1500, 20, -1500 + 700, 20 + 400};
  EXPECT_EQ(f.Send(kWmDpiChanged, 0x00900090, reinterpret_cast<std::intptr_t>(&suggested)),
            std::optional<std::intptr_t>(0));
  EXPECT_FALSE(f.window.brush);
  EXPECT_FALSE(f.window.renderTarget);
  EXPECT_EQ(f.log,
            (std::vector<std::string>{"Release brush", "Release renderTarget",
                                      "SetWindowPos 7 -1500 20 630 354 0x14", "InvalidateRect 7"}));
  // Until the next paint there is no target to resize.
  f.log.clear();
  f.Send(kWmSize, 0, PointLParam(630, 354));
  EXPECT_TRUE(f.log.empty());
}

TEST(HandleWindowMessage, LeavesPaintAndEverythingElseToTheDefault) {
  WindowFixture f;
  for (const std::uint32_t message :
       {kWmPaint, 0x0001u /* WM_CREATE */, 0x0112u /* WM_SYSCOMMAND */, 0x0104u /* WM_SYSKEYDOWN */,
        0x0203u /* WM_LBUTTONDBLCLK */, 0x8006u /* WM_APP + 6 */}) {
    EXPECT_EQ(f.Send(message), std::nullopt) << message;
  }
  EXPECT_TRUE(f.log.empty());
}

}  // namespace
