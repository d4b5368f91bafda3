#include "ui/placement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_window_api.h"

namespace {

struct SizeCase {
  std::uint32_t dpi;
  PixelSize size;
};

class WindowSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(WindowSizeTest, ScalesTheCanvasAndRoundsHalvesUp) {
  EXPECT_EQ(WindowSizeForDpi(GetParam().dpi), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    EveryScaleOfTheSettings, WindowSizeTest,
    testing::Values(SizeCase{96, {420, 236}}, SizeCase{108, {473, 266}}, SizeCase{120, {525, 295}},
                    SizeCase{144, {630, 354}}, SizeCase{168, {735, 413}}, SizeCase{192, {840, 472}},
                    // 420 x 100/96 is 437.5 exactly, but in float 100/96 rounds down and the sum
                    // stays below 438; likewise 420 x 28/96 = 122.5.
                    SizeCase{100, {437, 246}}, SizeCase{28, {122, 69}}),
    [](const testing::TestParamInfo<SizeCase>& info) {
      return "Dpi" + std::to_string(info.param.dpi);
    });

TEST(DipScale, IsTheDpiOver96) {
  EXPECT_EQ(DipScale(96), 1.0f);
  EXPECT_EQ(DipScale(144), 1.5f);
  EXPECT_EQ(DipScale(120), 1.25f);
}

struct CenterCase {
  PixelRect workArea;
  PixelSize size;
  PixelPoint expected;
};

TEST(CenterInWorkArea, CentresAndTruncatesTowardZero) {
  const CenterCase cases[] = {
      {{0, 0, 1920, 1040}, {420, 236}, {750, 402}},
      {{0, 0, 1365, 728}, {420, 236}, {472, 246}},
      {{-1365, 0, 0, 728}, {420, 236}, {-892, 246}},  // -892.5
      {{0, -729, 1366, 0}, {420, 236}, {473, -482}},  // -482.5
      {{1920, 0, 3840, 1040}, {630, 354}, {2565, 343}},
      {{0, 0, 0, 0}, {420, 236}, {-210, -118}},  // no work area: around the origin
  };
  for (const CenterCase& c : cases) {
    const PixelPoint corner = CenterInWorkArea(c.workArea, c.size);
    EXPECT_EQ(corner.x, c.expected.x) << c.workArea.left << "," << c.workArea.right;
    EXPECT_EQ(corner.y, c.expected.y) << c.workArea.top << "," << c.workArea.bottom;
  }
}

TEST(PlaceWindow, CentresOnTheWorkAreaOfTheWindowsMonitorAtItsDpi) {
  std::vector<std::string> log;
  FakeWindowApi api(log);
  api.dpi = 144;
  api.workArea = PixelRect{-1365, 0, 0, 728};
  PlaceWindow(api, 7, nullptr);
  // (-1365 - 630) / 2 = -997.5 -> -997; (728 - 354) / 2 = 187.
  EXPECT_EQ(log, std::vector<std::string>{"SetWindowPos 7 -997 187 630 354 0x14"});
}

TEST(PlaceWindow, WithoutAWorkAreaPlacesAroundTheOrigin) {
  std::vector<std::string> log;
  FakeWindowApi api(log);
  api.monitor = 0;  // MonitorFromWindow found nothing; the work area then reads as zero
  PlaceWindow(api, 7, nullptr);
  EXPECT_EQ(log, std::vector<std::string>{"SetWindowPos 7 -210 -118 420 236 0x14"});
}

TEST(PlaceWindow, TakesOnlyTheCornerOfASuggestedRectangle) {
  std::vector<std::string> log;
  FakeWindowApi api(log);
  api.dpi = 192;
  const PixelRect suggested{100, -50, 100 + 900, -50 + 500};
  PlaceWindow(api, 7, &suggested);
  EXPECT_EQ(log, std::vector<std::string>{"SetWindowPos 7 100 -50 840 472 0x14"});
}

}  // namespace
