#include "render/device_resources.h"

#include <gtest/gtest.h>

#include "render/palette.h"
#include "render/primitives.h"
#include "tests/fakes/fake_render_api.h"

namespace {

using Kind = FakeRenderApi::Kind;

class DeviceResources : public ::testing::Test {
 protected:
  DeviceResources() { window.hwnd = 0x1234; }
  // Declared first: it outlives the window's holders.
  FakeRenderApi fake;
  SetupWindow window;
};

TEST_F(DeviceResources, MadeForTheWindowsDpiAndClientSizeWithGrayscaleText) {
  fake.dpi = 144;
  fake.client = PixelRect{0, 0, 630, 354};
  ASSERT_EQ(EnsureDeviceResources(window, fake), kSOk);
  ASSERT_TRUE(window.renderTarget);
  ASSERT_TRUE(window.brush);
  ASSERT_EQ(fake.targets().size(), 1u);
  const auto& target = fake.targets()[0];
  EXPECT_EQ(target.window, WindowHandle{0x1234});
  EXPECT_EQ(target.dpi, 144.0f);
  EXPECT_EQ(target.width, 630u);
  EXPECT_EQ(target.height, 354u);
  EXPECT_EQ(target.antialias, TextAntialiasMode::Grayscale);
  EXPECT_EQ(fake.brushColorAtCreation(), RgbToColorF(ColorText));
}

TEST_F(DeviceResources, KeptWhileTheTargetExists) {
  ASSERT_EQ(EnsureDeviceResources(window, fake), kSOk);
  ASSERT_EQ(EnsureDeviceResources(window, fake), kSOk);
  EXPECT_EQ(fake.targets().size(), 1u);
  EXPECT_EQ(fake.brushesCreated(), 1);
  EXPECT_EQ(fake.live(Kind::RenderTarget), 1);
  EXPECT_EQ(fake.live(Kind::Brush), 1);
}

TEST_F(DeviceResources, AFailedTargetIsReportedAndLeavesNothing) {
  fake.createTargetResult = static_cast<HResult>(0x88990001);
  EXPECT_EQ(EnsureDeviceResources(window, fake), static_cast<HResult>(0x88990001));
  EXPECT_FALSE(window.renderTarget);
  EXPECT_FALSE(window.brush);
  EXPECT_EQ(fake.brushesCreated(), 0);

  fake.createTargetResult = kSOk;
  EXPECT_EQ(EnsureDeviceResources(window, fake), kSOk) << "the next paint tries again";
  EXPECT_TRUE(window.brush);
}

TEST_F(DeviceResources, WithoutABrushTheTargetIsDroppedToo) {
  fake.createBrushResult = kEFail;
  EXPECT_EQ(EnsureDeviceResources(window, fake), kEFail);
  EXPECT_FALSE(window.renderTarget);
  EXPECT_FALSE(window.brush);
  EXPECT_EQ(fake.live(Kind::RenderTarget), 0);

  fake.createBrushResult = kSOk;
  EXPECT_EQ(EnsureDeviceResources(window, fake), kSOk);
  EXPECT_TRUE(window.renderTarget);
  EXPECT_TRUE(window.brush);
}

TEST_F(DeviceResources, DiscardReleasesTheBrushBeforeTheTarget) {
  ASSERT_EQ(EnsureDeviceResources(window, fake), kSOk);
  DiscardDeviceResources(window);
  EXPECT_FALSE(window.renderTarget);
  EXPECT_FALSE(window.brush);
  ASSERT_EQ(fake.releases().size(), 2u);
  EXPECT_EQ(fake.releases()[0], Kind::Brush);
  EXPECT_EQ(fake.releases()[1], Kind::RenderTarget);
}

}  // namespace
