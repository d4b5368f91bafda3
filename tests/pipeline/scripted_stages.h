// Pipeline stages that do what a test script says, recording the order in which the driver
// called them. Every stage runs on the worker thread; the test reads the record after joining.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "tests/fakes/fake_file_api.h"
#include "tests/fakes/fake_http_api.h"
#include "tests/fakes/recording_poster.h"
#include "tests/native/std_thread_api.h"

struct ScriptedAttempt {
  DownloadResult result = DownloadResult::Completed;
  std::uint32_t error = 0;   // set with Failed
  int chunks = 0;            // progress reports before returning
  bool raiseCancel = false;  // a cancel arrives while this attempt runs
};

struct StageScript {
  bool stagingSucceeds = true;
  std::uint32_t stagingError = 0;
  std::vector<ScriptedAttempt> attempts;  // one per Download call, in order
  bool fileOpens = true;                  // the staged file can be opened for the check
  std::uint32_t verifyResult = 0;         // WinVerifyTrust's answer
  bool cancelDuringVerify = false;
  bool launchSucceeds = true;
  std::uint32_t launchError = 0;
  std::uint32_t installerExitCode = 0;
};

// What a Cancel on the UI thread does to a run before it joins, for a script whose cancel
// "arrives" on the worker thread itself (which cannot join itself): win the launch decision, then
// raise the flag.
inline void CancelArrives(SetupWorker& worker) {
  LaunchDecision open = LaunchDecision::Open;
  worker.launchDecision.compare_exchange_strong(open, LaunchDecision::Cancelled);
  worker.cancelRequested.store(true);
}

// Holds a stage on the worker thread until the test opens it, so that the test can act at a known
// point of the run. Unarmed, the stage passes straight through.
class StageGate {
 public:
  // Before the run starts (or between runs); closes the gate again.
  void Arm() {
    std::lock_guard lock(mutex_);
    armed_ = true;
    open_ = false;
  }

  // Worker thread. The wait is bounded so that a broken test fails instead of hanging; a gate
  // that gave up shows as timedOut.
  void Pass() {
    std::unique_lock lock(mutex_);
    if (!armed_) {
      return;
    }
    holding_ = true;
    changed_.notify_all();
    if (!changed_.wait_for(lock, std::chrono::seconds(20), [&] { return open_; })) {
      timedOut_ = true;
    }
    holding_ = false;
    armed_ = false;
  }

  // Test thread: waits until the worker stands at the gate.
  bool WaitUntilHolding(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return holding_; });
  }
  // True while the worker stands at the gate.
  bool Holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
  }
  bool TimedOut() const {
    std::lock_guard lock(mutex_);
    return timedOut_;
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool armed_ = false;
  bool open_ = false;
  bool holding_ = false;
  bool timedOut_ = false;
};

inline constexpr FileHandle kVerifiedHandle = 0x7000;
inline constexpr std::uint64_t kChunk = 65536;

class ScriptedStages final : public PipelineStages {
 public:
  ScriptedStages(FakeFileApi& files, StageScript script)
      : script(std::move(script)), files_(files) {}

  bool CreateStagingDirectory(SetupWorker& worker, std::uint32_t& error) override {
    calls.push_back("staging");
    if (!script.stagingSucceeds) {
      error = script.stagingError;
      return false;
    }
    ++directoriesCreated;
    worker.stagingDir = u"C:\\Windows\\Temp\\VorneSandboxSetup.00000000000000" +
                        std::u16string(1, static_cast<char16_t>(u'0' + directoriesCreated));
    worker.installerPath = worker.stagingDir + u"\\VorneSandboxInstall.exe";
    files_.AddDirectory(worker.stagingDir);
    return true;
  }

  DownloadResult Download(SetupWorker& worker, bool secure, std::uint32_t& error) override {
    calls.push_back(secure ? "download tls" : "download plain");
    countersAtFirstDownload.push_back({worker.bytesReceived.load(), worker.bytesTotal.load()});
    const ScriptedAttempt attempt = script.attempts.at(attemptIndex_++);
    if (attempt.chunks > 0) {
      worker.bytesTotal.store(attempt.chunks * kChunk);
      worker.bytesReceived.store(0);
      files_.AddFile(worker.installerPath);
    }
    for (int i = 1; i <= attempt.chunks; ++i) {
      worker.ReportProgress(i * kChunk);
    }
    if (attempt.raiseCancel) {
      CancelArrives(worker);
    }
    if (attempt.result == DownloadResult::Failed) {
      error = attempt.error;
    }
    return attempt.result;
  }

  bool VerifySignature(SetupWorker& worker, std::uint32_t& error) override {
    calls.push_back("verify");
    verifyGate.Pass();
    worker.verifiedFile.reset(script.fileOpens ? kVerifiedHandle + verifications
                                               : kInvalidHandleValue);
    ++verifications;
    if (script.cancelDuringVerify) {
      CancelArrives(worker);
    }
    if (!worker.verifiedFile) {
      error = 2;  // ERROR_FILE_NOT_FOUND
      return false;
    }
    error = script.verifyResult;
    return script.verifyResult == 0;
  }

  void LaunchInstaller(SetupWorker& worker) override {
    calls.push_back("launch");
    // After the driver's commit, before anything is posted.
    launchGate.Pass();
    fileHeldAtLaunch = worker.verifiedFile && files_.Exists(worker.installerPath);
    worker.Post(WM_SETUP_STARTING, 0, 0);
    if (!script.launchSucceeds) {
      worker.Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(FailureKind::LaunchFailed),
                  static_cast<std::intptr_t>(script.launchError));
      return;
    }
    worker.Post(WM_SETUP_HIDE, 0, 0);
    worker.Post(WM_SETUP_EXIT, script.installerExitCode, 0);
  }

  StageScript script;  // may be changed between runs, while no thread runs
  std::vector<std::string> calls;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> countersAtFirstDownload;
  int directoriesCreated = 0;
  int verifications = 0;
  // Armed by a test that wants to act while the check runs, or between the commit and the launch.
  StageGate verifyGate;
  StageGate launchGate;
  // Whether the verified file was still held and staged when the launch went on past its gate.
  bool fileHeldAtLaunch = false;

 private:
  FakeFileApi& files_;
  std::size_t attemptIndex_ = 0;
};

// The services a worker talks through. They outlive the worker in the tests, so what its
// destruction did stays visible.
struct WorkerServices {
  RecordingPoster poster;
  StdThreadApi threads;
  FakeFileApi files;
  FakeHttpApi http;
  WorkerPlatform Platform() { return WorkerPlatform{poster, threads, files, http}; }
};
