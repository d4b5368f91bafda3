#include "ui/setup_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "window_fixture.h"

namespace {

TEST(SetupWindow, StartsEmptyOnTheDownloadScreenWithTheCancelExitCode) {
  SetupWindow window;
  EXPECT_EQ(window.hwnd, 0u);
  EXPECT_FALSE(window.d2dFactory);
  EXPECT_FALSE(window.writeFactory);
  EXPECT_FALSE(window.renderTarget);
  EXPECT_FALSE(window.brush);
  EXPECT_EQ(window.worker, nullptr);
  EXPECT_EQ(window.phase, UiPhase::Downloading);
  EXPECT_EQ(window.failureKind, FailureKind::DownloadFailed);
  EXPECT_EQ(window.errorCode, 0u);
  EXPECT_EQ(window.exitCode, 1602u);
  EXPECT_EQ(window.hoveredButton, ButtonId::None);
  EXPECT_EQ(window.pressedButton, ButtonId::None);
  EXPECT_EQ(window.closeRect, RectF{});
  EXPECT_EQ(window.retryRect, RectF{});
  EXPECT_EQ(window.cancelRect, RectF{});
}

TEST(SetupWindow, ReleasesTheWorkerThenBrushTargetAndFactoriesInThatOrder) {
  std::vector<std::string> log;
  FakeWindowApi api(log);
  RecordingPoster poster;
  LoggingThreads threads(log);
  LoggingFiles files(log);
  LoggingHttp http(log);
  IdleStages stages;
  const WorkerPlatform platform{poster, threads, files, http};
  FakeComObject d2d{&log, "d2dFactory"};
  FakeComObject write{&log, "writeFactory"};
  FakeComObject target{&log, "renderTarget"};
  FakeComObject brush{&log, "brush"};
  {
    SetupWindow window;
    window.worker = std::make_unique<SetupWorker>(kWindow, platform, stages);
    window.worker->Start();
    window.worker->stagingDir = u"C:\\Windows\\Temp\\VorneSandboxSetup.0123456789ABCDEF";
    window.worker->installerPath = window.worker->stagingDir + u"\\VorneSandboxInstall.exe";
    // Attached in another order than the release order: the declaration order alone decides.
    AttachFake(window.brush, brush);
    AttachFake(window.d2dFactory, d2d);
    AttachFake(window.renderTarget, target);
    AttachFake(window.writeFactory, write);
    log.clear();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"JoinThread", "DeleteFileW", "RemoveDirectoryW",
                                           "Release brush", "Release renderTarget",
                                           "Release writeFactory", "Release d2dFactory"}));
}

TEST(SetupWindow, SkipsMembersThatWereNeverCreated) {
  std::vector<std::string> log;
  FakeComObject d2d{&log, "d2dFactory"};
  {
    SetupWindow window;
    AttachFake(window.d2dFactory, d2d);
  }
  EXPECT_EQ(log, std::vector<std::string>{"Release d2dFactory"});
}

TEST(RectF, ContainsHalfOpenAndNeverANaN) {
  const RectF rect{10, 20, 30, 40};
  EXPECT_TRUE(rect.Contains(10, 20));
  EXPECT_TRUE(rect.Contains(29.99f, 39.99f));
  EXPECT_FALSE(rect.Contains(30, 25));
  EXPECT_FALSE(rect.Contains(15, 40));
  EXPECT_FALSE(rect.Contains(9.99f, 25));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(rect.Contains(nan, 25));
  EXPECT_FALSE(rect.Contains(15, nan));
  EXPECT_FALSE(RectF{}.Contains(0, 0));
}

}  // namespace
