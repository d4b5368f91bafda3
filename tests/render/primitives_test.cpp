#include "render/primitives.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "render/palette.h"
#include "tests/render/canvas_fixture.h"

namespace {

using Kind = FakeRenderApi::Kind;
using Op = FakeRenderApi::Op;

TEST(RgbToColorF, SplitsTheChannelsAndIsOpaque) {
  const ColorF color = RgbToColorF(0x802A8A);
  EXPECT_EQ(color.r, 128.0f / 255.0f);
  EXPECT_EQ(color.g, 42.0f / 255.0f);
  EXPECT_EQ(color.b, 138.0f / 255.0f);
  EXPECT_EQ(color.a, 1.0f);
  EXPECT_EQ(RgbToColorF(0xFFFFFF), (ColorF{1, 1, 1, 1}));
  EXPECT_EQ(RgbToColorF(0), (ColorF{0, 0, 0, 1}));
}

TEST(RgbToColorF, IgnoresTheTopByte) {
  EXPECT_EQ(RgbToColorF(0xFF802A8A), RgbToColorF(0x802A8A));
  EXPECT_EQ(RgbToColorF(0x01E0E0F0), RgbToColorF(ColorText));
}

using Primitives = CanvasTest;

TEST_F(Primitives, FillBoxIsRoundedOnlyForAPositiveRadius) {
  struct Case {
    float radius;
    Op op;
  };
  const Case cases[] = {{0.0f, Op::FillRect},
                        {-2.0f, Op::FillRect},
                        {std::nanf(""), Op::FillRect},
                        {4.0f, Op::FillRoundedRect},
                        {0.25f, Op::FillRoundedRect}};
  const RectF rect{28, 147.76f, 392, 153.76f};
  for (const Case& c : cases) {
    fake.ClearEvents();
    FillBox(MakeCanvas(), rect, c.radius, ColorProgress);
    ASSERT_EQ(fake.events().size(), 1u) << c.radius;
    const auto& event = fake.events()[0];
    EXPECT_EQ(event.op, c.op) << c.radius;
    EXPECT_EQ(event.rect, rect);
    EXPECT_EQ(event.color, RgbToColorF(ColorProgress));
    if (c.op == Op::FillRoundedRect) {
      EXPECT_EQ(event.radius, c.radius);  // both radii: the fake records NaN when they differ
    }
  }
}

TEST_F(Primitives, MakeTextFormatAsksForTheFaceAndTurnsWrappingOff) {
  const TextFormat format =
      MakeTextFormat(MakeCanvas(), u"Bahnschrift", kFontWeightBold, kFontStretchCondensed, 9.6f);
  ASSERT_TRUE(format);
  ASSERT_EQ(fake.formats().size(), 1u);
  const auto& record = fake.formats()[0];
  EXPECT_EQ(record.family, u"Bahnschrift");
  EXPECT_EQ(record.weight, 700u);
  EXPECT_EQ(record.stretch, 3u);
  EXPECT_EQ(record.emSize, 9.6f);
  EXPECT_EQ(record.wrapping, WordWrapping::NoWrap);
}

TEST_F(Primitives, AMissingFamilyGivesNoFormatAndNoLayout) {
  fake.missingFamilies.insert(u"Segoe UI");
  const Canvas canvas = MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, u"Segoe UI", 400, 5, 13.0f);
  EXPECT_FALSE(format);
  const TextLayout layout = MakeTextLayout(canvas, u"Cancel", format.get(), kUnboundedWidth);
  EXPECT_FALSE(layout);
  EXPECT_TRUE(fake.layouts().empty());
}

TEST_F(Primitives, MakeTextLayoutIsAlways1000High) {
  const Canvas canvas = MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, u"Segoe UI", 400, 5, 13.0f);
  const TextLayout layout = MakeTextLayout(canvas, u"Cancel", format.get(), 352.0f);
  ASSERT_TRUE(layout);
  EXPECT_EQ(fake.layouts()[0].text, u"Cancel");
  EXPECT_EQ(fake.layouts()[0].maxWidth, 352.0f);
  EXPECT_EQ(fake.layouts()[0].maxHeight, 1000.0f);

  fake.failingTexts.insert(u"Try again");
  EXPECT_FALSE(MakeTextLayout(canvas, u"Try again", format.get(), 10000.0f));
}

TEST_F(Primitives, MeasurementsReadTheLayoutAndAreZeroWithoutOne) {
  const Canvas canvas = MakeCanvas();
  EXPECT_EQ(TextWidth(canvas, nullptr), 0.0f);
  EXPECT_EQ(TextHeight(canvas, nullptr), 0.0f);
  EXPECT_EQ(TextBaseline(canvas, nullptr), 0.0f);

  const TextFormat format = MakeTextFormat(canvas, u"Segoe UI", 400, 5, 12.0f);
  const TextLayout layout = MakeTextLayout(canvas, u"0.0 of 5.0 MB", format.get(), 10000.0f);
  EXPECT_EQ(TextWidth(canvas, layout.get()), 13 * fake.Advance(12.0f));
  EXPECT_EQ(TextHeight(canvas, layout.get()), FakeRenderApi::LineHeight(12.0f));
  EXPECT_EQ(TextBaseline(canvas, layout.get()), FakeRenderApi::Baseline(12.0f));
}

TEST_F(Primitives, DrawTextAtPlacesTheBoxCornerInTheColour) {
  const Canvas canvas = MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, u"Segoe UI", 400, 5, 13.0f);
  const TextLayout layout = MakeTextLayout(canvas, u"Cancel", format.get(), 10000.0f);
  DrawTextAt(canvas, layout.get(), 28.0f, 121.635f, ColorError);
  const auto drawn = Texts(u"Cancel");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].origin, (PointF{28.0f, 121.635f}));
  EXPECT_EQ(drawn[0].color, RgbToColorF(ColorError));
  EXPECT_EQ(drawn[0].brush, brush.get());
  EXPECT_EQ(drawn[0].target, target.get());
}

TEST_F(Primitives, DrawTextAtWithoutALayoutLeavesEvenTheBrushAlone) {
  const Canvas canvas = MakeCanvas();
  fake.SetColor(brush.get(), RgbToColorF(ColorLine));
  DrawTextAt(canvas, nullptr, 1.0f, 2.0f, ColorError);
  EXPECT_TRUE(fake.events().empty());
  // The next draw that does not set a colour itself still sees the earlier one.
  fake.DrawLine(target.get(), PointF{0, 0}, PointF{1, 1}, brush.get(), 1.0f);
  EXPECT_EQ(fake.events().back().color, RgbToColorF(ColorLine));
}

TEST_F(Primitives, EmSizeFallsBackToSevenTenthsWithoutTheFont) {
  EXPECT_EQ(EmSizeForCapHeight(MakeCanvas(), 14.0f), 20.0f);
  EXPECT_EQ(fake.live(Kind::FontCollection), 0);
}

TEST_F(Primitives, EmSizeUsesTheCapHeightOfTheInstalledFont) {
  fake.installedFonts.insert(u"Segoe UI Black");
  fake.fontMetrics.designUnitsPerEm = 2048;
  fake.fontMetrics.capHeight = 1434;
  const float ratio = 1434.0f / 2048.0f;
  EXPECT_EQ(EmSizeForCapHeight(MakeCanvas(), 24.8f), 24.8f / ratio);
  // Every object of the lookup is released again; nothing is cached.
  EXPECT_EQ(fake.live(Kind::FontCollection), 0);
  EXPECT_EQ(fake.live(Kind::FontFamily), 0);
  EXPECT_EQ(fake.live(Kind::Font), 0);
  EXPECT_EQ(EmSizeForCapHeight(MakeCanvas(), 24.8f), 24.8f / ratio);
}

TEST_F(Primitives, EmSizeFallsBackWhenAnyStepOfTheLookupFails) {
  struct Case {
    const char* name;
    void (*breakIt)(FakeRenderApi&);
  };
  const Case cases[] = {
      {"collection", [](FakeRenderApi& f) { f.failCollection = true; }},
      {"family not installed", [](FakeRenderApi& f) { f.installedFonts.clear(); }},
      {"only a different family", [](FakeRenderApi& f) { f.installedFonts = {u"Segoe UI"}; }},
      {"family object", [](FakeRenderApi& f) { f.failFamily = true; }},
      {"matching font", [](FakeRenderApi& f) { f.failMatchingFont = true; }},
      {"no units per em", [](FakeRenderApi& f) { f.fontMetrics.designUnitsPerEm = 0; }},
      {"no cap height", [](FakeRenderApi& f) { f.fontMetrics.capHeight = 0; }},
  };
  for (const Case& c : cases) {
    FakeRenderApi local;
    local.installedFonts.insert(u"Segoe UI Black");
    local.fontMetrics.capHeight = 1500;
    c.breakIt(local);
    const Canvas canvas{local, local, nullptr, nullptr, nullptr, ButtonId::None};
    EXPECT_EQ(EmSizeForCapHeight(canvas, 14.0f), 20.0f) << c.name;
    EXPECT_EQ(
        local.live(Kind::FontCollection) + local.live(Kind::FontFamily) + local.live(Kind::Font), 0)
        << c.name;
  }
}

}  // namespace
