#include "render/paint.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "l10n/number_format.h"
#include "l10n/string_table.h"
#include "render/button.h"
#include "render/device_resources.h"
#include "render/logo.h"
#include "render/palette.h"
#include "render/primitives.h"

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

  std::u16string figures;
  if (total != 0) {
    figures = SubstitutePlaceholders(LoadUiString(platform.resources, kStrSizeFigures),
                                     FormatMegabytes(platform.locale, received),
                                     FormatMegabytes(platform.locale, total));
  }
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
  DrawTextAt(canvas, status.get(), kColumnLeft,
             lines.yText - TextHeight(canvas, status.get()) / 2.0f, ColorText);
  DrawTextAt(canvas, size.get(), kColumnRight - sizeWidth,
             lines.yText - TextHeight(canvas, size.get()) / 2.0f, ColorTextMuted);

  FillBox(canvas, RectF{kColumnLeft, lines.yBar, kColumnRight, lines.yBar + kBarHeight}, kBarRadius,
          ColorLine);
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

void DrawStarting(const Canvas& canvas, const RenderPlatform& platform,
                  const ScreenFormats& formats, ContentLines lines) {
  const TextLayout status = MakeTextLayout(canvas, LoadUiString(platform.resources, kStrStarting),
                                           formats.main.get(), kColumnWidth);
  DrawTextAt(canvas, status.get(), kColumnLeft,
             lines.yText - TextHeight(canvas, status.get()) / 2.0f, ColorText);
  // Full, with no track under it.
  FillBox(canvas, RectF{kColumnLeft, lines.yBar, kColumnRight, lines.yBar + kBarHeight}, kBarRadius,
          ColorProgress);
}

void DrawFailed(SetupWindow& window, const Canvas& canvas, const RenderPlatform& platform,
                ContentLines lines) {
  std::u16string headline;
  std::u16string detail;
  switch (static_cast<std::uint32_t>(window.failureKind)) {
    case static_cast<std::uint32_t>(FailureKind::DownloadFailed):
      headline = LoadUiString(platform.resources, kStrDownloadFailed);
      detail = LoadUiString(platform.resources, kStrCheckConnection);
      break;
    case static_cast<std::uint32_t>(FailureKind::FileDamaged):
      headline = LoadUiString(platform.resources, kStrDownloadFailed);
      detail = LoadUiString(platform.resources, kStrFileDamaged);
      break;
    default:  // LaunchFailed, and any value past it
      headline = LoadUiString(platform.resources, kStrLaunchFailed);
      detail = SubstitutePlaceholders(LoadUiString(platform.resources, kStrWindowsError),
                                      FormatDecimal(window.errorCode), u"");
      break;
  }

  // Both texts wrap inside the column; the detail follows the headline's real height.
  const TextFormat mainWrap = MakeUiFormat(canvas, kMainTextSize);
  const TextFormat smallWrap = MakeUiFormat(canvas, kSmallTextSize);
  if (mainWrap) {
    canvas.text.SetWordWrapping(mainWrap.get(), WordWrapping::Wrap);
  }
  if (smallWrap) {
    canvas.text.SetWordWrapping(smallWrap.get(), WordWrapping::Wrap);
  }
  const TextLayout head = MakeTextLayout(canvas, headline, mainWrap.get(), kColumnWidth);
  const TextLayout explanation = MakeTextLayout(canvas, detail, smallWrap.get(), kColumnWidth);
  const float headTop = lines.yText - 10.0f;
  DrawTextAt(canvas, head.get(), kColumnLeft, headTop, ColorError);
  DrawTextAt(canvas, explanation.get(), kColumnLeft,
             headTop + TextHeight(canvas, head.get()) + 4.0f, ColorTextMuted);

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
  switch (window.phase) {
    case UiPhase::Downloading:
      DrawDownloading(window, canvas, platform, formats, lines);
      break;
    case UiPhase::Starting:
      DrawStarting(canvas, platform, formats, lines);
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
