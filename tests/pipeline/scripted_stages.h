// Pipeline stages that do what a test script says, recording the order in which the driver
// called them. Every stage runs on the worker thread; the test reads the record after joining.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "platform/fake/fake_file_api.h"
#include "platform/fake/fake_http_api.h"
#include "platform/fake/recording_poster.h"
#include "platform/native/std_thread_api.h"

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
      worker.cancelRequested.store(true);
    }
    if (attempt.result == DownloadResult::Failed) {
      error = attempt.error;
    }
    return attempt.result;
  }

  bool VerifySignature(SetupWorker& worker, std::uint32_t& error) override {
    calls.push_back("verify");
    worker.verifiedFile.reset(script.fileOpens ? kVerifiedHandle + verifications
                                               : kInvalidHandleValue);
    ++verifications;
    if (script.cancelDuringVerify) {
      worker.cancelRequested.store(true);
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
