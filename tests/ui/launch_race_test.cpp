// The window's Cancel paths against a real worker thread whose run is held at a known point: a
// close that loses to the launch is ignored without blocking the UI thread and leaves the exit code
// to WM_SETUP_EXIT; a close that wins ends with 1602; the failure screen of a launch that could not
// create the process still ends with 1603, and "Try again" from it starts a run that can be
// cancelled again.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/pipeline/scripted_stages.h"
#include "ui/window_input.h"
#include "ui/window_messages.h"
#include "window_fixture.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kInstallerExit = 3010;
constexpr std::uint32_t kBadExeFormat = 193;

enum class CloseInput { Escape, CancelButton, CloseBox, WmClose };

const char* Name(CloseInput input) {
  switch (input) {
    case CloseInput::Escape:
      return "Escape";
    case CloseInput::CancelButton:
      return "CancelButton";
    case CloseInput::CloseBox:
      return "CloseBox";
    default:
      return "WmClose";
  }
}

void PrintTo(CloseInput input, std::ostream* os) {
  *os << Name(input);
}

// A SetupWindow whose worker runs the driver on a real thread over scripted stages. Only the test
// thread plays the UI thread; the worker reaches the window only through the poster's queue.
struct RaceFixture {
  explicit RaceFixture(StageScript script) : stages(services.files, std::move(script)) {
    window.hwnd = kWindow;
  }
  ~RaceFixture() {
    // A failed expectation may leave the run at a gate; let it go so destruction can join.
    stages.verifyGate.Open();
    stages.launchGate.Open();
  }

  void Start() {
    window.worker = std::make_unique<SetupWorker>(kWindow, services.Platform(), stages);
    window.worker->Start();
  }

  std::optional<std::intptr_t> Send(std::uint32_t message, std::uintptr_t wParam = 0,
                                    std::intptr_t lParam = 0) {
    return HandleWindowMessage(window, api, kWindow, message, wParam, lParam);
  }

  void Input(CloseInput input) {
    switch (input) {
      case CloseInput::Escape:
        Send(kWmKeyDown, kVkEscape, 1);
        break;
      case CloseInput::CancelButton:
        Click(350, 205);
        break;
      case CloseInput::CloseBox:
        Click(395, 15);
        break;
      case CloseInput::WmClose:
        Send(kWmClose);
        break;
    }
  }

  void Click(int x, int y) {
    Send(kWmLButtonDown, 1, PointLParam(x, y));
    Send(kWmLButtonUp, 0, PointLParam(x, y));
  }

  // The rectangles the last paint of `phase`'s screen left.
  void PaintedAs(UiPhase phase) {
    window.closeRect = kCloseRect;
    window.retryRect = phase == UiPhase::Failed ? kRetryRect : RectF{};
    window.cancelRect = phase == UiPhase::Starting ? RectF{} : kCancelRect;
  }

  // The message loop: hands the worker's next `count` messages to the window.
  void Pump(int count) {
    for (int i = 0; i < count; ++i) {
      const std::optional<PostedMessage> m = services.poster.Take(10s);
      ASSERT_TRUE(m.has_value()) << "the run posted fewer messages than expected";
      Send(m->message, m->wParam, m->lParam);
    }
  }

  // Runs `input` on a thread of its own, for a close that wins and therefore waits in Cancel's
  // join; the test then lets the run go and waits for the close to finish. SetupWindow is touched
  // by that thread only until it is joined.
  void InputThatWaits(CloseInput input, StageGate& heldAt) {
    std::atomic<bool> returned{false};
    std::thread ui([&] {
      Input(input);
      returned.store(true);
    });
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (window.worker->launchDecision.load() != LaunchDecision::Cancelled &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
    EXPECT_EQ(window.worker->launchDecision.load(), LaunchDecision::Cancelled);
    std::this_thread::sleep_for(20ms);  // time enough for a close that did not wait to be done
    EXPECT_FALSE(returned.load()) << "the close did not wait for the run it cancelled";
    heldAt.Open();
    ui.join();
  }

  WorkerServices services;
  std::vector<std::string> log;
  std::vector<std::string> events;
  FakeWindowApi api{log, events};
  ScriptedStages stages;
  // Last, so it goes first: the worker must not outlive the services it calls.
  SetupWindow window;
};

StageScript Install(bool launchSucceeds) {
  StageScript script;
  script.attempts = {{DownloadResult::Completed, 0, 0}, {DownloadResult::Completed, 0, 0}};
  script.launchSucceeds = launchSucceeds;
  script.launchError = kBadExeFormat;
  script.installerExitCode = kInstallerExit;
  return script;
}

class LaunchRaceTest : public ::testing::TestWithParam<CloseInput> {};

// The worker committed to the launch, and WM_SETUP_STARTING is not handled yet: the download screen
// still offers Cancel.
TEST_P(LaunchRaceTest, ACloseAfterTheLaunchWonIsIgnoredAndTheInstallersCodeIsTheProgramsCode) {
  RaceFixture f(Install(true));
  f.stages.launchGate.Arm();
  f.Start();
  ASSERT_TRUE(f.stages.launchGate.WaitUntilHolding());
  f.PaintedAs(UiPhase::Downloading);

  f.Input(GetParam());
  EXPECT_TRUE(f.stages.launchGate.Holding()) << "the UI thread waited for the launch";
  EXPECT_EQ(f.api.Count("DestroyWindow"), 0);
  EXPECT_EQ(f.window.phase, UiPhase::Downloading);
  EXPECT_EQ(f.window.exitCode, kExitUserCancelled);  // untouched: still the initial value
  EXPECT_FALSE(f.window.worker->cancelRequested.load());

  f.stages.launchGate.Open();
  f.Pump(1);  // WM_SETUP_STARTING
  EXPECT_EQ(f.window.phase, UiPhase::Starting);
  f.PaintedAs(UiPhase::Starting);
  f.Input(GetParam());
  f.Pump(2);  // WM_SETUP_HIDE, WM_SETUP_EXIT
  EXPECT_EQ(f.api.Count("ShowWindow 7 0"), 1);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.window.exitCode, kInstallerExit);
  f.Send(kWmDestroy);
  EXPECT_EQ(f.log.back(), "PostQuitMessage 3010");
  EXPECT_FALSE(f.stages.launchGate.TimedOut());
}

// A close while the signature check runs wins: it waits for the run to end, nothing is launched.
TEST_P(LaunchRaceTest, ACloseDuringTheCheckWinsAndEndsWith1602) {
  RaceFixture f(Install(true));
  f.stages.verifyGate.Arm();
  f.Start();
  ASSERT_TRUE(f.stages.verifyGate.WaitUntilHolding());
  f.PaintedAs(UiPhase::Downloading);

  f.InputThatWaits(GetParam(), f.stages.verifyGate);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.window.exitCode, kExitUserCancelled);
  EXPECT_FALSE(f.window.worker->workerThread.Joinable());
  EXPECT_EQ(f.stages.calls, (std::vector<std::string>{"staging", "download tls", "verify"}));
  EXPECT_TRUE(f.services.poster.Posted().empty());
}

// The launch won, a close in between was ignored, and then the process could not be created: the
// failure screen's close still ends the program with 1603, without waiting.
TEST_P(LaunchRaceTest, TheFailureScreenOfAFailedLaunchStillEndsWith1603) {
  RaceFixture f(Install(false));
  f.stages.launchGate.Arm();
  f.Start();
  ASSERT_TRUE(f.stages.launchGate.WaitUntilHolding());
  f.PaintedAs(UiPhase::Downloading);
  f.Input(GetParam());
  EXPECT_EQ(f.api.Count("DestroyWindow"), 0);

  f.stages.launchGate.Open();
  f.Pump(2);  // WM_SETUP_STARTING, WM_SETUP_FAILED
  ASSERT_EQ(f.window.phase, UiPhase::Failed);
  EXPECT_EQ(f.window.failureKind, FailureKind::LaunchFailed);
  EXPECT_EQ(f.window.errorCode, kBadExeFormat);
  f.PaintedAs(UiPhase::Failed);
  f.log.clear();

  f.Input(GetParam());
  EXPECT_EQ(f.window.exitCode, kExitSetupFailed);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.log.back(), "DestroyWindow 7");
  f.Send(kWmDestroy);
  EXPECT_EQ(f.log.back(), "PostQuitMessage 1603");
}

// "Try again" from that failure screen reopens the decision: the new run's check can be cancelled
// and the program ends with 1602, and no second launch happens.
TEST_P(LaunchRaceTest, TryAgainAfterAFailedLaunchStartsARunThatCanBeCancelled) {
  RaceFixture f(Install(false));
  f.Start();
  f.Pump(2);  // WM_SETUP_STARTING, WM_SETUP_FAILED
  ASSERT_EQ(f.window.phase, UiPhase::Failed);
  f.PaintedAs(UiPhase::Failed);

  // The script may change only while no run exists: Try again joins the ended run first.
  f.window.worker->workerThread.Join();
  f.stages.verifyGate.Arm();
  f.Click(250, 205);  // "Try again"
  EXPECT_EQ(f.window.phase, UiPhase::Downloading);
  ASSERT_TRUE(f.stages.verifyGate.WaitUntilHolding());
  f.PaintedAs(UiPhase::Downloading);

  f.InputThatWaits(GetParam(), f.stages.verifyGate);
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.window.exitCode, kExitUserCancelled);
  EXPECT_EQ(f.stages.calls, (std::vector<std::string>{"staging", "download tls", "verify", "launch",
                                                      "download tls", "verify"}));
  EXPECT_EQ(f.services.poster.Posted().size(), 2u);  // only the first run's two messages
}

INSTANTIATE_TEST_SUITE_P(Inputs, LaunchRaceTest,
                         ::testing::Values(CloseInput::Escape, CloseInput::CancelButton,
                                           CloseInput::CloseBox, CloseInput::WmClose),
                         [](const auto& info) { return std::string(Name(info.param)); });

// Enter is the failure screen's other way to "Try again"; the new run installs to its end.
TEST(LaunchRace, EnterAfterAFailedLaunchInstallsAndPassesTheCodeOn) {
  RaceFixture f(Install(false));
  f.Start();
  f.Pump(2);
  ASSERT_EQ(f.window.phase, UiPhase::Failed);
  f.window.worker->workerThread.Join();
  f.stages.script.launchSucceeds = true;
  f.Send(kWmKeyDown, kVkReturn, 1);
  f.Pump(3);  // WM_SETUP_STARTING, WM_SETUP_HIDE, WM_SETUP_EXIT
  EXPECT_EQ(f.api.Count("DestroyWindow"), 1);
  EXPECT_EQ(f.window.exitCode, kInstallerExit);
}

}  // namespace
