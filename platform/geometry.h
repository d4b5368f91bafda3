// Geometry as it crosses the platform boundary: DIP rectangles in the layout of D2D1_RECT_F, and
// pixel rectangles, points and sizes in the layout of RECT, POINT and SIZE.
#pragma once

#include <cstdint>

// In DIPs, the layout of D2D1_RECT_F. A point is inside when left <= x < right and
// top <= y < bottom, so the zero rectangle contains nothing and a NaN coordinate is outside.
struct RectF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  bool Contains(float x, float y) const { return left <= x && x < right && top <= y && y < bottom; }
  bool operator==(const RectF&) const = default;
};

// A RECT: pixels, signed, same layout (four 32-bit LONGs).
struct PixelRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  bool operator==(const PixelRect&) const = default;
};

struct PixelPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct PixelSize {
  int width = 0;
  int height = 0;

  bool operator==(const PixelSize&) const = default;
};
