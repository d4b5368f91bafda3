// Cancel against the launch: after the signature check either the UI thread's Cancel wins (nothing
// is started, nothing reported, Cancel has joined) or the worker's commit to the launch wins
// (Cancel returns at once and the installer runs to its end). Meant to run under ThreadSanitizer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "tests/pipeline/scripted_stages.h"

namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;

constexpr WindowHandle kWindow = 0xC0DE;
constexpr std::uint32_t kInstallerExit = 3010;
// A request handle planted in the slot to show whether Cancel took it.
constexpr HttpHandle kPlantedRequest = 0x4242;

PostedMessage Msg(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
  return PostedMessage{kWindow, message, wParam, lParam};
}

// A run without progress messages, so that "nothing posted" means nothing at all.
StageScript QuietInstall() {
  StageScript script;
  script.attempts = {{DownloadResult::Completed, 0, 0}};
  script.installerExitCode = kInstallerExit;
  return script;
}

// The UI thread's side of a cancel that has to wait: Cancel runs on a thread of its own, and the
// test sees when it has won the decision and when it has returned.
class BackgroundCancel {
 public:
  explicit BackgroundCancel(SetupWorker& worker)
      : thread_([this, &worker] {
          result_.store(worker.Cancel() ? 1 : 0);
          returned_.store(true);
        }) {}
  ~BackgroundCancel() { Join(); }

  bool Returned() const { return returned_.load(); }
  // The result of Cancel, once it has returned.
  bool Join() {
    if (thread_.joinable()) {
      thread_.join();
    }
    return result_.load() == 1;
  }

 private:
  std::atomic<int> result_{-1};
  std::atomic<bool> returned_{false};
  std::thread thread_;
};

bool WaitForDecision(const SetupWorker& worker, LaunchDecision wanted) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (worker.launchDecision.load() != wanted) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::yield();
  }
  return true;
}

// The messages of a run whose launch won, as the window takes them.
void ExpectTheInstallerRunsToItsEnd(RecordingPoster& poster) {
  std::vector<PostedMessage> taken;
  while (taken.size() < 3) {
    const std::optional<PostedMessage> m = poster.Take(10s);
    ASSERT_TRUE(m.has_value()) << "the launched run never ended";
    taken.push_back(*m);
  }
  EXPECT_THAT(taken, ElementsAre(Msg(WM_SETUP_STARTING), Msg(WM_SETUP_HIDE),
                                 Msg(WM_SETUP_EXIT, kInstallerExit)));
}

TEST(LaunchDecision, ACancelDuringTheCheckWinsAndNothingIsStarted) {
  WorkerServices s;
  ScriptedStages stages(s.files, QuietInstall());
  stages.verifyGate.Arm();
  SetupWorker worker{kWindow, s.Platform(), stages};
  worker.Start();
  ASSERT_TRUE(stages.verifyGate.WaitUntilHolding());

  BackgroundCancel cancel(worker);
  ASSERT_TRUE(WaitForDecision(worker, LaunchDecision::Cancelled));
  // The check passes after the cancel has won: the worker's commit must fail now.
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(cancel.Returned()) << "Cancel returned while the run it cancelled still ran";
  stages.verifyGate.Open();

  EXPECT_TRUE(cancel.Join());
  EXPECT_FALSE(worker.workerThread.Joinable());
  EXPECT_TRUE(worker.cancelRequested.load());
  EXPECT_THAT(stages.calls, ElementsAre("staging", "download tls", "verify"));
  EXPECT_TRUE(s.poster.Posted().empty()) << "a cancel must not be reported";
  EXPECT_FALSE(stages.verifyGate.TimedOut());
}

TEST(LaunchDecision, ACancelAfterTheCommitReturnsAtOnceAndTheInstallerRuns) {
  WorkerServices s;
  ScriptedStages stages(s.files, QuietInstall());
  stages.launchGate.Arm();
  SetupWorker worker{kWindow, s.Platform(), stages};
  worker.Start();
  ASSERT_TRUE(stages.launchGate.WaitUntilHolding());
  worker.activeRequest.store(kPlantedRequest);

  // On this thread: a Cancel that joined would hang here until the gate gave up.
  const auto began = std::chrono::steady_clock::now();
  EXPECT_FALSE(worker.Cancel());
  EXPECT_FALSE(worker.Cancel()) << "a second Cancel loses as well";
  EXPECT_LT(std::chrono::steady_clock::now() - began, 5s);
  EXPECT_TRUE(stages.launchGate.Holding()) << "Cancel waited for the launch";
  EXPECT_TRUE(worker.workerThread.Joinable());
  // Having lost, Cancel changed nothing.
  EXPECT_FALSE(worker.cancelRequested.load());
  EXPECT_EQ(worker.activeRequest.exchange(0), kPlantedRequest);
  EXPECT_EQ(s.http.CloseCount(kPlantedRequest), 0);
  EXPECT_EQ(worker.launchDecision.load(), LaunchDecision::Launching);
  EXPECT_TRUE(s.poster.Posted().empty());

  stages.launchGate.Open();
  ExpectTheInstallerRunsToItsEnd(s.poster);
  worker.workerThread.Join();
  EXPECT_FALSE(stages.launchGate.TimedOut());
  EXPECT_THAT(stages.calls, ElementsAre("staging", "download tls", "verify", "launch"));
}

// Cancels at random moments around the commit: the check's gate opens, and the test waits a
// random while before it cancels, so that the cancel lands just before or just after the worker's
// compare-exchange. Exactly one side may win, and each outcome must be whole.
TEST(LaunchDecision, CancelsAroundTheCommitEitherStopTheRunOrDoNotWait) {
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> delayUs(0, 60);
  int cancelWins = 0;
  int launchWins = 0;
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE(testing::Message() << "iteration " << i);
    WorkerServices s;
    ScriptedStages stages(s.files, QuietInstall());
    stages.verifyGate.Arm();
    stages.launchGate.Arm();
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    ASSERT_TRUE(stages.verifyGate.WaitUntilHolding());
    const auto delay = std::chrono::microseconds(delayUs(random));
    stages.verifyGate.Open();
    const auto spinUntil = std::chrono::steady_clock::now() + delay;
    while (std::chrono::steady_clock::now() < spinUntil) {
    }

    const bool cancelled = worker.Cancel();
    if (cancelled) {
      ++cancelWins;
      // Cancel joined a run that ended silently before the launch.
      EXPECT_FALSE(worker.workerThread.Joinable());
      EXPECT_EQ(worker.launchDecision.load(), LaunchDecision::Cancelled);
      EXPECT_THAT(stages.calls, ElementsAre("staging", "download tls", "verify"));
      EXPECT_TRUE(s.poster.Posted().empty());
      EXPECT_FALSE(stages.launchGate.TimedOut());
    } else {
      ++launchWins;
      // Cancel returned while the launch gate was still shut, so it did not wait for the run.
      EXPECT_FALSE(stages.launchGate.TimedOut());
      EXPECT_TRUE(stages.launchGate.WaitUntilHolding()) << "the launch is not on its way";
      EXPECT_FALSE(worker.cancelRequested.load());
      EXPECT_TRUE(s.poster.Posted().empty());
      stages.launchGate.Open();
      ExpectTheInstallerRunsToItsEnd(s.poster);
      worker.workerThread.Join();
      EXPECT_THAT(stages.calls, ElementsAre("staging", "download tls", "verify", "launch"));
    }
    if (::testing::Test::HasFailure()) {
      FAIL() << "stopped at iteration " << i;
    }
  }
  ::testing::Test::RecordProperty("cancelWins", cancelWins);
  ::testing::Test::RecordProperty("launchWins", launchWins);
}

// On the failure screen after a launch that could not create the process, the decision stays with
// the launch: Cancel neither waits nor closes anything. "Try again" reopens it for the new run.
TEST(LaunchDecision, TryAgainAfterAFailedLaunchCanBeCancelledAgain) {
  WorkerServices s;
  StageScript script = QuietInstall();
  script.attempts.push_back(script.attempts[0]);
  script.launchSucceeds = false;
  script.launchError = 193;  // ERROR_BAD_EXE_FORMAT
  ScriptedStages stages(s.files, script);
  SetupWorker worker{kWindow, s.Platform(), stages};
  worker.Start();
  std::optional<PostedMessage> m;
  do {
    m = s.poster.Take(10s);
    ASSERT_TRUE(m.has_value());
  } while (m->message != WM_SETUP_FAILED);
  EXPECT_FALSE(worker.Cancel());
  EXPECT_FALSE(worker.cancelRequested.load());

  worker.workerThread.Join();
  stages.verifyGate.Arm();
  worker.Start();
  ASSERT_TRUE(stages.verifyGate.WaitUntilHolding());
  EXPECT_EQ(worker.launchDecision.load(), LaunchDecision::Open);
  BackgroundCancel cancel(worker);
  ASSERT_TRUE(WaitForDecision(worker, LaunchDecision::Cancelled));
  stages.verifyGate.Open();
  EXPECT_TRUE(cancel.Join());
  EXPECT_FALSE(worker.workerThread.Joinable());
  EXPECT_THAT(stages.calls,
              ElementsAre("staging", "download tls", "verify", "launch", "download tls", "verify"));
  EXPECT_THAT(s.poster.Posted(),
              ElementsAre(Msg(WM_SETUP_STARTING),
                          Msg(WM_SETUP_FAILED,
                              static_cast<std::uintptr_t>(FailureKind::LaunchFailed), 193)));
}

// A Cancel that lost does not join, so destruction must: the staged file and the held handle
// belong to the run until it has ended.
TEST(LaunchDecision, DestructionAfterTheLaunchWonWaitsForTheRunThenCleansUp) {
  WorkerServices s;
  StageScript script = QuietInstall();
  script.attempts[0].chunks = 1;  // stages the file
  ScriptedStages stages(s.files, script);
  stages.launchGate.Arm();
  std::u16string directory;
  std::u16string installer;
  std::thread opener;
  {
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    ASSERT_TRUE(stages.launchGate.WaitUntilHolding());
    EXPECT_FALSE(worker.Cancel());
    directory = worker.stagingDir;
    installer = worker.installerPath;
    EXPECT_TRUE(s.files.Exists(installer));
    // The installer ends a little after destruction has begun.
    opener = std::thread([&stages] {
      std::this_thread::sleep_for(50ms);
      stages.launchGate.Open();
    });
  }
  opener.join();
  EXPECT_TRUE(stages.fileHeldAtLaunch) << "the staged file went before the run ended";
  EXPECT_EQ(s.poster.Posted().back(), Msg(WM_SETUP_EXIT, kInstallerExit));
  EXPECT_EQ(s.files.CloseCount(kVerifiedHandle), 1);
  EXPECT_FALSE(s.files.Exists(installer));
  EXPECT_FALSE(s.files.Exists(directory));
}

}  // namespace
