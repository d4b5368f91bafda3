// The two-thread protocol: the progress hand-shake and cancellation of a blocked transfer. These
// tests are meant to run under ThreadSanitizer as well.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "tests/fakes/fake_file_api.h"
#include "tests/fakes/fake_http_api.h"
#include "tests/fakes/recording_poster.h"
#include "tests/native/std_thread_api.h"
#include "tests/pipeline/scripted_stages.h"

namespace {

using namespace std::chrono_literals;

constexpr WindowHandle kWindow = 0xC0DE;

TEST(ProgressHandshake, OneQueuedMessageUntilTheWindowHandlesIt) {
  WorkerServices s;
  ScriptedStages stages(s.files, StageScript{});
  SetupWorker worker{kWindow, s.Platform(), stages};

  worker.ReportProgress(1 * kChunk);
  worker.ReportProgress(2 * kChunk);
  worker.ReportProgress(3 * kChunk);
  ASSERT_EQ(s.poster.Posted().size(), 1u);

  // The window: clear the flag first, then paint from the counters.
  auto m = s.poster.Take(0ms);
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->message, WM_SETUP_PROGRESS);
  EXPECT_TRUE(worker.progressPosted.exchange(false));
  EXPECT_EQ(worker.bytesReceived.load(), 3 * kChunk);  // the latest count, nothing lost

  worker.ReportProgress(4 * kChunk);
  EXPECT_EQ(s.poster.Posted().size(), 2u);
  EXPECT_EQ(s.poster.MaxQueued(WM_SETUP_PROGRESS), 1u);
}

TEST(ProgressHandshake, AFloodOfChunksNeverQueuesTwoAndTheLastPaintSeesTheEnd) {
  WorkerServices s;
  StageScript script;
  constexpr int kChunks = 20000;
  script.attempts = {{DownloadResult::Completed, 0, kChunks}};
  script.verifyResult = 0x800B0100;  // ends the run with a failure report
  ScriptedStages stages(s.files, script);
  SetupWorker worker{kWindow, s.Platform(), stages};

  worker.Start();
  int handled = 0;
  std::uint64_t lastPainted = 0;
  for (;;) {
    auto m = s.poster.Take(10s);
    ASSERT_TRUE(m.has_value()) << "the run never ended";
    if (m->message == WM_SETUP_PROGRESS) {
      worker.progressPosted.exchange(false);
      lastPainted = worker.bytesReceived.load();
      ++handled;
      continue;
    }
    EXPECT_EQ(m->message, WM_SETUP_FAILED);
    break;
  }
  worker.Cancel();
  EXPECT_EQ(s.poster.MaxQueued(WM_SETUP_PROGRESS), 1u);
  EXPECT_GE(handled, 1);
  EXPECT_LE(handled, kChunks);
  EXPECT_EQ(lastPainted, kChunks * kChunk);
}

// Where the UI thread's Cancel lands relative to the worker's request.
enum class CancelPoint { BeforePublish, AfterPublish, WhileBlocked, Unforced };

// A download that follows the request-handle protocol of the real one and blocks in its "read"
// until the request is closed, as WinHTTP does when another thread closes the handle.
class BlockingDownload final : public PipelineStages {
 public:
  BlockingDownload(FakeHttpApi& http, CancelPoint point) : http_(http), point_(point) {}

  bool CreateStagingDirectory(SetupWorker& worker, std::uint32_t&) override {
    worker.stagingDir = u"C:\\Windows\\Temp\\VorneSandboxSetup.0123456789abcdef";
    worker.installerPath = worker.stagingDir + u"\\VorneSandboxInstall.exe";
    return true;
  }

  DownloadResult Download(SetupWorker& worker, bool secure, std::uint32_t& error) override {
    attempts.push_back(secure);
    const HttpHandle request = 0x1000 + attempts.size();
    published.push_back(request);
    if (point_ == CancelPoint::BeforePublish) {
      WaitFor([&] { return worker.cancelRequested.load(); });
    }
    worker.activeRequest.exchange(request);
    if (point_ == CancelPoint::AfterPublish) {
      WaitFor([&] { return http_.CloseCount(request) > 0; });
    }
    DownloadResult result = DownloadResult::Cancelled;
    if (!worker.cancelRequested.load()) {
      blocked.store(true);
      if (!http_.WaitClosed(request, 20s)) {
        return DownloadResult::Completed;  // never cancelled: the test fails on the calls
      }
      error = 12017;  // ERROR_WINHTTP_OPERATION_CANCELLED
      result = worker.cancelRequested.load() ? DownloadResult::Cancelled : DownloadResult::Failed;
    }
    const HttpHandle back = worker.activeRequest.exchange(0);
    if (back != 0) {
      http_.WinHttpCloseHandle(back);
    }
    return result;
  }

  bool VerifySignature(SetupWorker&, std::uint32_t&) override {
    verified = true;
    return false;
  }
  void LaunchInstaller(SetupWorker&) override {}

  std::vector<bool> attempts;
  std::vector<HttpHandle> published;
  std::atomic<bool> blocked{false};
  bool verified = false;

 private:
  template <typename Condition>
  static void WaitFor(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::yield();
    }
  }

  FakeHttpApi& http_;
  CancelPoint point_;
};

void CheckCancelledCleanly(const WorkerServices& s, SetupWorker& worker,
                           const BlockingDownload& stages) {
  EXPECT_FALSE(worker.workerThread.Joinable());
  EXPECT_TRUE(s.poster.Posted().empty()) << "a cancel must not be reported";
  ASSERT_EQ(stages.attempts.size(), 1u) << "no second attempt after a cancel";
  EXPECT_TRUE(stages.attempts[0]);
  EXPECT_FALSE(stages.verified);
  for (HttpHandle request : stages.published) {
    EXPECT_EQ(s.http.CloseCount(request), 1) << "each request is closed exactly once";
  }
  EXPECT_EQ(worker.activeRequest.load(), 0u);
}

class CancelTest : public ::testing::TestWithParam<CancelPoint> {};

TEST_P(CancelTest, CancelEndsTheRunSilentlyAndClosesTheRequestOnce) {
  WorkerServices s;
  BlockingDownload stages(s.http, GetParam());
  SetupWorker worker{kWindow, s.Platform(), stages};
  worker.Start();
  if (GetParam() == CancelPoint::AfterPublish) {
    while (worker.activeRequest.load() == 0) {
      std::this_thread::yield();
    }
  }
  if (GetParam() == CancelPoint::WhileBlocked) {
    while (!stages.blocked.load()) {
      std::this_thread::yield();
    }
  }
  EXPECT_TRUE(worker.Cancel());
  CheckCancelledCleanly(s, worker, stages);
}

INSTANTIATE_TEST_SUITE_P(Interleavings, CancelTest,
                         ::testing::Values(CancelPoint::BeforePublish, CancelPoint::AfterPublish,
                                           CancelPoint::WhileBlocked),
                         [](const auto& info) {
                           switch (info.param) {
                             case CancelPoint::BeforePublish:
                               return "BeforePublish";
                             case CancelPoint::AfterPublish:
                               return "AfterPublish";
                             default:
                               return "WhileBlocked";
                           }
                         });

TEST(CancelTest, CancelAtAnyMomentEndsTheRunSilently) {
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> delay(0, 300);
  for (int i = 0; i < 200; ++i) {
    WorkerServices s;
    BlockingDownload stages(s.http, CancelPoint::Unforced);
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    EXPECT_TRUE(worker.Cancel());
    CheckCancelledCleanly(s, worker, stages);
    if (::testing::Test::HasFailure()) {
      FAIL() << "at iteration " << i;
    }
  }
}

TEST(CancelTest, DestructionCancelsARunningTransfer) {
  WorkerServices s;
  BlockingDownload stages(s.http, CancelPoint::Unforced);
  {
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    while (!stages.blocked.load()) {
      std::this_thread::yield();
    }
  }
  EXPECT_TRUE(s.poster.Posted().empty());
  ASSERT_EQ(stages.published.size(), 1u);
  EXPECT_EQ(s.http.CloseCount(stages.published[0]), 1);
}

class FailingThreadApi final : public ThreadApi {
 public:
  std::uint32_t CreateThread(const ThreadEntry&, ThreadRef&) override { return 8; }
  void JoinThread(const ThreadRef&) override { ADD_FAILURE() << "no thread to join"; }
};

TEST(StartTest, AThreadThatCannotBeCreatedIsReportedAsALaunchFailure) {
  RecordingPoster poster;
  FailingThreadApi threads;
  FakeFileApi files;
  FakeHttpApi http;
  ScriptedStages stages(files, StageScript{});
  SetupWorker worker{kWindow, WorkerPlatform{poster, threads, files, http}, stages};
  worker.Start();
  EXPECT_FALSE(worker.workerThread.Joinable());
  ASSERT_EQ(poster.Posted().size(), 1u);
  const PostedMessage m = poster.Posted()[0];
  EXPECT_EQ(m.window, kWindow);
  EXPECT_EQ(m.message, WM_SETUP_FAILED);
  EXPECT_EQ(m.wParam, static_cast<std::uintptr_t>(FailureKind::LaunchFailed));
  EXPECT_EQ(m.lParam, 8);  // ERROR_NOT_ENOUGH_MEMORY
  EXPECT_TRUE(stages.calls.empty());
  EXPECT_TRUE(worker.Cancel());  // the failure screen's Cancel: nothing to join
}

}  // namespace
