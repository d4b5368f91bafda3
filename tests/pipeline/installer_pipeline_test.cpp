// The driver with the real stages over the fakes: whole runs, from staging to the exit code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/pipeline/pe_image.h"
#include "tests/pipeline/stage_fixture.h"

namespace {

using namespace std::chrono_literals;

struct PipelineTest : ::testing::Test {
  PipelineTest() {
    f.files.AddDirectory(u"C:\\windows");
    f.files.AddDirectory(u"C:\\windows\\Temp");
    f.security.randomBytes.push_back({0xDE, 0xAD, 0xBE, 0xEF, 0x01, 0x02, 0x03, 0x04});
  }

  void RunOnce() {
    f.worker.Start();
    f.worker.workerThread.Join();
  }

  // The run's messages after the leading progress messages.
  std::vector<PostedMessage> Outcome() const {
    std::vector<PostedMessage> rest;
    for (const PostedMessage& m : f.Posted()) {
      if (m.message != WM_SETUP_PROGRESS) {
        rest.push_back(m);
      }
    }
    return rest;
  }

  static PostedMessage Failure(FailureKind kind, std::uint32_t code) {
    return PostedMessage{kStageWindow, WM_SETUP_FAILED, static_cast<std::uintptr_t>(kind),
                         static_cast<std::intptr_t>(code)};
  }

  // `image` as the whole body, in one chunk.
  static FakeExchange Ok(const std::string& image = SignedPeImage()) {
    FakeExchange e;
    e.contentLength = image.size();
    e.chunks = {static_cast<std::uint32_t>(image.size())};
    e.body = image;
    return e;
  }

  StageFixture f;
};

constexpr char16_t kDir[] = u"C:\\windows\\Temp\\VorneSandboxSetup.deadbeef01020304";
constexpr char16_t kFile[] =
    u"C:\\windows\\Temp\\VorneSandboxSetup.deadbeef01020304\\VorneSandboxInstall.exe";

TEST_F(PipelineTest, AWholeInstallEndsWithTheInstallersExitCode) {
  f.http.exchanges = {Ok()};
  f.processes.commandLine = u"\"C:\\dl\\VorneSandboxSetup.exe\" /S";
  f.processes.exitCode = 3010;
  RunOnce();
  EXPECT_THAT(Outcome(),
              ::testing::ElementsAre(PostedMessage{kStageWindow, WM_SETUP_STARTING, 0, 0},
                                     PostedMessage{kStageWindow, WM_SETUP_HIDE, 0, 0},
                                     PostedMessage{kStageWindow, WM_SETUP_EXIT, 3010, 0}));
  EXPECT_EQ(f.worker.stagingDir, kDir);
  EXPECT_EQ(f.files.Contents(kFile), SignedPeImage());
  ASSERT_EQ(f.processes.starts.size(), 1u);
  EXPECT_EQ(f.processes.starts[0].commandLine, std::u16string(u"\"") + kFile + u"\" /S");
  EXPECT_TRUE(f.worker.verifiedFile);
  EXPECT_TRUE(f.http.EveryHandleClosedOnce());
}

TEST_F(PipelineTest, TheFirstAttemptsFailureIsForgottenWhenThePlainAttemptSucceeds) {
  FakeExchange notFound = Ok();
  notFound.status = 404;
  f.http.exchanges = {notFound, Ok()};
  RunOnce();
  const auto requests = f.http.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].port, 443);
  EXPECT_EQ(requests[1].port, 80);
  ASSERT_FALSE(Outcome().empty());
  EXPECT_EQ(Outcome().back().message, WM_SETUP_EXIT);
}

TEST_F(PipelineTest, ChunkedResponsesOnBothAttemptsReportTheSecondCode) {
  FakeExchange chunked;
  chunked.chunks = {100};
  FakeExchange redirectedAway;
  redirectedAway.status = 302;
  redirectedAway.location = u"https://elsewhere.example/";
  f.http.exchanges = {chunked, redirectedAway};
  RunOnce();
  EXPECT_THAT(Outcome(), ::testing::ElementsAre(Failure(FailureKind::DownloadFailed, 12156)));
  EXPECT_TRUE(f.files.Opens().empty());
}

TEST_F(PipelineTest, RevocationUnknownIsADownloadFailureAndTheFileIsDeleted) {
  for (std::uint32_t code : {0x800B010Eu, 0x80092013u}) {
    StageFixture g;
    g.files.AddDirectory(u"C:\\windows");
    g.files.AddDirectory(u"C:\\windows\\Temp");
    g.http.exchanges = {Ok()};
    g.trust.verdict = code;
    g.worker.Start();
    g.worker.workerThread.Join();
    ASSERT_FALSE(g.Posted().empty());
    EXPECT_EQ(g.Posted().back(), Failure(FailureKind::DownloadFailed, code));
    EXPECT_FALSE(g.files.Exists(g.worker.installerPath));
    EXPECT_TRUE(g.files.OpenHandles().empty());
    EXPECT_TRUE(g.processes.starts.empty());
  }
}

TEST_F(PipelineTest, AnotherSignerIsADamagedFileAndIsNeverStarted) {
  f.http.exchanges = {Ok()};
  f.trust.commonName = u"Mallory Software Ltd";
  RunOnce();
  EXPECT_THAT(Outcome(), ::testing::ElementsAre(Failure(FailureKind::FileDamaged, 0x800B0004)));
  EXPECT_FALSE(f.files.Exists(kFile));
  EXPECT_TRUE(f.files.OpenHandles().empty());
  EXPECT_TRUE(f.processes.starts.empty());
  EXPECT_TRUE(f.files.Exists(kDir));
}

TEST_F(PipelineTest, AnUnpinnedKeyOrHiddenBytesAreADamagedFileAndNeverStarted) {
  struct Case {
    const char* what;
    std::string image;
    KeyDigest key;
    std::uint32_t code;
  };
  KeyDigest otherKey = kTestKey;
  otherKey[5] ^= 0x10;
  const Case cases[] = {
      {"a key that is not pinned", SignedPeImage(), otherKey, 0x800B0004},
      {"bytes hidden in the certificate table", SignedPeImage(std::string(64, '\x41')), kTestKey,
       0x80096010},
  };
  for (const Case& c : cases) {
    StageFixture g;
    g.files.AddDirectory(u"C:\\windows");
    g.files.AddDirectory(u"C:\\windows\\Temp");
    g.http.exchanges = {Ok(c.image)};
    g.trust.keyDigest = c.key;
    g.worker.Start();
    g.worker.workerThread.Join();
    ASSERT_FALSE(g.Posted().empty()) << c.what;
    EXPECT_EQ(g.Posted().back(), Failure(FailureKind::FileDamaged, c.code)) << c.what;
    EXPECT_FALSE(g.files.Exists(g.worker.installerPath)) << c.what;
    EXPECT_TRUE(g.files.OpenHandles().empty()) << c.what;
    EXPECT_TRUE(g.processes.starts.empty()) << c.what;
  }
}

TEST_F(PipelineTest, AStagingFailureIsALaunchFailure) {
  f.security.failRandomNumber = 1;
  RunOnce();
  EXPECT_THAT(Outcome(), ::testing::ElementsAre(Failure(FailureKind::LaunchFailed, 31)));
  EXPECT_TRUE(f.http.Requests().empty());
}

TEST_F(PipelineTest, ACancelWhileAReadIsBlockedEndsSilentlyWithoutASecondAttempt) {
  FakeExchange trickle;
  trickle.contentLength = 1 << 20;
  trickle.chunks = {1000};
  trickle.blockAfterChunks = true;
  f.http.exchanges = {trickle, Ok()};
  f.worker.Start();
  ASSERT_TRUE(f.http.WaitBlocked(10s));
  const auto started = std::chrono::steady_clock::now();
  f.worker.Cancel();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
  EXPECT_FALSE(f.worker.workerThread.Joinable());
  EXPECT_TRUE(Outcome().empty()) << "a cancel is never reported";
  EXPECT_EQ(f.http.Requests().size(), 1u);
  EXPECT_TRUE(f.http.EveryHandleClosedOnce());
  EXPECT_EQ(f.worker.bytesReceived.load(), 1000u);
  EXPECT_TRUE(f.files.OpenHandles().empty());
}

TEST_F(PipelineTest, DestructionRemovesTheStagedFileAndDirectory) {
  std::u16string dir, file;
  {
    // A second worker on the same services, destroyed before the fixture's.
    SetupWorker worker{kStageWindow, WorkerPlatform{f.poster, f.threads, f.files, f.http},
                       f.stages};
    f.http.exchanges = {Ok()};
    worker.Start();
    worker.workerThread.Join();
    dir = worker.stagingDir;
    file = worker.installerPath;
    ASSERT_TRUE(f.files.Exists(file));
    ASSERT_FALSE(f.files.OpenHandles().empty());  // the verified file is held
  }
  EXPECT_FALSE(f.files.Exists(file));
  EXPECT_FALSE(f.files.Exists(dir));
  EXPECT_TRUE(f.files.OpenHandles().empty());
}

}  // namespace
