// A canvas over the fake: a render target and a brush made the way a paint makes them.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "render/primitives.h"
#include "tests/fakes/fake_render_api.h"

class CanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(fake.CreateHwndRenderTarget(nullptr, 1, 96.0f, 420, 236, target), kSOk);
    ASSERT_EQ(fake.CreateSolidColorBrush(target.get(), ColorF{}, brush), kSOk);
  }

  Canvas MakeCanvas(ButtonId hovered = ButtonId::None) {
    return Canvas{fake, fake, nullptr, target.get(), brush.get(), hovered};
  }
  // A canvas that can only measure.
  Canvas MeasuringCanvas() { return Canvas{fake, fake, nullptr, nullptr, nullptr, ButtonId::None}; }

  std::vector<FakeRenderApi::DrawEvent> Texts(const std::u16string& text) const {
    std::vector<FakeRenderApi::DrawEvent> found;
    for (const auto& event : fake.events()) {
      if (event.op == FakeRenderApi::Op::DrawText && event.text == text) {
        found.push_back(event);
      }
    }
    return found;
  }

  // Declared first: it outlives every holder below.
  FakeRenderApi fake;
  ComHolder<ID2D1HwndRenderTarget> target;
  ComHolder<ID2D1SolidColorBrush> brush;
};
