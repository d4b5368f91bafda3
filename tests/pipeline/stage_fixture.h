// The real stages over the fakes, with a worker to run them on. A stage can be called directly on
// the test's thread (it plays the worker thread), or the whole driver run through Start.
#pragma once

#include <string>
#include <vector>

#include "pipeline/installer_stages.h"
#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "tests/fakes/event_log.h"
#include "tests/fakes/fake_file_api.h"
#include "tests/fakes/fake_http_api.h"
#include "tests/fakes/fake_process_api.h"
#include "tests/fakes/fake_security_api.h"
#include "tests/fakes/fake_trust_api.h"
#include "tests/fakes/recording_poster.h"
#include "tests/native/std_thread_api.h"

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

// The vendor's key and the one it rotates to, both pinned by the fixture's settings.
inline constexpr KeyDigest kTestKey = {
    0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x01,
    0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x20};
inline constexpr KeyDigest kRotatedTestKey = {
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF};
// Their pins, as openssl's base64 prints the two digests.
inline constexpr char kTestKeyPins[] =
    "ESIzRFVmd4iZqrvM3e7wAQIDBAUGBwgJCgsMDQ4PECA=;oKGio6SlpqeoqaqrrK2ur7CxsrO0tba3uLm6u7y9vr8=";

struct StageFixture {
  explicit StageFixture(std::u16string signer = kTestSigner, std::string pins = kTestKeyPins)
      : stages(StageServices{files, http, security, trust, processes},
               StageSettings{kTestHost, std::move(signer), std::move(pins)}) {
    files.log = &log;
    trust.log = &log;
    processes.log = &log;
    trust.commonName = kTestSigner;
    trust.keyDigest = kTestKey;
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
