#include "render/logo.h"

#include <algorithm>

#include "render/palette.h"

float DrawLogoMark(const Canvas& canvas, bool large, float x, float y, float size, bool draw) {
  const float cap = size * (large ? 0.62f : 0.60f);
  const TextFormat format = MakeTextFormat(canvas, kFamilyLogo, kFontWeightBlack,
                                           kFontStretchNormal, EmSizeForCapHeight(canvas, cap));
  const TextLayout first = MakeTextLayout(canvas, u"V", format.get(), kUnboundedWidth);
  const TextLayout rest = MakeTextLayout(canvas, u"ORNE", format.get(), kUnboundedWidth);

  // Both pieces sit on this baseline, which centres capitals of height `cap` in the square.
  const float baseY = (size + cap) * 0.5f + y;
  const float restX = size * (large ? 0.07f : 0.06f) + (size + x);

  if (draw && first && rest) {
    FillBox(canvas, RectF{x, y, x + size, y + size}, 0.0f, ColorAccent);

    // The "V" is centred by its ink, not its advance: with a box of 4 x size the overhangs give
    // the ink's extent relative to that box.
    const float box = 4.0f * size;
    canvas.text.SetMaxWidth(first.get(), box);
    OverhangMetrics overhang{};
    canvas.text.GetOverhangMetrics(first.get(), overhang);
    const float inkWidth = box + overhang.left + overhang.right;
    DrawTextAt(canvas, first.get(), (size - inkWidth) * 0.5f + x + overhang.left,
               baseY - TextBaseline(canvas, first.get()), ColorOnAccent);

    const float restY = baseY - TextBaseline(canvas, rest.get());
    if (large) {
      const float offset = std::max(1.0f, size * 0.03f);
      for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
          if (dx == 0 && dy == 0) {
            continue;
          }
          DrawTextAt(canvas, rest.get(), restX + static_cast<float>(dx) * offset,
                     restY + static_cast<float>(dy) * offset, ColorLogoOutline);
        }
      }
    }
    DrawTextAt(canvas, rest.get(), restX, restY, ColorOnAccent);
  }
  return restX + TextWidth(canvas, rest.get()) - x;
}

SizeF DrawLogo(const Canvas& canvas, bool draw, float x, float y, float size) {
  const float width = DrawLogoMark(canvas, true, x, y, size, draw);

  const float lineSize = size * 0.24f;
  const TextFormat format =
      MakeTextFormat(canvas, kFamilyLogoLine, kFontWeightBold, kFontStretchCondensed, lineSize);
  const TextLayout line = MakeTextLayout(canvas, u"SANDBOX", format.get(), kUnboundedWidth);
  const float top = y + size + size * 0.08f;

  if (draw && line) {
    // Spread a line narrower than 1.15 x size to exactly that width: the extra space follows each
    // of the first six letters, none after the seventh, so the line still starts at x.
    ComHolder<IDWriteTextLayout1> spaced;
    if (Succeeded(canvas.text.QueryTextLayout1(line.get(), spaced)) && spaced) {
      const float spacing = std::max(0.0f, (size * 1.15f - TextWidth(canvas, line.get())) / 6.0f);
      canvas.text.SetCharacterSpacing(spaced.get(), 0.0f, spacing, 0.0f, TextRange{0, 6});
    }
    DrawTextAt(canvas, line.get(), x, top, ColorOnAccent);
  }
  return SizeF{width, (top - y) + lineSize * 1.1f};
}
