#include "render/button.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "render/palette.h"
#include "tests/render/canvas_fixture.h"

namespace {

using Op = FakeRenderApi::Op;

class Button : public CanvasTest {
 protected:
  float LabelWidth(const std::u16string& label) const {
    return static_cast<float>(label.size()) * fake.Advance(13.0f);
  }
};

TEST_F(Button, WidthIsTheLabelPlus24ButAtLeast88) {
  // Labels 45.5 DIPs and 71.5 DIPs wide in the fake's 13-DIP type.
  struct Case {
    std::u16string label;
    float width;
  };
  const Case cases[] = {{u"Annuler", 88.0f}, {u"Abbrechen12", 95.5f}, {u"", 88.0f}};
  for (const Case& c : cases) {
    ASSERT_EQ(std::max(88.0f, LabelWidth(c.label) + 24.0f), c.width);
    RectF bounds;
    const float width =
        DrawButton(MakeCanvas(), c.label, 392, 192, false, ButtonId::Cancel, bounds);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(bounds, (RectF{392 - c.width, 192, 392, 220}));
  }
}

TEST_F(Button, LabelIsCentredByItsLayoutBox) {
  RectF bounds;
  const float width =
      DrawButton(MakeCanvas(), u"Abbrechen12", 300, 192, true, ButtonId::TryAgain, bounds);
  const auto label = Texts(u"Abbrechen12");
  ASSERT_EQ(label.size(), 1u);
  EXPECT_FLOAT_EQ(label[0].origin.x, (width - LabelWidth(u"Abbrechen12")) * 0.5f + bounds.left);
  EXPECT_FLOAT_EQ(label[0].origin.y, (28.0f - FakeRenderApi::LineHeight(13.0f)) * 0.5f + 192.0f);
  EXPECT_EQ(label[0].color, RgbToColorF(ColorOnAccent));
  const auto& format = fake.layouts()[label[0].layout].format;
  EXPECT_EQ(format.family, u"Segoe UI");
  EXPECT_EQ(format.weight, 400u);
  EXPECT_EQ(format.emSize, 13.0f);
}

TEST_F(Button, FillFollowsStyleAndHover) {
  struct Case {
    bool primary;
    ButtonId hovered;
    std::uint32_t fill;
  };
  const Case cases[] = {
      {true, ButtonId::None, ColorAccent},      {true, ButtonId::TryAgain, ColorAccentHover},
      {true, ButtonId::Cancel, ColorAccent},    {false, ButtonId::None, ColorButton},
      {false, ButtonId::TryAgain, ColorButton}, {false, ButtonId::Cancel, ColorButtonHover},
  };
  for (const Case& c : cases) {
    fake.ClearEvents();
    RectF bounds;
    const ButtonId id = c.primary ? ButtonId::TryAgain : ButtonId::Cancel;
    DrawButton(MakeCanvas(c.hovered), u"Label", 392, 192, c.primary, id, bounds);
    const auto& events = fake.events();
    ASSERT_EQ(events.size(), c.primary ? 2u : 3u);
    EXPECT_EQ(events[0].op, Op::FillRoundedRect);
    EXPECT_EQ(events[0].rect, bounds);
    EXPECT_EQ(events[0].radius, 4.0f);
    EXPECT_EQ(events[0].color, RgbToColorF(c.fill)) << c.primary << static_cast<int>(c.hovered);
    if (!c.primary) {
      // The outline stays ColorLine when hovered, inset so it lies inside the fill.
      EXPECT_EQ(events[1].op, Op::DrawRoundedRect);
      EXPECT_EQ(events[1].rect, (RectF{bounds.left + 0.5f, 192.5f, 391.5f, 219.5f}));
      EXPECT_EQ(events[1].radius, 4.0f);
      EXPECT_EQ(events[1].strokeWidth, 1.0f);
      EXPECT_EQ(events[1].color, RgbToColorF(ColorLine));
    }
    EXPECT_EQ(events.back().op, Op::DrawText) << "the label comes last";
  }
}

TEST_F(Button, WithoutALabelLayoutTheButtonIsStillThereAndClickable) {
  fake.failingTexts.insert(u"Cancel");
  RectF bounds;
  const float width =
      DrawButton(MakeCanvas(), u"Cancel", 392, 192, false, ButtonId::Cancel, bounds);
  EXPECT_EQ(width, 88.0f);
  EXPECT_EQ(bounds, (RectF{304, 192, 392, 220}));
  ASSERT_EQ(fake.events().size(), 2u);
  EXPECT_EQ(fake.events()[0].op, Op::FillRoundedRect);
  EXPECT_EQ(fake.events()[1].op, Op::DrawRoundedRect);
}

}  // namespace
