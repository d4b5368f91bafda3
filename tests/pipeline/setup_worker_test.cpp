#include "pipeline/setup_worker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/setup_messages.h"
#include "tests/fakes/fake_file_api.h"
#include "tests/fakes/fake_http_api.h"
#include "tests/fakes/recording_poster.h"
#include "tests/native/std_thread_api.h"
#include "tests/pipeline/scripted_stages.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr WindowHandle kWindow = 0xC0DE;

PostedMessage Msg(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
  return PostedMessage{kWindow, message, wParam, lParam};
}

PostedMessage Failed(FailureKind kind, std::uint32_t error) {
  return Msg(WM_SETUP_FAILED, static_cast<std::uintptr_t>(kind), static_cast<std::intptr_t>(error));
}

struct WorkerFixture {
  explicit WorkerFixture(StageScript script) : stages(files, std::move(script)) {}

  // Starts a run and waits for its thread to end, without cancelling it.
  void RunOnce() {
    worker.Start();
    worker.workerThread.Join();
  }

  RecordingPoster poster;
  StdThreadApi threads;
  FakeFileApi files;
  FakeHttpApi http;
  ScriptedStages stages;
  SetupWorker worker{kWindow, WorkerPlatform{poster, threads, files, http}, stages};
};

// Every message sequence one run can produce. Progress messages may only lead the sequence; the
// rest must match exactly, and nothing may follow a WM_SETUP_FAILED.
struct SequenceCase {
  const char* name;
  StageScript script;
  std::vector<std::string> calls;
  std::vector<PostedMessage> messages;  // after the leading progress messages
  bool progressExpected;
  bool stagedFileRemains;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
  *os << c.name;
}

class MessageSequenceTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(MessageSequenceTest, DriverPostsExactlyTheRunsMessages) {
  const SequenceCase& c = GetParam();
  WorkerFixture f(c.script);
  f.RunOnce();

  std::vector<PostedMessage> posted = f.poster.Posted();
  std::size_t progress = 0;
  while (progress < posted.size() && posted[progress].message == WM_SETUP_PROGRESS) {
    EXPECT_EQ(posted[progress], Msg(WM_SETUP_PROGRESS));
    ++progress;
  }
  EXPECT_EQ(progress > 0, c.progressExpected);
  const std::vector<PostedMessage> rest(posted.begin() + static_cast<std::ptrdiff_t>(progress),
                                        posted.end());
  EXPECT_THAT(rest, ElementsAreArray(c.messages));
  EXPECT_THAT(f.stages.calls, ElementsAreArray(c.calls));
  if (!f.worker.installerPath.empty()) {
    EXPECT_EQ(f.files.Exists(f.worker.installerPath), c.stagedFileRemains);
  }
}

StageScript Downloads(std::vector<ScriptedAttempt> attempts) {
  StageScript s;
  s.attempts = std::move(attempts);
  return s;
}

StageScript With(StageScript s, void (*change)(StageScript&)) {
  change(s);
  return s;
}

const ScriptedAttempt kGood{DownloadResult::Completed, 0, 3};
const std::vector<std::string> kFullRun = {"staging", "download tls", "verify", "launch"};

INSTANTIATE_TEST_SUITE_P(
    Outcomes, MessageSequenceTest,
    ::testing::Values(
        SequenceCase{"InstallerStartedAndEnded",
                     With(Downloads({kGood}), [](StageScript& s) { s.installerExitCode = 3010; }),
                     kFullRun,
                     {Msg(WM_SETUP_STARTING), Msg(WM_SETUP_HIDE), Msg(WM_SETUP_EXIT, 3010)},
                     true,
                     true},
        SequenceCase{"StagingDirectoryNotCreated",
                     With(Downloads({}),
                          [](StageScript& s) {
                            s.stagingSucceeds = false;
                            s.stagingError = 3;  // ERROR_PATH_NOT_FOUND
                          }),
                     {"staging"},
                     {Failed(FailureKind::LaunchFailed, 3)},
                     false,
                     false},
        SequenceCase{
            "BothAttemptsFailReportTheSecondError",
            Downloads({{DownloadResult::Failed, 12029, 2}, {DownloadResult::Failed, 12152}}),
            {"staging", "download tls", "download plain"},
            {Failed(FailureKind::DownloadFailed, 12152)},
            true,
            true},
        SequenceCase{"SecondAttemptSucceedsAndNothingIsReportedOfTheFirst",
                     Downloads({{DownloadResult::Failed, 12029}, kGood}),
                     {"staging", "download tls", "download plain", "verify", "launch"},
                     {Msg(WM_SETUP_STARTING), Msg(WM_SETUP_HIDE), Msg(WM_SETUP_EXIT, 0)},
                     true,
                     true},
        SequenceCase{"CancelledDownloadIsSilentAndNotRetried",
                     Downloads({{DownloadResult::Cancelled, 0, 2, true}}),
                     {"staging", "download tls"},
                     {},
                     true,
                     true},
        SequenceCase{"FailureUnderCancelIsSilentAndNotRetried",
                     Downloads({{DownloadResult::Failed, 12030, 0, true}}),
                     {"staging", "download tls"},
                     {},
                     false,
                     false},
        SequenceCase{"CompletedDownloadUnderCancelStopsBeforeTheCheck",
                     Downloads({{DownloadResult::Completed, 0, 1, true}}),
                     {"staging", "download tls"},
                     {},
                     true,
                     true},
        SequenceCase{"UnsignedFileIsDamagedAndDeleted",
                     With(Downloads({kGood}), [](StageScript& s) { s.verifyResult = 0x800B0100; }),
                     {"staging", "download tls", "verify"},
                     {Failed(FailureKind::FileDamaged, 0x800B0100)},
                     true,
                     false},
        SequenceCase{"RevocationFailureIsADownloadFailure",
                     With(Downloads({kGood}), [](StageScript& s) { s.verifyResult = 0x800B010E; }),
                     {"staging", "download tls", "verify"},
                     {Failed(FailureKind::DownloadFailed, 0x800B010E)},
                     true,
                     false},
        SequenceCase{"RevocationOfflineIsADownloadFailure",
                     With(Downloads({kGood}), [](StageScript& s) { s.verifyResult = 0x80092013; }),
                     {"staging", "download tls", "verify"},
                     {Failed(FailureKind::DownloadFailed, 0x80092013)},
                     true,
                     false},
        SequenceCase{"FileThatCannotBeOpenedIsDamaged",
                     With(Downloads({kGood}), [](StageScript& s) { s.fileOpens = false; }),
                     {"staging", "download tls", "verify"},
                     {Failed(FailureKind::FileDamaged, 2)},
                     true,
                     false},
        SequenceCase{"InstallerCouldNotBeStarted",
                     With(Downloads({kGood}),
                          [](StageScript& s) {
                            s.launchSucceeds = false;
                            s.launchError = 193;  // ERROR_BAD_EXE_FORMAT
                          }),
                     kFullRun,
                     {Msg(WM_SETUP_STARTING), Failed(FailureKind::LaunchFailed, 193)},
                     true,
                     true},
        SequenceCase{"CancelDuringTheCheckDoesNotStartTheInstaller",
                     With(Downloads({kGood}), [](StageScript& s) { s.cancelDuringVerify = true; }),
                     {"staging", "download tls", "verify"},
                     {},
                     true,
                     true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetupWorkerTest, ErrorCodesWithTheTopBitSetTravelWhole) {
  WorkerFixture f(With(Downloads({kGood}), [](StageScript& s) { s.verifyResult = 0x800B0004; }));
  f.RunOnce();
  const auto posted = f.poster.Posted();
  ASSERT_FALSE(posted.empty());
  EXPECT_EQ(static_cast<std::uint32_t>(posted.back().lParam), 0x800B0004u);
}

TEST(SetupWorkerTest, RejectedFileIsClosedBeforeItIsDeleted) {
  WorkerFixture f(With(Downloads({kGood}), [](StageScript& s) { s.verifyResult = 0x80096010; }));
  f.RunOnce();
  EXPECT_FALSE(f.worker.verifiedFile);
  EXPECT_EQ(f.files.CloseCount(kVerifiedHandle), 1);
  EXPECT_FALSE(f.files.Exists(f.worker.installerPath));
  EXPECT_TRUE(f.files.Exists(f.worker.stagingDir));
}

TEST(SetupWorkerTest, TryAgainReusesTheStagingDirectoryAndZeroesTheCounters) {
  WorkerFixture f(Downloads({{DownloadResult::Failed, 12029, 4},
                             {DownloadResult::Failed, 12029, 5},
                             {DownloadResult::Failed, 12002},
                             kGood}));
  f.RunOnce();
  const std::u16string firstDirectory = f.worker.stagingDir;
  EXPECT_EQ(f.worker.bytesReceived.load(), 5 * kChunk);  // kept until the next Start

  f.RunOnce();
  EXPECT_EQ(f.worker.stagingDir, firstDirectory);
  EXPECT_EQ(f.stages.directoriesCreated, 1);
  EXPECT_THAT(f.stages.calls, ElementsAre("staging", "download tls", "download plain",
                                          "download tls", "download plain", "verify", "launch"));
  // The second run's first attempt began with an empty progress display.
  ASSERT_EQ(f.stages.countersAtFirstDownload.size(), 4u);
  EXPECT_EQ(f.stages.countersAtFirstDownload[2], (std::pair<std::uint64_t, std::uint64_t>{0, 0}));
}

TEST(SetupWorkerTest, TryAgainAfterAStagingFailureStagesAgain) {
  WorkerFixture f(With(Downloads({kGood}), [](StageScript& s) {
    s.stagingSucceeds = false;
    s.stagingError = 183;
  }));
  f.RunOnce();
  EXPECT_TRUE(f.worker.stagingDir.empty());
  f.stages.script.stagingSucceeds = true;
  f.RunOnce();
  EXPECT_THAT(f.stages.calls,
              ElementsAre("staging", "staging", "download tls", "verify", "launch"));
  EXPECT_FALSE(f.worker.stagingDir.empty());
}

TEST(SetupWorkerTest, ANewRunClosesTheFileHeldByTheLastOne) {
  WorkerFixture f(
      With(Downloads({kGood, kGood}), [](StageScript& s) { s.launchSucceeds = false; }));
  f.RunOnce();
  EXPECT_EQ(f.worker.verifiedFile.get(), kVerifiedHandle);
  EXPECT_EQ(f.files.CloseCount(kVerifiedHandle), 0);  // held through the failed launch
  f.RunOnce();
  EXPECT_EQ(f.files.CloseCount(kVerifiedHandle), 1);
  EXPECT_EQ(f.worker.verifiedFile.get(), kVerifiedHandle + 1);
}

TEST(SetupWorkerTest, CancelAfterTheRunEndedReturnsAndClosesNothing) {
  WorkerFixture f(Downloads({{DownloadResult::Failed, 1}, {DownloadResult::Failed, 2}}));
  f.worker.Start();
  // Wait for the failure report, as the failure screen would.
  std::optional<PostedMessage> m;
  do {
    m = f.poster.Take(std::chrono::seconds(10));
    ASSERT_TRUE(m.has_value());
  } while (m->message != WM_SETUP_FAILED);
  EXPECT_TRUE(f.worker.Cancel());
  EXPECT_FALSE(f.worker.workerThread.Joinable());
  EXPECT_EQ(f.files.TotalCloses(), 0);
  EXPECT_EQ(f.poster.Posted().back(), Failed(FailureKind::DownloadFailed, 2));
}

TEST(SetupWorkerTest, DestructionRemovesTheStagedFileAndTheDirectory) {
  WorkerServices s;
  ScriptedStages stages(s.files, Downloads({kGood}));
  std::u16string directory, installer;
  {
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    worker.workerThread.Join();
    directory = worker.stagingDir;
    installer = worker.installerPath;
    ASSERT_TRUE(s.files.Exists(installer));
    ASSERT_EQ(s.files.CloseCount(kVerifiedHandle), 0);
  }
  EXPECT_EQ(s.files.CloseCount(kVerifiedHandle), 1);
  EXPECT_FALSE(s.files.Exists(installer));
  EXPECT_FALSE(s.files.Exists(directory));
}

TEST(SetupWorkerTest, ExtraFilesKeepTheDirectory) {
  WorkerServices s;
  ScriptedStages stages(s.files, Downloads({kGood}));
  std::u16string directory, installer;
  {
    SetupWorker worker{kWindow, s.Platform(), stages};
    worker.Start();
    worker.workerThread.Join();
    directory = worker.stagingDir;
    installer = worker.installerPath;
    s.files.AddFile(directory + u"\\installer.log");  // something the installer left behind
  }
  EXPECT_FALSE(s.files.Exists(installer));
  EXPECT_TRUE(s.files.Exists(directory));
}

TEST(SetupWorkerTest, DestructionWithoutARunTouchesNothing) {
  WorkerServices s;
  ScriptedStages stages(s.files, StageScript{});
  { SetupWorker worker{kWindow, s.Platform(), stages}; }
  EXPECT_EQ(s.files.TotalCloses(), 0);
  EXPECT_TRUE(s.poster.Posted().empty());
  EXPECT_TRUE(stages.calls.empty());
}

}  // namespace
