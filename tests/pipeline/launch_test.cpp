// The installer launch over the scripted process service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/pipeline/stage_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr std::uint32_t kStarting = WM_SETUP_STARTING - kWmApp;
constexpr std::uint32_t kHide = WM_SETUP_HIDE - kWmApp;
constexpr std::uint32_t kFailed = WM_SETUP_FAILED - kWmApp;
constexpr std::uint32_t kExit = WM_SETUP_EXIT - kWmApp;

std::string Post(std::uint32_t offset) {
  return "post " + std::to_string(offset);
}

struct LaunchTest : ::testing::Test {
  LaunchTest() { f.Staged(); }
  StageFixture f;
};

TEST_F(LaunchTest, StartsTheQuotedPathWithTheTailInTheStagingDirectoryAndWaits) {
  f.processes.commandLine = u"\"C:\\Users\\me\\VorneSandboxSetup.exe\"  /S /D=\"C:\\x y\"";
  f.processes.exitCode = 3010;
  f.stages.LaunchInstaller(f.worker);

  ASSERT_EQ(f.processes.starts.size(), 1u);
  EXPECT_EQ(f.processes.starts[0].applicationName, kInstallerPath);
  EXPECT_EQ(f.processes.starts[0].commandLine,
            std::u16string(u"\"") + kInstallerPath + u"\" /S /D=\"C:\\x y\"");
  EXPECT_EQ(f.processes.starts[0].currentDirectory, kStagingDir);
  EXPECT_THAT(f.processes.inputIdleWaits, ElementsAre(std::pair{kFakeProcess, 15000u}));
  EXPECT_THAT(f.processes.objectWaits, ElementsAre(std::pair{kFakeProcess, 0xFFFFFFFFu}));
  EXPECT_THAT(f.processes.closed, ElementsAre(kFakeThread, kFakeProcess));
  EXPECT_THAT(f.log.Events(),
              ElementsAre(Post(kStarting), "CreateProcessW", "WaitForInputIdle", Post(kHide),
                          "WaitForSingleObject", "GetExitCodeProcess", Post(kExit),
                          "CloseHandle process", "CloseHandle process"));
  EXPECT_THAT(f.Posted(), ElementsAre(PostedMessage{kStageWindow, WM_SETUP_STARTING, 0, 0},
                                      PostedMessage{kStageWindow, WM_SETUP_HIDE, 0, 0},
                                      PostedMessage{kStageWindow, WM_SETUP_EXIT, 3010, 0}));
}

TEST_F(LaunchTest, AnEmptyTailAddsNothingAfterTheClosingQuote) {
  f.processes.commandLine = u"\"C:\\Setup.exe\"   ";
  f.stages.LaunchInstaller(f.worker);
  ASSERT_EQ(f.processes.starts.size(), 1u);
  EXPECT_EQ(f.processes.starts[0].commandLine, std::u16string(u"\"") + kInstallerPath + u"\"");
}

TEST_F(LaunchTest, ThePathIsQuotedEvenWithoutBlanks) {
  f.worker.stagingDir = u"C:\\T";
  f.worker.installerPath = u"C:\\T\\VorneSandboxInstall.exe";
  f.processes.commandLine = u"Setup.exe /quiet";
  f.stages.LaunchInstaller(f.worker);
  EXPECT_EQ(f.processes.starts[0].commandLine, u"\"C:\\T\\VorneSandboxInstall.exe\" /quiet");
}

TEST_F(LaunchTest, ACreationFailureIsReportedWithItsCodeAndNothingFollows) {
  f.processes.createError = 193;  // ERROR_BAD_EXE_FORMAT
  f.stages.LaunchInstaller(f.worker);
  EXPECT_THAT(
      f.Posted(),
      ElementsAre(PostedMessage{kStageWindow, WM_SETUP_STARTING, 0, 0},
                  PostedMessage{kStageWindow, WM_SETUP_FAILED,
                                static_cast<std::uintptr_t>(FailureKind::LaunchFailed), 193}));
  EXPECT_TRUE(f.processes.inputIdleWaits.empty());
  EXPECT_TRUE(f.processes.closed.empty());
  EXPECT_THAT(f.log.Events(), ElementsAre(Post(kStarting), "CreateProcessW", Post(kFailed)));
}

TEST_F(LaunchTest, TheWindowHidesWhateverTheIdleWaitSays) {
  for (std::uint32_t idle : {0u, 0x102u /* WAIT_TIMEOUT */, 0xFFFFFFFFu /* WAIT_FAILED */}) {
    StageFixture g;
    g.Staged();
    g.processes.inputIdleResult = idle;
    g.processes.exitCode = 7;
    g.stages.LaunchInstaller(g.worker);
    const auto posted = g.Posted();
    ASSERT_EQ(posted.size(), 3u) << idle;
    EXPECT_EQ(posted[1].message, WM_SETUP_HIDE) << idle;
    EXPECT_EQ(posted[2], (PostedMessage{kStageWindow, WM_SETUP_EXIT, 7, 0})) << idle;
  }
}

TEST_F(LaunchTest, EveryExitCodePassesThroughUnchanged) {
  for (std::uint32_t code : {0u, 1u, 1602u, 1603u, 3010u, 0x80004005u, 0xFFFFFFFFu}) {
    StageFixture g;
    g.Staged();
    g.processes.exitCode = code;
    g.stages.LaunchInstaller(g.worker);
    ASSERT_FALSE(g.Posted().empty());
    EXPECT_EQ(g.Posted().back(), (PostedMessage{kStageWindow, WM_SETUP_EXIT, code, 0})) << code;
  }
}

TEST_F(LaunchTest, AnUnreadableExitCodeBecomesZero) {
  f.processes.exitCodeReadable = false;
  f.stages.LaunchInstaller(f.worker);
  EXPECT_EQ(f.Posted().back(), (PostedMessage{kStageWindow, WM_SETUP_EXIT, 0, 0}));
}

TEST_F(LaunchTest, InvalidHandleValuesAreTreatedAsNoHandle) {
  f.processes.threadHandle = kInvalidHandleValue;
  f.stages.LaunchInstaller(f.worker);
  EXPECT_THAT(f.processes.closed, ElementsAre(kFakeProcess));

  StageFixture g;
  g.Staged();
  g.processes.processHandle = kInvalidHandleValue;
  g.processes.threadHandle = 0;
  g.stages.LaunchInstaller(g.worker);
  EXPECT_TRUE(g.processes.closed.empty());
  EXPECT_THAT(g.processes.objectWaits, ElementsAre(std::pair{ProcessHandle{0}, 0xFFFFFFFFu}));
}

TEST_F(LaunchTest, TheCommandLineIsReadAgainForEveryLaunch) {
  f.processes.commandLine = u"Setup.exe /a";
  f.stages.LaunchInstaller(f.worker);
  f.processes.commandLine = u"Setup.exe /b";
  f.stages.LaunchInstaller(f.worker);
  ASSERT_EQ(f.processes.starts.size(), 2u);
  EXPECT_EQ(f.processes.starts[1].commandLine, std::u16string(u"\"") + kInstallerPath + u"\" /b");
}

}  // namespace
