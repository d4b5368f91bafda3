#include "render/logo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "render/palette.h"
#include "tests/render/canvas_fixture.h"

namespace {

using Kind = FakeRenderApi::Kind;
using Op = FakeRenderApi::Op;

class Logo : public CanvasTest {
 protected:
  // The em size the letters get: without "Segoe UI Black" capitals are 0.7 em.
  static float LetterEm(float size, bool large) { return size * (large ? 0.62f : 0.60f) / 0.7f; }

  int LiveTextObjects() const {
    return fake.live(Kind::TextFormat) + fake.live(Kind::TextLayout) +
           fake.live(Kind::TextLayout1) + fake.live(Kind::FontCollection) +
           fake.live(Kind::FontFamily) + fake.live(Kind::Font);
  }
};

TEST_F(Logo, TitleBarMarkSitsOnBaseline22) {
  const float width = DrawLogoMark(MakeCanvas(), false, 10, 6, 20, true);
  const float em = LetterEm(20, false);

  ASSERT_FALSE(fake.events().empty());
  const auto& square = fake.events()[0];
  EXPECT_EQ(square.op, Op::FillRect);
  EXPECT_EQ(square.rect, (RectF{10, 6, 30, 26}));
  EXPECT_EQ(square.color, RgbToColorF(ColorAccent));

  const auto rest = Texts(u"ORNE");
  ASSERT_EQ(rest.size(), 1u) << "the small mark has no outline";
  EXPECT_FLOAT_EQ(rest[0].origin.x, 31.2f);
  EXPECT_FLOAT_EQ(rest[0].origin.y + FakeRenderApi::Baseline(em), 22.0f);
  EXPECT_EQ(rest[0].color, RgbToColorF(ColorOnAccent));
  EXPECT_FLOAT_EQ(width, 31.2f + 4 * fake.Advance(em) - 10.0f);

  // The letter format: "Segoe UI Black", weight 900, normal stretch.
  const auto& format = fake.layouts()[rest[0].layout].format;
  EXPECT_EQ(format.family, u"Segoe UI Black");
  EXPECT_EQ(format.weight, 900u);
  EXPECT_EQ(format.stretch, 5u);
  EXPECT_FLOAT_EQ(format.emSize, em);
  EXPECT_EQ(LiveTextObjects(), 0);
}

TEST_F(Logo, TheVIsCentredInTheSquareByItsInk) {
  DrawLogoMark(MakeCanvas(), false, 10, 6, 20, true);
  const float em = LetterEm(20, false);
  const auto first = Texts(u"V");
  ASSERT_EQ(first.size(), 1u);
  const auto& layout = fake.layouts()[first[0].layout];
  EXPECT_EQ(layout.maxWidth, 80.0f) << "measured in a box of 4 x the square";
  // Ink runs from origin + inset to origin + advance - inset; the gaps to the square's sides match.
  const float inkLeft = first[0].origin.x + FakeRenderApi::InkInset(em);
  const float inkRight = first[0].origin.x + fake.Advance(em) - FakeRenderApi::InkInset(em);
  EXPECT_NEAR(inkLeft - 10.0f, 30.0f - inkRight, 1e-4f);
  EXPECT_FLOAT_EQ(first[0].origin.y + FakeRenderApi::Baseline(em), 22.0f);
  EXPECT_EQ(first[0].color, RgbToColorF(ColorOnAccent));
}

TEST_F(Logo, LargeMarkHasAnOutlineOfEightCopiesInOrder) {
  const float x = 150.0f;
  DrawLogoMark(MakeCanvas(), true, x, 54, 40, true);
  const float em = LetterEm(40, true);
  const auto rest = Texts(u"ORNE");
  ASSERT_EQ(rest.size(), 9u);
  const float restX = 40.0f * 0.07f + (40.0f + x);
  EXPECT_FLOAT_EQ(restX - x, 42.8f);
  const float restY = 86.4f - FakeRenderApi::Baseline(em);
  const int order[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_FLOAT_EQ(rest[i].origin.x, restX + order[i][0] * 1.2f) << i;
    EXPECT_FLOAT_EQ(rest[i].origin.y, restY + order[i][1] * 1.2f) << i;
    EXPECT_EQ(rest[i].color, RgbToColorF(ColorLogoOutline)) << i;
  }
  EXPECT_FLOAT_EQ(rest[8].origin.x, restX);
  EXPECT_FLOAT_EQ(rest[8].origin.y, restY);
  EXPECT_EQ(rest[8].color, RgbToColorF(ColorOnAccent)) << "white over the outline";
}

TEST_F(Logo, OutlineOffsetNeverDropsBelowOneDip) {
  DrawLogoMark(MakeCanvas(), true, 0, 0, 20, true);
  const auto rest = Texts(u"ORNE");
  ASSERT_EQ(rest.size(), 9u);
  EXPECT_FLOAT_EQ(rest[8].origin.x - rest[0].origin.x, 1.0f);
  EXPECT_FLOAT_EQ(rest[8].origin.y - rest[0].origin.y, 1.0f);
}

TEST_F(Logo, SandboxLineIsSpreadByTrailingSpaceOnTheFirstSixLetters) {
  const float x = 150.0f;
  const SizeF size = DrawLogo(MakeCanvas(), true, x, 54, 40);
  const auto line = Texts(u"SANDBOX");
  ASSERT_EQ(line.size(), 1u);
  EXPECT_FLOAT_EQ(line[0].origin.x, x);
  EXPECT_FLOAT_EQ(line[0].origin.y, 97.2f);
  EXPECT_EQ(line[0].color, RgbToColorF(ColorOnAccent));

  const auto& layout = fake.layouts()[line[0].layout];
  EXPECT_EQ(layout.format.family, u"Bahnschrift");
  EXPECT_EQ(layout.format.weight, 700u);
  EXPECT_EQ(layout.format.stretch, 3u);
  EXPECT_FLOAT_EQ(layout.format.emSize, 9.6f);
  EXPECT_EQ(layout.spacingCalls, 1);
  EXPECT_EQ(layout.spacingRange.startPosition, 0u);
  EXPECT_EQ(layout.spacingRange.length, 6u);
  EXPECT_NEAR(fake.NaturalWidth(layout), 46.0f, 1e-4f);

  EXPECT_FLOAT_EQ(size.height, 53.76f);
  EXPECT_EQ(size.width, DrawLogoMark(MeasuringCanvas(), true, x, 54, 40, false));
  EXPECT_EQ(LiveTextObjects(), 0);
}

TEST_F(Logo, AWideSandboxLineKeepsItsNaturalSpacing) {
  fake.advanceFactor = 0.8f;  // 7 x 0.8 x 9.6 = 53.76, wider than 46
  DrawLogo(MakeCanvas(), true, 0, 0, 40);
  const auto line = Texts(u"SANDBOX");
  ASSERT_EQ(line.size(), 1u);
  const auto& layout = fake.layouts()[line[0].layout];
  EXPECT_EQ(layout.trailingSpacing, 0.0f);
  EXPECT_FLOAT_EQ(fake.NaturalWidth(layout), 7 * 0.8f * 9.6f);
}

TEST_F(Logo, WithoutTextLayout1TheLineIsDrawnUnspread) {
  fake.failTextLayout1 = true;
  DrawLogo(MakeCanvas(), true, 0, 0, 40);
  const auto line = Texts(u"SANDBOX");
  ASSERT_EQ(line.size(), 1u);
  EXPECT_EQ(fake.layouts()[line[0].layout].spacingCalls, 0);
}

TEST_F(Logo, MeasuringReturnsTheSameSizeAndDrawsNothing) {
  const SizeF drawn = DrawLogo(MakeCanvas(), true, 0, 0, 40);
  fake.ClearEvents();
  const SizeF measured = DrawLogo(MeasuringCanvas(), false, 0, 0, 40);
  EXPECT_EQ(measured, drawn);
  EXPECT_TRUE(fake.events().empty());
  EXPECT_EQ(LiveTextObjects(), 0);
}

TEST_F(Logo, AMissingLetterLayoutDrawsNoMarkAtAll) {
  for (const char16_t* missing : {u"V", u"ORNE"}) {
    FakeRenderApi local;
    local.failingTexts.insert(missing);
    ComHolder<ID2D1HwndRenderTarget> localTarget;
    ComHolder<ID2D1SolidColorBrush> localBrush;
    local.CreateHwndRenderTarget(nullptr, 1, 96, 420, 236, localTarget);
    local.CreateSolidColorBrush(localTarget.get(), ColorF{}, localBrush);
    const Canvas canvas{local, local, nullptr, localTarget.get(), localBrush.get(), ButtonId::None};
    const float width = DrawLogoMark(canvas, false, 10, 6, 20, true);
    EXPECT_TRUE(local.events().empty()) << "missing " << static_cast<char>(missing[0]);
    const float restWidth = missing[0] == u'V' ? 4 * local.Advance(LetterEm(20, false)) : 0.0f;
    EXPECT_FLOAT_EQ(width, 21.2f + restWidth);
  }
}

TEST_F(Logo, WithoutTheLogoFamilyOnlyTheGeometryIsReturned) {
  fake.missingFamilies.insert(u"Segoe UI Black");
  fake.missingFamilies.insert(u"Bahnschrift");
  const SizeF size = DrawLogo(MakeCanvas(), true, 0, 54, 40);
  EXPECT_TRUE(fake.events().empty());
  EXPECT_FLOAT_EQ(size.width, 42.8f);
  EXPECT_FLOAT_EQ(size.height, 53.76f);
}

}  // namespace
