// The staging directory stage over the fakes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/pipeline/stage_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr char16_t kPrefix[] = u"C:\\windows\\Temp\\VorneSandboxSetup.";

struct StagingTest : ::testing::Test {
  StagingTest() {
    f.files.AddDirectory(u"C:\\windows");
    f.files.AddDirectory(u"C:\\windows\\Temp");
  }
  bool Stage() { return f.stages.CreateStagingDirectory(f.worker, error); }

  StageFixture f;
  std::uint32_t error = 0;
};

TEST(StagingNameTest, DigitsAreLowercaseHexInGenerationOrder) {
  const std::uint8_t bytes[8] = {0x3F, 0xA0, 0x00, 0xFF, 0x09, 0xB1, 0x7C, 0xE2};
  EXPECT_EQ(StagingNameDigits(bytes), u"3fa000ff09b17ce2");
}

TEST_F(StagingTest, CreatesTheProtectedDirectoryAndSetsBothPaths) {
  f.security.randomBytes.push_back({0x3F, 0xA0, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB});
  ASSERT_TRUE(Stage());
  const std::u16string dir = std::u16string(kPrefix) +
                             u"3fa0012345678"
                             u"9ab";
  EXPECT_EQ(f.worker.stagingDir, dir);
  EXPECT_EQ(f.worker.installerPath, dir + u"\\VorneSandboxInstall.exe");
  EXPECT_TRUE(f.files.Exists(dir));

  EXPECT_THAT(f.security.sddls, ElementsAre(u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"));
  EXPECT_THAT(f.security.revisions, ElementsAre(1u));
  EXPECT_THAT(f.security.randomSizes, ElementsAre(8u));
  const auto creations = f.files.DirectoryCreations();
  ASSERT_EQ(creations.size(), 1u);
  EXPECT_EQ(creations[0].descriptor, kFakeDescriptor);
  EXPECT_THAT(f.security.freed, ElementsAre(kFakeDescriptor));
}

TEST_F(StagingTest, SevenCollisionsStillSucceedOnTheEighthName) {
  for (int i = 0; i < 7; ++i) {
    f.files.createDirectoryErrors.push_back(183);
  }
  ASSERT_TRUE(Stage());
  EXPECT_EQ(f.security.randomCalls, 8);
  const auto creations = f.files.DirectoryCreations();
  ASSERT_EQ(creations.size(), 8u);
  // Each attempt used new random bytes, so each asked for another name.
  for (std::size_t i = 1; i < creations.size(); ++i) {
    EXPECT_NE(creations[i].path, creations[i - 1].path);
  }
  EXPECT_EQ(f.worker.stagingDir, creations.back().path);
  EXPECT_THAT(f.security.freed, ElementsAre(kFakeDescriptor));
}

TEST_F(StagingTest, EightCollisionsFailWith183AndSetNoPath) {
  for (int i = 0; i < 9; ++i) {
    f.files.createDirectoryErrors.push_back(183);
  }
  EXPECT_FALSE(Stage());
  EXPECT_EQ(error, 183u);
  EXPECT_EQ(f.files.DirectoryCreations().size(), 8u);
  EXPECT_TRUE(f.worker.stagingDir.empty());
  EXPECT_TRUE(f.worker.installerPath.empty());
  EXPECT_THAT(f.security.freed, ElementsAre(kFakeDescriptor));
}

TEST_F(StagingTest, ARealCollisionIsDetectedByTheDirectoryThatExists) {
  f.security.randomBytes.push_back({1, 1, 1, 1, 1, 1, 1, 1});
  f.security.randomBytes.push_back({1, 1, 1, 1, 1, 1, 1, 1});
  f.security.randomBytes.push_back({2, 2, 2, 2, 2, 2, 2, 2});
  f.files.AddDirectory(std::u16string(kPrefix) + u"0101010101010101");
  ASSERT_TRUE(Stage());
  EXPECT_EQ(f.worker.stagingDir, std::u16string(kPrefix) + u"0202020202020202");
}

TEST_F(StagingTest, ARandomFailureStopsWith31AndNoDirectory) {
  f.security.failRandomNumber = 2;
  f.files.createDirectoryErrors.push_back(183);
  EXPECT_FALSE(Stage());
  EXPECT_EQ(error, 31u);
  EXPECT_EQ(f.security.randomCalls, 2);
  EXPECT_EQ(f.files.DirectoryCreations().size(), 1u);
  EXPECT_TRUE(f.worker.stagingDir.empty());
  EXPECT_THAT(f.security.freed, ElementsAre(kFakeDescriptor));
}

TEST_F(StagingTest, AMissingTempFolderIsNotCreatedAndGivesPathNotFound) {
  StageFixture g;
  g.files.AddDirectory(u"C:\\windows");
  std::uint32_t e = 0;
  EXPECT_FALSE(g.stages.CreateStagingDirectory(g.worker, e));
  EXPECT_EQ(e, 3u);
  EXPECT_EQ(g.files.DirectoryCreations().size(), 1u);  // no retry for another code
  EXPECT_FALSE(g.files.Exists(u"C:\\windows\\Temp"));
  EXPECT_TRUE(g.worker.stagingDir.empty());
}

TEST_F(StagingTest, OtherCreationErrorsStopAtOnce) {
  f.files.createDirectoryErrors.push_back(5);  // ERROR_ACCESS_DENIED
  EXPECT_FALSE(Stage());
  EXPECT_EQ(error, 5u);
  EXPECT_EQ(f.security.randomCalls, 1);
}

TEST_F(StagingTest, RejectedDescriptorFailsWithItsErrorBeforeAnyName) {
  f.security.convertError = 1336;  // ERROR_INVALID_ACL
  EXPECT_FALSE(Stage());
  EXPECT_EQ(error, 1336u);
  EXPECT_EQ(f.security.randomCalls, 0);
  EXPECT_TRUE(f.security.freed.empty());  // nothing was made, nothing to free
}

TEST_F(StagingTest, WindowsDirectoryLengthRule) {
  const struct {
    std::uint32_t result;
    bool ok;
  } cases[] = {{0, false}, {259, true}, {260, false}, {261, false}, {1000, false}};
  for (const auto& c : cases) {
    StageFixture g;
    g.files.windowsDirectory = std::u16string(259, u'w');
    g.files.AddDirectory(g.files.windowsDirectory + u"\\Temp");
    g.files.windowsDirectoryResult = c.result;
    g.files.windowsDirectoryError = 1234;
    std::uint32_t e = 0;
    EXPECT_EQ(g.stages.CreateStagingDirectory(g.worker, e), c.ok) << c.result;
    if (!c.ok) {
      EXPECT_EQ(e, 1234u) << "the last error at that point, whatever it is";
      EXPECT_EQ(g.security.sddls.size(), 0u);
      EXPECT_EQ(g.files.DirectoryCreations().size(), 0u);
    } else {
      EXPECT_EQ(g.worker.stagingDir.substr(0, 259), g.files.windowsDirectory);
    }
  }
}

TEST_F(StagingTest, OnlyTheReportedCharactersOfTheWindowsDirectoryAreUsed) {
  f.files.windowsDirectory = u"C:\\windowsXYZ";
  f.files.windowsDirectoryResult = 10;  // "C:\windows"
  ASSERT_TRUE(Stage());
  EXPECT_EQ(f.worker.stagingDir.substr(0, 34), std::u16string(kPrefix));
}

}  // namespace
