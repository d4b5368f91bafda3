#include "render/button.h"

#include <algorithm>

#include "render/palette.h"

float DrawButton(const Canvas& canvas, const std::u16string& label, float right, float top,
                 bool primary, ButtonId id, RectF& bounds) {
  const TextFormat format =
      MakeTextFormat(canvas, kFamilyUi, kFontWeightNormal, kFontStretchNormal, kMainTextSize);
  const TextLayout layout = MakeTextLayout(canvas, label, format.get(), kUnboundedWidth);
  const float labelWidth = TextWidth(canvas, layout.get());
  const float width = std::max(kButtonMinWidth, labelWidth + 2.0f * kButtonPadding);

  bounds = RectF{right - width, top, right, top + kButtonHeight};

  const bool hovered = canvas.hoveredButton == id;
  const std::uint32_t fill = primary ? (hovered ? ColorAccentHover : ColorAccent)
                                     : (hovered ? ColorButtonHover : ColorButton);
  FillBox(canvas, bounds, kButtonRadius, fill);
  if (!primary) {
    // Inset by half the stroke so the 1-DIP outline lies inside the fill.
    canvas.drawing.SetColor(canvas.brush, RgbToColorF(ColorLine));
    const RectF inset{bounds.left + 0.5f, bounds.top + 0.5f, bounds.right - 0.5f,
                      bounds.bottom - 0.5f};
    canvas.drawing.DrawRoundedRectangle(
        canvas.renderTarget, RoundedRectF{inset, kButtonRadius, kButtonRadius}, canvas.brush, 1.0f);
  }
  DrawTextAt(canvas, layout.get(), (width - labelWidth) * 0.5f + bounds.left,
             (kButtonHeight - TextHeight(canvas, layout.get())) * 0.5f + top, ColorOnAccent);
  return width;
}
