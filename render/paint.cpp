#include "render/paint.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "l10n/string_table.h"
#include "render/button.h"
#include "render/device_resources.h"
#include "render/logo.h"
#include "render/palette.h"
#include "render/primitives.h"
#include "ui/screen_texts.h"

namespace {

// The vertical anchors below the large logo, in DIPs.
struct ContentLines {
  float yText = 0;  // centre line of the status text
  float yBar = 0;   // top of the progress bar
};

// The two non-wrapping formats the screens share.
struct ScreenFormats {
  TextFormat main;
  TextFormat small;
};

TextFormat MakeUiFormat(const Canvas& canvas, float size) {
  return MakeTextFormat(canvas, kFamilyUi, kFontWeightNormal, kFontStretchNormal, size);
}

void DrawTitleBar(SetupWindow& window, const Canvas& canvas, const RenderPlatform& platform) {
  FillBox(canvas, RectF{0, 0, kCanvasWidth, kTitleBandHeight}, 0.0f, ColorTitleBar);
  const float markWidth =
      DrawLogoMark(canvas, false, kSmallLogoLeft, kSmallLogoTop, kSmallLogoSize, true);

  TextLayout title;
  {
    const TextFormat format = MakeUiFormat(canvas, kTitleTextSize);
    title = MakeTextLayout(canvas, LoadUiString(platform.resources, kStrHeading), format.get(),
                           kUnboundedWidth);
  }
  DrawTextAt(canvas, title.get(), kSmallLogoLeft + markWidth + kTitleGap,
             kTitleCentreY - TextHeight(canvas, title.get()) / 2.0f, ColorText);

  window.closeRect = RectF{kCanvasWidth - kCloseBoxWidth, 0, kCanvasWidth, kTitleBandHeight};
  // While the installer starts the close box is part of the drag band: no hover, muted glyph.
  const bool starting = window.phase == UiPhase::Starting;
  if (!starting && window.hoveredButton == ButtonId::Close) {
    FillBox(canvas, window.closeRect, 0.0f, ColorButtonHover);
  }
  canvas.drawing.SetColor(canvas.brush, RgbToColorF(starting ? ColorTextMuted : ColorText));
  // The cross: 10 DIPs square, centred in the box.
  const float crossX = window.closeRect.left + kCloseBoxWidth / 2.0f;
  const float half = kCloseCrossSize / 2.0f;
  canvas.drawing.DrawLine(canvas.renderTarget, PointF{crossX - half, kTitleCentreY - half},
                          PointF{crossX + half, kTitleCentreY + half}, canvas.brush, 1.0f);
  canvas.drawing.DrawLine(canvas.renderTarget, PointF{crossX - half, kTitleCentreY + half},
                          PointF{crossX + half, kTitleCentreY - half}, canvas.brush, 1.0f);
  FillBox(canvas, RectF{0, kTitleBandHeight - 1.0f, kCanvasWidth, kTitleBandHeight}, 0.0f,
          ColorLine);
}

// The box a laid-out text covers, from its top-left corner, no wider than its room (a trimmed
// line reports its untrimmed width); zero for a missing layout.
RectF TextBox(const Canvas& canvas, IDWriteTextLayout* layout, float left, float top, float room) {
  if (layout == nullptr) {
    return RectF{};
  }
  const float width = std::min(TextWidth(canvas, layout), std::max(room, 0.0f));
  return RectF{left, top, left + width, top + TextHeight(canvas, layout)};
}

// Draws a one-line text vertically centred on `centreY` and returns the box it covers.
RectF DrawCentredText(const Canvas& canvas, IDWriteTextLayout* layout, float left, float centreY,
                      float room, std::uint32_t color) {
  const float top = centreY - TextHeight(canvas, layout) / 2.0f;
  DrawTextAt(canvas, layout, left, top, color);
  return TextBox(canvas, layout, left, top, room);
}

ContentLines DrawLargeLogo(const Canvas& canvas) {
  const SizeF size = DrawLogo(canvas, false, 0, 0, kLargeLogoSize);
  DrawLogo(canvas, true, (kCanvasWidth - size.width) * 0.5f, kLargeLogoTop, kLargeLogoSize);
  ContentLines lines;
  lines.yText = (size.height + kLargeLogoTop) + kTextBelowLogo;
  lines.yBar = lines.yText + kBarBelowText;
  return lines;
}

void DrawDownloading(SetupWindow& window, const Canvas& canvas, const RenderPlatform& platform,
                     const ScreenFormats& formats, ContentLines lines) {
  std::uint64_t received = 0;
  std::uint64_t total = 0;
  if (window.worker) {
    // Received first: a count read ahead of its total is clamped by the fill below.
    received = window.worker->bytesReceived.load();
    total = window.worker->bytesTotal.load();
  }

  const std::u16string figures =
      SizeFiguresText(platform.resources, platform.locale, received, total);
  const TextLayout size = MakeTextLayout(canvas, figures, formats.small.get(), kUnboundedWidth);
  const float sizeWidth = TextWidth(canvas, size.get());

  // The status line ends at least 12 DIPs before the figures; a longer one is cut at a character
  // and ends in an ellipsis, on one line.
  const TextLayout status =
      MakeTextLayout(canvas, LoadUiString(platform.resources, kStrDownloading), formats.main.get(),
                     (kColumnWidth - sizeWidth) - kStatusGap);
  ComHolder<IDWriteInlineObject> ellipsis;
  if (status &&
      Succeeded(canvas.text.CreateEllipsisTrimmingSign(canvas.writeFactory, formats.main.get(),
                                                       ellipsis)) &&
      ellipsis) {
    canvas.text.SetTrimming(status.get(), Trimming{kTrimmingGranularityCharacter, 0, 0},
                            ellipsis.get());
  }
  window.painted.status = DrawCentredText(canvas, status.get(), kColumnLeft, lines.yText,
                                          (kColumnWidth - sizeWidth) - kStatusGap, ColorText);
  window.painted.figures = DrawCentredText(canvas, size.get(), kColumnRight - sizeWidth,
                                           lines.yText, sizeWidth, ColorTextMuted);

  window.painted.bar = RectF{kColumnLeft, lines.yBar, kColumnRight, lines.yBar + kBarHeight};
  FillBox(canvas, window.painted.bar, kBarRadius, ColorLine);
  if (total != 0) {
    const float fraction =
        static_cast<float>(static_cast<double>(received) / static_cast<double>(total));
    if (fraction > 0.0f) {
      FillBox(canvas,
              RectF{kColumnLeft, lines.yBar, std::min(1.0f, fraction) * kColumnWidth + kColumnLeft,
                    lines.yBar + kBarHeight},
              kBarRadius, ColorProgress);
    }
  }
  DrawButton(canvas, LoadUiString(platform.resources, kStrCancel), kColumnRight, kButtonTop, false,
             ButtonId::Cancel, window.cancelRect);
}

void DrawStarting(SetupWindow& window, const Canvas& canvas, const RenderPlatform& platform,
                  const ScreenFormats& formats, ContentLines lines) {
  const TextLayout status = MakeTextLayout(canvas, LoadUiString(platform.resources, kStrStarting),
                                           formats.main.get(), kColumnWidth);
  window.painted.status =
      DrawCentredText(canvas, status.get(), kColumnLeft, lines.yText, kColumnWidth, ColorText);
  // Full, with no track under it.
  window.painted.bar = RectF{kColumnLeft, lines.yBar, kColumnRight, lines.yBar + kBarHeight};
  FillBox(canvas, window.painted.bar, kBarRadius, ColorProgress);
}

void DrawFailed(SetupWindow& window, const Canvas& canvas, const RenderPlatform& platform,
                ContentLines lines) {
  const FailureTexts texts =
      FailureTextsFor(platform.resources, window.failureKind, window.errorCode);

  // Both texts wrap inside the column; the detail follows the headline's real height.
  const TextFormat mainWrap = MakeUiFormat(canvas, kMainTextSize);
  const TextFormat smallWrap = MakeUiFormat(canvas, kSmallTextSize);
  if (mainWrap) {
    canvas.text.SetWordWrapping(mainWrap.get(), WordWrapping::Wrap);
  }
  if (smallWrap) {
    canvas.text.SetWordWrapping(smallWrap.get(), WordWrapping::Wrap);
  }
  const TextLayout head = MakeTextLayout(canvas, texts.headline, mainWrap.get(), kColumnWidth);
  const TextLayout explanation =
      MakeTextLayout(canvas, texts.explanation, smallWrap.get(), kColumnWidth);
  const float headTop = lines.yText - 10.0f;
  const float headHeight = TextHeight(canvas, head.get());
  DrawTextAt(canvas, head.get(), kColumnLeft, headTop, ColorError);
  DrawTextAt(canvas, explanation.get(), kColumnLeft, headTop + headHeight + 4.0f, ColorTextMuted);
  window.painted.headline = TextBox(canvas, head.get(), kColumnLeft, headTop, kColumnWidth);
  window.painted.explanation =
      TextBox(canvas, explanation.get(), kColumnLeft, headTop + headHeight + 4.0f, kColumnWidth);

  const float cancelWidth =
      DrawButton(canvas, LoadUiString(platform.resources, kStrCancel), kColumnRight, kButtonTop,
                 false, ButtonId::Cancel, window.cancelRect);
  DrawButton(canvas, LoadUiString(platform.resources, kStrTryAgain),
             kColumnRight - cancelWidth - kButtonGap, kButtonTop, true, ButtonId::TryAgain,
             window.retryRect);
}

}  // namespace

void Paint(SetupWindow& window, const RenderPlatform& platform) {
  if (!Succeeded(EnsureDeviceResources(window, platform.drawing))) {
    return;
  }
  const Canvas canvas{platform.drawing,          platform.text,      window.writeFactory.get(),
                      window.renderTarget.get(), window.brush.get(), window.hoveredButton};

  platform.drawing.BeginDraw(canvas.renderTarget);
  platform.drawing.Clear(canvas.renderTarget, RgbToColorF(ColorBackground));
  DrawTitleBar(window, canvas, platform);
  const ContentLines lines = DrawLargeLogo(canvas);

  // Released when the paint returns, after EndDraw; the screens release their own layouts.
  const ScreenFormats formats{MakeUiFormat(canvas, kMainTextSize),
                              MakeUiFormat(canvas, kSmallTextSize)};
  window.retryRect = RectF{};
  window.cancelRect = RectF{};
  window.painted = SetupWindow::PaintedContent{};
  window.painted.phase = window.phase;
  window.painted.drawn = true;
  switch (window.phase) {
    case UiPhase::Downloading:
      DrawDownloading(window, canvas, platform, formats, lines);
      break;
    case UiPhase::Starting:
      DrawStarting(window, canvas, platform, formats, lines);
      break;
    default:
      DrawFailed(window, canvas, platform, lines);
      break;
  }

  platform.drawing.SetColor(canvas.brush, RgbToColorF(ColorLine));
  platform.drawing.DrawRectangle(canvas.renderTarget, RectF{0.5f, 0.5f, 419.5f, 235.5f},
                                 canvas.brush, 1.0f);
  if (platform.drawing.EndDraw(canvas.renderTarget) == kD2dErrRecreateTarget) {
    DiscardDeviceResources(window);
  }
}
