// The text side of the rendering on the real DirectWrite: formats, layouts and their metrics,
// ellipsis trimming, the character spacing of IDWriteTextLayout1 and the cap-height lookup. None
// of it needs a display. The family measured is Roboto, which the test dependencies install.
#include <dwrite.h>
#include <dwrite_1.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/win32/com_release.h"
#include "platform/win32/win32_d2d.h"
#include "render/primitives.h"
#include "tests/win32/harness.h"
#include "tests/win32/stack_text_renderer.h"

namespace {

constexpr char16_t kFamily[] = u"Roboto";

struct Text {
  Text() {
    ::DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                          reinterpret_cast<IUnknown**>(factory.put(&ReleaseCom<IDWriteFactory>)));
  }
  Canvas MakeCanvas() { return Canvas{api, api, factory.get(), nullptr, nullptr, ButtonId::None}; }

  Win32RenderApi api;
  ComHolder<IDWriteFactory> factory;
};

bool Near(float a, float b, float tolerance) {
  return std::fabs(a - b) <= tolerance;
}

// Takes what a layout draws: the text its glyph runs cover and the inline objects (the trimming
// sign) with where they go.
class RecordingTextRenderer final : public StackTextRenderer {
 public:
  HRESULT STDMETHODCALLTYPE DrawGlyphRun(void*, FLOAT x, FLOAT, DWRITE_MEASURING_MODE,
                                         const DWRITE_GLYPH_RUN* run,
                                         const DWRITE_GLYPH_RUN_DESCRIPTION* description,
                                         IUnknown*) override {
    if (description != nullptr) {
      textDrawn = std::max(textDrawn, description->textPosition + description->stringLength);
    }
    float advance = 0;
    for (UINT32 i = 0; run->glyphAdvances != nullptr && i < run->glyphCount; ++i) {
      advance += run->glyphAdvances[i];
    }
    glyphsEnd = std::max(glyphsEnd, x + advance);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawInlineObject(void*, FLOAT x, FLOAT, IDWriteInlineObject* object,
                                             BOOL, BOOL, IUnknown*) override {
    ++inlineObjects;
    inlineObject = object;
    inlineX = x;
    return S_OK;
  }

  UINT32 textDrawn = 0;  // UTF-16 units from the start that some glyph run covers
  float glyphsEnd = 0;   // in DIPs
  int inlineObjects = 0;
  IDWriteInlineObject* inlineObject = nullptr;
  float inlineX = 0;
};

WINE_TEST(FormatsAndLayoutsMeasureRealText) {
  Text text;
  CHECK(text.factory.get() != nullptr);
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 400, 5, 13.0f);
  CHECK(format.get() != nullptr);
  CHECK_EQ(format->GetWordWrapping(), DWRITE_WORD_WRAPPING_NO_WRAP);
  CHECK(Near(format->GetFontSize(), 13.0f, 0.0f));

  const TextLayout cancel = MakeTextLayout(canvas, u"Cancel", format.get(), 10000.0f);
  const TextLayout cancelCancel = MakeTextLayout(canvas, u"CancelCancel", format.get(), 10000.0f);
  CHECK(cancel.get() != nullptr && cancelCancel.get() != nullptr);
  const float width = TextWidth(canvas, cancel.get());
  // Roughly 0.4-0.6 em per letter, and twice the text is twice as wide.
  CHECK(width > 6 * 13.0f * 0.35f && width < 6 * 13.0f * 0.65f);
  CHECK(Near(TextWidth(canvas, cancelCancel.get()), 2 * width, 0.01f));
  const float height = TextHeight(canvas, cancel.get());
  const float baseline = TextBaseline(canvas, cancel.get());
  CHECK(height > 13.0f && height < 13.0f * 1.6f);
  CHECK(baseline > 0.5f * height && baseline < height);
  CHECK(Near(cancel->GetMaxHeight(), 1000.0f, 0.0f));

  // Trailing blanks count: the width includes trailing white space.
  const TextLayout padded = MakeTextLayout(canvas, u"Cancel   ", format.get(), 10000.0f);
  CHECK(TextWidth(canvas, padded.get()) > width + 1.0f);
}

WINE_TEST(WrappingFormatsBreakIntoLines) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 400, 5, 12.0f);
  text.api.SetWordWrapping(format.get(), WordWrapping::Wrap);
  const TextLayout layout = MakeTextLayout(
      canvas, u"Check your internet connection and try again, then try again once more.",
      format.get(), 120.0f);
  DWRITE_TEXT_METRICS metrics{};
  layout->GetMetrics(&metrics);
  CHECK(metrics.lineCount >= 3);
  CHECK(TextWidth(canvas, layout.get()) <= 120.0f);
  CHECK(TextHeight(canvas, layout.get()) > 2.5f * 12.0f);
}

WINE_TEST(EllipsisTrimmingCutsAtACharacter) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 400, 5, 13.0f);
  const std::u16string status = u"Downloading VORNE Sandbox\u2026";
  const TextLayout natural = MakeTextLayout(canvas, status, format.get(), 10000.0f);
  const float full = TextWidth(canvas, natural.get());

  const TextLayout trimmed = MakeTextLayout(canvas, status, format.get(), full / 2);
  ComHolder<IDWriteInlineObject> sign;
  CHECK(Succeeded(text.api.CreateEllipsisTrimmingSign(text.factory.get(), format.get(), sign)));
  CHECK(sign.get() != nullptr);
  CHECK(Succeeded(text.api.SetTrimming(trimmed.get(), Trimming{kTrimmingGranularityCharacter, 0, 0},
                                       sign.get())));
  DWRITE_TRIMMING trimming{};
  IDWriteInlineObject* current = nullptr;
  trimmed->GetTrimming(&trimming, &current);
  CHECK_EQ(trimming.granularity, DWRITE_TRIMMING_GRANULARITY_CHARACTER);
  CHECK(current == sign.get());
  if (current != nullptr) {
    current->Release();
  }
  DWRITE_TEXT_METRICS metrics{};
  trimmed->GetMetrics(&metrics);
  CHECK_EQ(metrics.lineCount, 1u);
  CHECK(metrics.width <= full / 2 + 0.5f);
}

// What the status line's trimming does, seen in what the layout draws rather than read back from
// it: with the granularity and sign the Downloading screen sets (render/paint.cpp), through the
// real SetTrimming and ellipsis sign, a line too long for its box is cut inside a word and ends in
// the sign. The box holds "Downloading VORN", the sign and half an "E": a cut at words would keep
// "Downloading" only, no trimming would draw all 26 letters (Wine's DirectWrite trims only when a
// sign is given, so a lost sign shows the same way), and a lost sign draws no inline object.
WINE_TEST(TheStatusLineTrimmingCutsInsideAWordAndDrawsTheSign) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 400, 5, 13.0f);
  const std::u16string status = u"Downloading VORNE Sandbox\u2026";
  const std::u16string kept = u"Downloading VORN";
  const float keptWidth =
      TextWidth(canvas, MakeTextLayout(canvas, kept, format.get(), 10000.0f).get());
  const float signWidth =
      TextWidth(canvas, MakeTextLayout(canvas, u"\u2026", format.get(), 10000.0f).get());
  const float letterWidth =
      TextWidth(canvas, MakeTextLayout(canvas, u"E", format.get(), 10000.0f).get());
  CHECK(signWidth > 1.0f && letterWidth > 2.0f);
  const float box = keptWidth + signWidth + letterWidth / 2;

  const TextLayout line = MakeTextLayout(canvas, status, format.get(), box);
  ComHolder<IDWriteInlineObject> sign;
  CHECK(Succeeded(text.api.CreateEllipsisTrimmingSign(text.factory.get(), format.get(), sign)));
  CHECK(Succeeded(
      text.api.SetTrimming(line.get(), Trimming{kTrimmingGranularityCharacter, 0, 0}, sign.get())));
  RecordingTextRenderer drawn;
  CHECK(Succeeded(line->Draw(nullptr, &drawn, 0, 0)));
  std::printf("  box %.2f: %u of %zu units drawn, sign at %.2f\n", box, drawn.textDrawn,
              status.size(), drawn.inlineX);
  CHECK_EQ(drawn.textDrawn, kept.size());
  CHECK(Near(drawn.glyphsEnd, keptWidth, 0.5f));
  CHECK_EQ(drawn.inlineObjects, 1);
  CHECK(drawn.inlineObject == sign.get());
  CHECK(Near(drawn.inlineX, drawn.glyphsEnd, 0.5f));
  DWRITE_TEXT_METRICS metrics{};
  line->GetMetrics(&metrics);
  CHECK_EQ(metrics.lineCount, 1u);
  CHECK(metrics.width <= box);
  CHECK(metrics.width > keptWidth);  // the sign's width counts
}

WINE_TEST(CharacterSpacingSpreadsTheFirstSixLetters) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 700, 3, 9.6f);
  const TextLayout layout = MakeTextLayout(canvas, u"SANDBOX", format.get(), 10000.0f);
  const float natural = TextWidth(canvas, layout.get());
  ComHolder<IDWriteTextLayout1> spaced;
  CHECK(Succeeded(text.api.QueryTextLayout1(layout.get(), spaced)));
  CHECK(spaced.get() != nullptr);
  if (!spaced) {
    return;
  }
  CHECK(Succeeded(text.api.SetCharacterSpacing(spaced.get(), 0.0f, 2.0f, 0.0f, TextRange{0, 6})));
  CHECK(Near(TextWidth(canvas, layout.get()), natural + 12.0f, 0.01f));
  FLOAT leading = -1;
  FLOAT trailing = -1;
  FLOAT minimum = -1;
  spaced->GetCharacterSpacing(6, &leading, &trailing, &minimum, nullptr);
  CHECK(Near(trailing, 0.0f, 0.0f));  // not after the seventh letter
  spaced->GetCharacterSpacing(5, &leading, &trailing, &minimum, nullptr);
  CHECK(Near(trailing, 2.0f, 0.0f));
}

WINE_TEST(OverhangsGiveTheInkOfALetter) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  const TextFormat format = MakeTextFormat(canvas, kFamily, 900, 5, 20.0f);
  const TextLayout layout = MakeTextLayout(canvas, u"V", format.get(), 10000.0f);
  text.api.SetMaxWidth(layout.get(), 80.0f);
  OverhangMetrics overhang{};
  CHECK(Succeeded(text.api.GetOverhangMetrics(layout.get(), overhang)));
  const float ink = 80.0f + overhang.left + overhang.right;
  // Measured against the 80-DIP box, the ink is about as wide as the letter's advance (Wine rounds
  // the overhangs to whole DIPs).
  const float advance = TextWidth(canvas, layout.get());
  CHECK(ink > 0.5f * advance && ink < 1.5f * advance);
}

WINE_TEST(CapHeightComesFromTheLogoFontOrSevenTenths) {
  Text text;
  const Canvas canvas = text.MakeCanvas();
  ComHolder<IDWriteFontCollection> collection;
  text.factory->GetSystemFontCollection(collection.put(&ReleaseCom<IDWriteFontCollection>), FALSE);
  UINT32 index = 0;
  BOOL exists = FALSE;
  collection->FindFamilyName(L"Segoe UI Black", &index, &exists);
  const float em = EmSizeForCapHeight(canvas, 14.0f);
  if (exists) {
    // Capitals of a black sans are 0.65-0.75 em high.
    CHECK(em > 14.0f / 0.75f && em < 14.0f / 0.65f);
  } else {
    CHECK(Near(em, 20.0f, 1e-5f));
  }
}

}  // namespace
