// The drawing primitives the logo, the buttons and the screens are made of, and the measurements
// of text layouts. UI thread only. Formats and layouts are owned by the caller's holders and never
// kept beyond the operation that made them; a missing one measures 0 and draws nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com_holder.h"
#include "platform/drawing_api.h"
#include "platform/text_api.h"
#include "ui/setup_window.h"

using TextFormat = ComHolder<IDWriteTextFormat>;
using TextLayout = ComHolder<IDWriteTextLayout>;

// What a primitive draws with: the two interfaces, the window's DirectWrite factory, its render
// target and brush (both null when only measuring) and the element under the pointer.
struct Canvas {
  DrawingApi& drawing;
  TextApi& text;
  IDWriteFactory* writeFactory = nullptr;
  ID2D1HwndRenderTarget* renderTarget = nullptr;
  ID2D1SolidColorBrush* brush = nullptr;
  ButtonId hoveredButton = ButtonId::None;
};

// 0xRRGGBB as an opaque Direct2D colour; bits 24-31 are ignored.
ColorF RgbToColorF(std::uint32_t rgb);

// A no-wrap format in the given family, or null. Callers that want wrapped text switch it back.
TextFormat MakeTextFormat(const Canvas& canvas, const std::u16string& family, std::uint32_t weight,
                          std::uint32_t stretch, float emSize);
// A layout of `text` `maxWidth` wide and 1000 high, or null (always null for a null format).
TextLayout MakeTextLayout(const Canvas& canvas, const std::u16string& text,
                          IDWriteTextFormat* format, float maxWidth);

// Width including trailing white space, height, and the first line's baseline; 0 for null.
float TextWidth(const Canvas& canvas, IDWriteTextLayout* layout);
float TextHeight(const Canvas& canvas, IDWriteTextLayout* layout);
float TextBaseline(const Canvas& canvas, IDWriteTextLayout* layout);

// The em size at which "Segoe UI Black" 900 has capitals `capHeight` high. When the font or its
// metrics cannot be had, capitals are taken as 0.7 em.
float EmSizeForCapHeight(const Canvas& canvas, float capHeight);

// Fills `rect` in `rgb`, rounded when `radius` > 0 (a NaN radius gives square corners).
void FillBox(const Canvas& canvas, const RectF& rect, float radius, std::uint32_t rgb);
// Draws `layout` with its box's top-left corner at (x, y); nothing, not even a brush change, for
// a null layout.
void DrawTextAt(const Canvas& canvas, IDWriteTextLayout* layout, float x, float y,
                std::uint32_t rgb);
