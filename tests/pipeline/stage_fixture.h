// The real stages over the fakes, with a worker to run them on. A stage can be called directly on
// the test's thread (it plays the worker thread), or the whole driver run through Start.
#pragma once

#include <string>
#include <vector>

#include "app/setup_messages.h"
#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"
#include "platform/fake/event_log.h"
#include "platform/fake/fake_file_api.h"
#include "platform/fake/fake_http_api.h"
#include "platform/fake/fake_process_api.h"
#include "platform/fake/fake_security_api.h"
#include "platform/fake/fake_trust_api.h"
#include "platform/fake/recording_poster.h"
#include "platform/native/std_thread_api.h"

inline constexpr WindowHandle kStageWindow = 0xC0DE;
inline constexpr char16_t kTestHost[] = u"download.vorne-sandbox.example";
inline constexpr char16_t kTestSigner[] = u"VORNE Sandbox Test Signing";
inline constexpr char16_t kStagingDir[] = u"C:\\windows\\Temp\\VorneSandboxSetup.0011223344556677";
inline constexpr char16_t kInstallerPath[] =
    u"C:\\windows\\Temp\\VorneSandboxSetup.0011223344556677\\VorneSandboxInstall.exe";

// Posts into the shared event log as well as into the recording queue.
class LoggingPoster final : public MessagePoster {
 public:
  explicit LoggingPoster(EventLog& log) : log_(log) {}
  void PostMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override {
    log_.Add("post " + std::to_string(message - kWmApp));
    recorded.PostMessageW(window, message, wParam, lParam);
  }
  RecordingPoster recorded;

 private:
  EventLog& log_;
};

struct StageFixture {
  explicit StageFixture(std::u16string signer = kTestSigner)
      : stages(StageServices{files, http, security, trust, processes},
               StageSettings{kTestHost, std::move(signer)}) {
    files.log = &log;
    trust.log = &log;
    processes.log = &log;
    trust.signer = kTestSigner;
  }

  // The state after a successful staging step, without running it.
  void Staged() {
    files.AddDirectory(u"C:\\windows");
    files.AddDirectory(u"C:\\windows\\Temp");
    files.AddDirectory(kStagingDir);
    worker.stagingDir = kStagingDir;
    worker.installerPath = kInstallerPath;
  }

  std::vector<PostedMessage> Posted() const { return poster.recorded.Posted(); }

  EventLog log;
  LoggingPoster poster{log};
  StdThreadApi threads;
  FakeFileApi files;
  FakeHttpApi http;
  FakeSecurityApi security;
  FakeTrustApi trust;
  FakeProcessApi processes;
  InstallerStages stages;
  SetupWorker worker{kStageWindow, WorkerPlatform{poster, threads, files, http}, stages};
};
