#include "render/primitives.h"

#include "render/palette.h"

ColorF RgbToColorF(std::uint32_t rgb) {
  return ColorF{static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                static_cast<float>(rgb & 0xFF) / 255.0f, 1.0f};
}

TextFormat MakeTextFormat(const Canvas& canvas, const std::u16string& family, std::uint32_t weight,
                          std::uint32_t stretch, float emSize) {
  TextFormat format;
  if (!Succeeded(canvas.text.CreateTextFormat(canvas.writeFactory, family, weight, stretch, emSize,
                                              format))) {
    format.reset();
    return format;
  }
  if (format) {
    canvas.text.SetWordWrapping(format.get(), WordWrapping::NoWrap);
  }
  return format;
}

TextLayout MakeTextLayout(const Canvas& canvas, const std::u16string& text,
                          IDWriteTextFormat* format, float maxWidth) {
  TextLayout layout;
  if (format == nullptr) {
    return layout;
  }
  if (!Succeeded(canvas.text.CreateTextLayout(canvas.writeFactory, text, format, maxWidth,
                                              kLayoutMaxHeight, layout))) {
    layout.reset();
  }
  return layout;
}

float TextWidth(const Canvas& canvas, IDWriteTextLayout* layout) {
  if (layout == nullptr) {
    return 0.0f;
  }
  TextMetrics metrics{};
  canvas.text.GetMetrics(layout, metrics);
  return metrics.widthIncludingTrailingWhitespace;
}

float TextHeight(const Canvas& canvas, IDWriteTextLayout* layout) {
  if (layout == nullptr) {
    return 0.0f;
  }
  TextMetrics metrics{};
  canvas.text.GetMetrics(layout, metrics);
  return metrics.height;
}

float TextBaseline(const Canvas& canvas, IDWriteTextLayout* layout) {
  if (layout == nullptr) {
    return 0.0f;
  }
  // Room for one line: the callers measure one-line layouts. A longer layout reports
  // "buffer too small"; the result is not examined, the first line is what counts.
  LineMetrics line{};
  std::uint32_t lines = 0;
  canvas.text.GetLineMetrics(layout, &line, 1, lines);
  return line.baseline;
}

namespace {

// capHeight / designUnitsPerEm of "Segoe UI Black" 900, or 0 when any step fails. Nothing is
// cached: the font may be installed or removed while the program runs.
float LogoCapHeightRatio(const Canvas& canvas) {
  ComHolder<IDWriteFontCollection> collection;
  if (!Succeeded(canvas.text.GetSystemFontCollection(canvas.writeFactory, collection, false)) ||
      !collection) {
    return 0.0f;
  }
  std::uint32_t index = 0;
  bool exists = false;
  if (!Succeeded(canvas.text.FindFamilyName(collection.get(), kFamilyLogo, index, exists)) ||
      !exists) {
    return 0.0f;
  }
  ComHolder<IDWriteFontFamily> family;
  if (!Succeeded(canvas.text.GetFontFamily(collection.get(), index, family)) || !family) {
    return 0.0f;
  }
  ComHolder<IDWriteFont> font;
  if (!Succeeded(canvas.text.GetFirstMatchingFont(family.get(), kFontWeightBlack,
                                                  kFontStretchNormal, kFontStyleNormal, font)) ||
      !font) {
    return 0.0f;
  }
  FontMetrics metrics{};
  canvas.text.GetMetrics(font.get(), metrics);
  if (metrics.designUnitsPerEm == 0 || metrics.capHeight == 0) {
    return 0.0f;
  }
  return static_cast<float>(metrics.capHeight) / static_cast<float>(metrics.designUnitsPerEm);
}

}  // namespace

float EmSizeForCapHeight(const Canvas& canvas, float capHeight) {
  float ratio = LogoCapHeightRatio(canvas);
  if (ratio == 0.0f) {
    ratio = 0.7f;
  }
  return capHeight / ratio;
}

void FillBox(const Canvas& canvas, const RectF& rect, float radius, std::uint32_t rgb) {
  canvas.drawing.SetColor(canvas.brush, RgbToColorF(rgb));
  if (radius > 0.0f) {
    canvas.drawing.FillRoundedRectangle(canvas.renderTarget, RoundedRectF{rect, radius, radius},
                                        canvas.brush);
  } else {
    canvas.drawing.FillRectangle(canvas.renderTarget, rect, canvas.brush);
  }
}

void DrawTextAt(const Canvas& canvas, IDWriteTextLayout* layout, float x, float y,
                std::uint32_t rgb) {
  if (layout == nullptr) {
    return;
  }
  canvas.drawing.SetColor(canvas.brush, RgbToColorF(rgb));
  canvas.drawing.DrawTextLayout(canvas.renderTarget, PointF{x, y}, layout, canvas.brush);
}
