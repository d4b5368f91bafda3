#include "render/paint.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "l10n/ui_language.h"
#include "render/palette.h"
#include "render/primitives.h"
#include "tests/fakes/fake_render_api.h"
#include "tests/fakes/fake_resource_api.h"
#include "tests/fakes/table_locale_api.h"
#include "tests/l10n/expected_rows.h"
#include "tests/ui/window_fixture.h"

namespace {

using Kind = FakeRenderApi::Kind;
using Op = FakeRenderApi::Op;
using ::testing::ElementsAre;

// The English table, as the string tables' own tests expect it.
const std::map<std::uint16_t, std::u16string> kEnglish = [] {
  std::map<std::uint16_t, std::u16string> texts;
  for (const ExpectedText& entry : kExpectedEnglish) {
    texts[entry.id] = entry.text;
  }
  return texts;
}();

constexpr std::uint64_t kMegabyte = 1048576;

// The logo's height and the lines below it, summed in single precision in the paint's order.
const float kLogoHeight = ((0.0f + 40.0f) + 40.0f * 0.08f - 0.0f) + (40.0f * 0.24f) * 1.1f;
const float kYText = (kLogoHeight + 54.0f) + 22.0f;
const float kYBar = kYText + 18.0f;

std::string Hex(const ColorF& color) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02X%02X%02X", static_cast<int>(std::lround(color.r * 255)),
                static_cast<int>(std::lround(color.g * 255)),
                static_cast<int>(std::lround(color.b * 255)));
  return text;
}

std::string Ascii(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    out += c < 0x80 ? static_cast<char>(c) : '?';
  }
  return out;
}

// One line per draw call: what, in which colour, and (for texts) which text.
std::string Describe(const FakeRenderApi::DrawEvent& event) {
  switch (event.op) {
    case Op::Clear:
      return "Clear " + Hex(event.color);
    case Op::FillRect:
      return "Fill " + Hex(event.color);
    case Op::FillRoundedRect:
      return "FillRounded " + Hex(event.color);
    case Op::DrawRect:
      return "Outline " + Hex(event.color);
    case Op::DrawRoundedRect:
      return "OutlineRounded " + Hex(event.color);
    case Op::DrawLine:
      return "Line " + Hex(event.color);
    case Op::DrawText:
      return "Text " + Hex(event.color) + " " + Ascii(event.text);
  }
  return "?";
}

class Painting : public ::testing::Test {
 protected:
  Painting() {
    g_uiLanguage = 0x0409;
    resources.SetStrings(0x0409, kEnglish);
  }

  void AddWorker(std::uint64_t received, std::uint64_t total) {
    host.window.worker = std::make_unique<SetupWorker>(kWindow, host.workerPlatform, host.stages);
    host.window.worker->bytesReceived = received;
    host.window.worker->bytesTotal = total;
  }

  void PaintOnce() {
    render.ClearEvents();
    Paint(window(), platform);
  }

  SetupWindow& window() { return host.window; }

  std::vector<std::string> Described() const {
    std::vector<std::string> lines;
    for (const auto& event : render.events()) {
      lines.push_back(Describe(event));
    }
    return lines;
  }

  std::vector<FakeRenderApi::DrawEvent> Find(Op op, std::uint32_t rgb) const {
    std::vector<FakeRenderApi::DrawEvent> found;
    for (const auto& event : render.events()) {
      if (event.op == op && event.color == RgbToColorF(rgb)) {
        found.push_back(event);
      }
    }
    return found;
  }

  const FakeRenderApi::DrawEvent* Text(const std::u16string& text) const {
    for (const auto& event : render.events()) {
      if (event.op == Op::DrawText && event.text == text) {
        return &event;
      }
    }
    return nullptr;
  }

  const FakeRenderApi::LayoutRecord& LayoutOf(const FakeRenderApi::DrawEvent* text) const {
    return render.layouts()[text->layout];
  }

  float Width(const std::u16string& text, float em) const {
    return static_cast<float>(text.size()) * render.Advance(em);
  }

  int LiveTextObjects() const {
    return render.live(Kind::TextFormat) + render.live(Kind::TextLayout) +
           render.live(Kind::TextLayout1) + render.live(Kind::TrimmingSign) +
           render.live(Kind::FontCollection) + render.live(Kind::FontFamily) +
           render.live(Kind::Font);
  }

  // The fakes first: the window's holders and worker go before them.
  FakeRenderApi render;
  FakeResourceApi resources;
  TableLocaleApi locale;
  RenderPlatform platform{render, render, resources, locale};
  WindowFixture host;
};

TEST_F(Painting, DownloadingFrameIsDrawnInOrder) {
  AddWorker(5 * kMegabyte / 2, 10 * kMegabyte);
  PaintOnce();
  EXPECT_THAT(
      Described(),
      ElementsAre("Clear 0D0F1E",
                  // title band, small mark, title, close glyph, rule
                  "Fill 131428", "Fill 802A8A", "Text FFFFFF V", "Text FFFFFF ORNE",
                  "Text E0E0F0 Sandbox Setup", "Line E0E0F0", "Line E0E0F0", "Fill 242640",
                  // large logo: square, V, eight outline copies, ORNE, SANDBOX
                  "Fill 802A8A", "Text FFFFFF V", "Text 505058 ORNE", "Text 505058 ORNE",
                  "Text 505058 ORNE", "Text 505058 ORNE", "Text 505058 ORNE", "Text 505058 ORNE",
                  "Text 505058 ORNE", "Text 505058 ORNE", "Text FFFFFF ORNE", "Text FFFFFF SANDBOX",
                  // status, figures, track, fill, Cancel
                  "Text E0E0F0 Downloading VORNE Sandbox?", "Text 9A9AB8 2.5 of 10.0 MB",
                  "FillRounded 242640", "FillRounded A84CB4", "FillRounded 1E2038",
                  "OutlineRounded 242640", "Text FFFFFF Cancel",
                  // border
                  "Outline 242640"));
  EXPECT_EQ(render.beginDraws(), 1);
  EXPECT_EQ(render.endDraws(), 1);
  EXPECT_EQ(LiveTextObjects(), 0) << "every format, layout and sign is released";
}

// The frame every screen shares, as Described() lists it, with the close glyph's colour.
std::vector<std::string> FrameLines(const std::string& glyph) {
  std::vector<std::string> lines = {
      "Clear 0D0F1E",  "Fill 131428",      "Fill 802A8A",
      "Text FFFFFF V", "Text FFFFFF ORNE", "Text E0E0F0 Sandbox Setup",
      "Line " + glyph, "Line " + glyph,    "Fill 242640",
      "Fill 802A8A",   "Text FFFFFF V"};
  lines.insert(lines.end(), 8, "Text 505058 ORNE");
  lines.insert(lines.end(), {"Text FFFFFF ORNE", "Text FFFFFF SANDBOX"});
  return lines;
}

TEST_F(Painting, StartingAndFailureFramesAreDrawnInOrder) {
  const struct {
    const char* name;
    UiPhase phase;
    std::string glyph;
    std::vector<std::string> screen;
  } cases[] = {
      {"Starting",
       UiPhase::Starting,
       "9A9AB8",
       {"Text E0E0F0 Starting the installer?", "FillRounded A84CB4"}},
      {"Failure",
       UiPhase::Failed,
       "E0E0F0",
       {"Text FF8A8A VORNE Sandbox could not be downloaded.",
        "Text 9A9AB8 Check your internet connection and try again.", "FillRounded 1E2038",
        "OutlineRounded 242640", "Text FFFFFF Cancel", "FillRounded 802A8A",
        "Text FFFFFF Try again"}},
  };
  for (const auto& c : cases) {
    window().phase = c.phase;
    window().failureKind = FailureKind::DownloadFailed;
    PaintOnce();
    std::vector<std::string> expected = FrameLines(c.glyph);
    expected.insert(expected.end(), c.screen.begin(), c.screen.end());
    expected.push_back("Outline 242640");
    EXPECT_EQ(Described(), expected) << c.name;
  }
  EXPECT_EQ(LiveTextObjects(), 0);
}

// What a text format is made with. The style is not among them: the text interface makes every
// format upright (DWRITE_FONT_STYLE_NORMAL), so the portable code has no style to get wrong.
struct Face {
  std::u16string family;
  float emSize = 0;
  std::uint32_t weight = 0;
  std::uint32_t stretch = 0;
  WordWrapping wrapping = WordWrapping::NoWrap;
};

std::string Describe(const Face& face) {
  char size[32];
  std::snprintf(size, sizeof(size), "%.9g", static_cast<double>(face.emSize));
  return Ascii(face.family) + " " + size + " weight " + std::to_string(face.weight) + " stretch " +
         std::to_string(face.stretch) + (face.wrapping == WordWrapping::Wrap ? " wrap" : " nowrap");
}

std::string Describe(const FakeRenderApi::FormatRecord& format) {
  return Describe(
      Face{format.family, format.emSize, format.weight, format.stretch, format.wrapping});
}

// The fake has no logo font installed, so the logo's em size comes from the 0.7 cap-height
// fallback: the small mark's capitals are 0.60 of its 20-DIP square, the large ones 0.62 of 40.
const Face kSmallMark{u"Segoe UI Black", 20.0f * 0.60f / 0.7f, 900, 5};
const Face kLargeMark{u"Segoe UI Black", 40.0f * 0.62f / 0.7f, 900, 5};
const Face kLogoLine{u"Bahnschrift", 40.0f * 0.24f, 700, 3};
const Face kTitleFace{u"Segoe UI", 12.4f, 400, 5};
const Face kMainFace{u"Segoe UI", 13.0f, 400, 5};
const Face kSmallFace{u"Segoe UI", 12.0f, 400, 5};
const Face kMainWrapFace{u"Segoe UI", 13.0f, 400, 5, WordWrapping::Wrap};
const Face kSmallWrapFace{u"Segoe UI", 12.0f, 400, 5, WordWrapping::Wrap};

TEST_F(Painting, EveryTextIsSetInItsFace) {
  using Texts = std::vector<std::pair<std::u16string, Face>>;
  Texts frame = {{u"V", kSmallMark},
                 {u"ORNE", kSmallMark},
                 {u"Sandbox Setup", kTitleFace},
                 {u"V", kLargeMark}};
  frame.insert(frame.end(), 9, {u"ORNE", kLargeMark});
  frame.push_back({u"SANDBOX", kLogoLine});
  const struct {
    const char* name;
    UiPhase phase;
    Texts screen;
  } cases[] = {
      {"Downloading",
       UiPhase::Downloading,
       {{kEnglish.at(103), kMainFace}, {u"2.5 of 10.0 MB", kSmallFace}, {u"Cancel", kMainFace}}},
      {"Starting", UiPhase::Starting, {{kEnglish.at(105), kMainFace}}},
      {"Failure",
       UiPhase::Failed,
       {{kEnglish.at(106), kMainWrapFace},
        {kEnglish.at(107), kSmallWrapFace},
        {u"Cancel", kMainFace},
        {u"Try again", kMainFace}}},
  };
  // Every face the window sets any text in.
  std::set<std::string> faces;
  for (const auto& [text, face] : frame) {
    faces.insert(Describe(face));
  }
  for (const auto& c : cases) {
    for (const auto& [text, face] : c.screen) {
      faces.insert(Describe(face));
    }
  }
  AddWorker(5 * kMegabyte / 2, 10 * kMegabyte);
  for (const auto& c : cases) {
    window().phase = c.phase;
    window().failureKind = FailureKind::DownloadFailed;
    const std::size_t formatsBefore = render.formats().size();
    PaintOnce();

    std::vector<std::string> expected;
    for (const Texts* texts : {static_cast<const Texts*>(&frame), &c.screen}) {
      for (const auto& [text, face] : *texts) {
        expected.push_back(Ascii(text) + " | " + Describe(face));
      }
    }
    std::vector<std::string> drawn;
    for (const auto& event : render.events()) {
      if (event.op == Op::DrawText) {
        drawn.push_back(Ascii(event.text) + " | " + Describe(LayoutOf(&event).format));
      }
    }
    EXPECT_EQ(drawn, expected) << c.name;

    // Formats that only measure (the logo's sizing pass) or go unused on this screen are made in
    // one of those faces too.
    const auto& formats = render.formats();
    ASSERT_GT(formats.size(), formatsBefore) << c.name;
    for (std::size_t i = formatsBefore; i < formats.size(); ++i) {
      EXPECT_EQ(faces.count(Describe(formats[i])), 1u) << c.name << ": " << Describe(formats[i]);
    }
  }
}

TEST_F(Painting, FrameGeometry) {
  PaintOnce();
  const auto& events = render.events();
  ASSERT_GE(events.size(), 10u);
  EXPECT_EQ(events[1].rect, (RectF{0, 0, 420, 32}));
  EXPECT_EQ(events[2].rect, (RectF{10, 6, 30, 26}));

  // The title follows the mark at 6 DIPs, centred on y = 16.
  const auto* title = Text(u"Sandbox Setup");
  ASSERT_NE(title, nullptr);
  const auto* smallOrne = Text(u"ORNE");
  const float markWidth =
      smallOrne->origin.x + Width(u"ORNE", LayoutOf(smallOrne).format.emSize) - 10.0f;
  EXPECT_FLOAT_EQ(title->origin.x, 10.0f + markWidth + 6.0f);
  EXPECT_FLOAT_EQ(title->origin.y, 16.0f - FakeRenderApi::LineHeight(12.4f) / 2.0f);
  EXPECT_EQ(LayoutOf(title).format.emSize, 12.4f);
  EXPECT_EQ(LayoutOf(title).maxWidth, 10000.0f);

  const auto lines = Find(Op::DrawLine, ColorText);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].from, (PointF{392, 11}));
  EXPECT_EQ(lines[0].to, (PointF{402, 21}));
  EXPECT_EQ(lines[1].from, (PointF{392, 21}));
  EXPECT_EQ(lines[1].to, (PointF{402, 11}));
  EXPECT_EQ(lines[0].strokeWidth, 1.0f);

  const auto rule = Find(Op::FillRect, ColorLine);
  ASSERT_EQ(rule.size(), 1u);
  EXPECT_EQ(rule[0].rect, (RectF{0, 31, 420, 32}));

  // The large logo is centred on the measured width and starts at y = 54.
  const auto squares = Find(Op::FillRect, ColorAccent);
  ASSERT_EQ(squares.size(), 2u);
  const auto& big = squares[1];
  EXPECT_EQ(big.rect.top, 54.0f);
  EXPECT_EQ(big.rect.bottom - big.rect.top, 40.0f);
  const auto* sandbox = Text(u"SANDBOX");
  ASSERT_NE(sandbox, nullptr);
  const float bigOrneWidth = Width(u"ORNE", 40.0f * 0.62f / 0.7f);
  const float logoWidth = 40.0f * 0.07f + 40.0f + bigOrneWidth;
  EXPECT_NEAR(big.rect.left, (420.0f - logoWidth) * 0.5f, 1e-4f);
  EXPECT_FLOAT_EQ(sandbox->origin.y, 97.2f);

  const auto& border = events.back();
  EXPECT_EQ(border.op, Op::DrawRect);
  EXPECT_EQ(border.rect, (RectF{0.5f, 0.5f, 419.5f, 235.5f}));
  EXPECT_EQ(border.strokeWidth, 1.0f);

  EXPECT_EQ(window().closeRect, (RectF{374, 0, 420, 32}));
}

TEST_F(Painting, StatusLineAndBarHangFromTheLogo) {
  ASSERT_NEAR(kYText, 129.76f, 1e-4f);
  ASSERT_NEAR(kYBar, 147.76f, 1e-4f);
  AddWorker(kMegabyte, 4 * kMegabyte);
  PaintOnce();
  const auto* status = Text(u"Downloading VORNE Sandbox\u2026");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->origin.x, 28.0f);
  EXPECT_EQ(status->origin.y, kYText - FakeRenderApi::LineHeight(13.0f) / 2.0f);
  const auto track = Find(Op::FillRoundedRect, ColorLine);
  ASSERT_EQ(track.size(), 1u);
  EXPECT_EQ(track[0].rect, (RectF{28, kYBar, 392, kYBar + 6}));
  EXPECT_EQ(track[0].radius, 3.0f);
}

TEST_F(Painting, BarFillFollowsTheCounters) {
  struct Case {
    std::uint64_t received;
    std::uint64_t total;
    bool worker;
    bool filled;
    float right;
  };
  const Case cases[] = {
      {0, 10 * kMegabyte, true, false, 0},  // nothing yet: track only
      {1, 3, true, true, static_cast<float>(1.0 / 3.0) * 364.0f + 28.0f},
      {kMegabyte, 4 * kMegabyte, true, true, 119.0f},
      {4 * kMegabyte, 4 * kMegabyte, true, true, 392.0f},
      {9 * kMegabyte, 4 * kMegabyte, true, true, 392.0f},  // ahead of its total: clamped
      {5 * kMegabyte, 0, true, false, 0},                  // no total yet
      {0, 0, false, false, 0},                             // no worker
  };
  for (const Case& c : cases) {
    host.window.worker.reset();
    if (c.worker) {
      AddWorker(c.received, c.total);
    }
    PaintOnce();
    const auto fill = Find(Op::FillRoundedRect, ColorProgress);
    ASSERT_EQ(fill.size(), c.filled ? 1u : 0u) << c.received << "/" << c.total;
    EXPECT_EQ(Find(Op::FillRoundedRect, ColorLine).size(), 1u) << "the track is always there";
    if (c.filled) {
      EXPECT_EQ(fill[0].rect, (RectF{28, kYBar, c.right, kYBar + 6}))
          << c.received << "/" << c.total;
      EXPECT_EQ(fill[0].radius, 3.0f);
    }
  }
}

TEST_F(Painting, StatusLineIsTrimmedBeforeTheFigures) {
  AddWorker(5 * kMegabyte / 2, 10 * kMegabyte);
  PaintOnce();
  const auto* figures = Text(u"2.5 of 10.0 MB");
  ASSERT_NE(figures, nullptr);
  const float sw = Width(u"2.5 of 10.0 MB", 12.0f);
  EXPECT_FLOAT_EQ(figures->origin.x, 392.0f - sw);
  EXPECT_EQ(figures->origin.y, kYText - FakeRenderApi::LineHeight(12.0f) / 2.0f);
  EXPECT_EQ(LayoutOf(figures).format.emSize, 12.0f);

  const auto* status = Text(u"Downloading VORNE Sandbox\u2026");
  ASSERT_NE(status, nullptr);
  const auto& layout = LayoutOf(status);
  EXPECT_EQ(layout.maxWidth, (364.0f - sw) - 12.0f);
  EXPECT_EQ(layout.format.emSize, 13.0f);
  EXPECT_EQ(layout.format.wrapping, WordWrapping::NoWrap);
  EXPECT_TRUE(layout.trimmed);
  EXPECT_EQ(layout.trimming.granularity, kTrimmingGranularityCharacter);
  EXPECT_EQ(layout.trimming.delimiter, 0u);
  EXPECT_EQ(layout.trimming.delimiterCount, 0u);
  EXPECT_TRUE(layout.trimmingSign);
}

TEST_F(Painting, WithoutATotalTheStatusLineMayUse352) {
  AddWorker(0, 0);
  PaintOnce();
  const auto* status = Text(u"Downloading VORNE Sandbox\u2026");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(LayoutOf(status).maxWidth, 352.0f);
  const auto* figures = Text(u"");
  ASSERT_NE(figures, nullptr);
  EXPECT_EQ(figures->origin.x, 392.0f);
}

TEST_F(Painting, WithoutATrimmingSignTheStatusLineIsUntrimmed) {
  render.failTrimmingSign = true;
  PaintOnce();
  const auto* status = Text(u"Downloading VORNE Sandbox\u2026");
  ASSERT_NE(status, nullptr);
  EXPECT_FALSE(LayoutOf(status).trimmed);
  EXPECT_EQ(LiveTextObjects(), 0);
}

TEST_F(Painting, FailureTextsFollowTheKind) {
  struct Case {
    std::uint32_t kind;
    std::uint32_t code;
    std::u16string headline;
    std::u16string detail;
  };
  const Case cases[] = {
      {0, 12029, kEnglish.at(106), kEnglish.at(107)},
      {1, 0x80096010, kEnglish.at(106), kEnglish.at(108)},
      {2, 0x80004005, kEnglish.at(109), u"Windows reported error 2147500037."},
      {7, 2, kEnglish.at(109), u"Windows reported error 2."},
  };
  for (const Case& c : cases) {
    window().phase = UiPhase::Failed;
    window().failureKind = static_cast<FailureKind>(c.kind);
    window().errorCode = c.code;
    PaintOnce();
    const auto* headline = Text(c.headline);
    const auto* detail = Text(c.detail);
    ASSERT_NE(headline, nullptr) << c.kind;
    ASSERT_NE(detail, nullptr) << c.kind;
    EXPECT_EQ(headline->color, RgbToColorF(ColorError));
    EXPECT_EQ(detail->color, RgbToColorF(ColorTextMuted));
    EXPECT_EQ(headline->origin, (PointF{28, kYText - 10.0f}));
    // The headline wraps in the fake when wider than 364 at 13 DIPs.
    const float headHeight =
        FakeRenderApi::LineHeight(13.0f) * std::ceil(Width(c.headline, 13.0f) / 364.0f);
    EXPECT_EQ(detail->origin, (PointF{28, kYText - 10.0f + headHeight + 4.0f})) << c.kind;
    for (const auto* text : {headline, detail}) {
      EXPECT_EQ(LayoutOf(text).format.wrapping, WordWrapping::Wrap);
      EXPECT_EQ(LayoutOf(text).maxWidth, 364.0f);
    }
    EXPECT_EQ(LayoutOf(headline).format.emSize, 13.0f);
    EXPECT_EQ(LayoutOf(detail).format.emSize, 12.0f);
  }
}

TEST_F(Painting, AWrappedHeadlinePushesTheExplanationDown) {
  auto texts = kEnglish;
  texts[106] = std::u16string(70, u'W');  // 70 x 6.5 = 455 DIPs: two lines in the fake
  resources.SetStrings(0x0409, texts);
  window().phase = UiPhase::Failed;
  PaintOnce();
  const auto* detail = Text(kEnglish.at(107));
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->origin.y, kYText - 10.0f + 2 * FakeRenderApi::LineHeight(13.0f) + 4.0f);
}

TEST_F(Painting, ButtonRectanglesFollowTheScreen) {
  window().phase = UiPhase::Failed;
  PaintOnce();
  EXPECT_EQ(window().cancelRect, (RectF{304, 192, 392, 220}));
  EXPECT_EQ(window().retryRect, (RectF{208, 192, 296, 220}));
  EXPECT_EQ(window().closeRect, (RectF{374, 0, 420, 32}));
  // Cancel first, then "Try again" over it.
  const auto buttons = Described();
  const auto cancelAt = std::find(buttons.begin(), buttons.end(), "FillRounded 1E2038");
  const auto retryAt = std::find(buttons.begin(), buttons.end(), "FillRounded 802A8A");
  ASSERT_NE(cancelAt, buttons.end());
  ASSERT_NE(retryAt, buttons.end());
  EXPECT_LT(cancelAt, retryAt);

  window().phase = UiPhase::Starting;
  PaintOnce();
  EXPECT_EQ(window().cancelRect, RectF{});
  EXPECT_EQ(window().retryRect, RectF{});
  EXPECT_EQ(window().closeRect, (RectF{374, 0, 420, 32}));

  window().phase = UiPhase::Downloading;
  window().retryRect = RectF{1, 2, 3, 4};
  PaintOnce();
  EXPECT_EQ(window().cancelRect, (RectF{304, 192, 392, 220}));
  EXPECT_EQ(window().retryRect, RectF{});
}

TEST_F(Painting, AWideCancelPushesTryAgainLeft) {
  auto texts = kEnglish;
  texts[112] = u"Abbrechen12";  // 71.5 DIPs: a 95.5-DIP button
  resources.SetStrings(0x0409, texts);
  window().phase = UiPhase::Failed;
  PaintOnce();
  EXPECT_EQ(window().cancelRect, (RectF{392 - 95.5f, 192, 392, 220}));
  EXPECT_EQ(window().retryRect.right, 392 - 95.5f - 8.0f);
  EXPECT_EQ(window().retryRect.right - window().retryRect.left, 88.0f);
}

TEST_F(Painting, HoverColours) {
  struct Case {
    UiPhase phase;
    ButtonId hovered;
    std::vector<std::uint32_t> buttonFills;  // in draw order
    bool closeLit;
  };
  const Case cases[] = {
      {UiPhase::Downloading, ButtonId::None, {ColorButton}, false},
      {UiPhase::Downloading, ButtonId::Cancel, {ColorButtonHover}, false},
      {UiPhase::Downloading, ButtonId::Close, {ColorButton}, true},
      {UiPhase::Failed, ButtonId::TryAgain, {ColorButton, ColorAccentHover}, false},
      {UiPhase::Failed, ButtonId::Cancel, {ColorButtonHover, ColorAccent}, false},
      {UiPhase::Failed, ButtonId::Close, {ColorButton, ColorAccent}, true},
      {UiPhase::Starting, ButtonId::Close, {}, false},
  };
  for (const Case& c : cases) {
    window().phase = c.phase;
    window().hoveredButton = c.hovered;
    PaintOnce();
    std::vector<std::uint32_t> fills;
    for (const auto& event : render.events()) {
      if (event.op == Op::FillRoundedRect && event.rect.top == 192.0f) {
        for (std::uint32_t rgb : {ColorButton, ColorButtonHover, ColorAccent, ColorAccentHover}) {
          if (event.color == RgbToColorF(rgb)) {
            fills.push_back(rgb);
          }
        }
      }
    }
    EXPECT_EQ(fills, c.buttonFills) << static_cast<int>(c.phase) << static_cast<int>(c.hovered);
    const auto lit = Find(Op::FillRect, ColorButtonHover);
    ASSERT_EQ(lit.size(), c.closeLit ? 1u : 0u);
    if (c.closeLit) {
      EXPECT_EQ(lit[0].rect, (RectF{374, 0, 420, 32}));
    }
  }
}

TEST_F(Painting, StartingScreenShowsAFullBarAndAMutedGlyph) {
  window().phase = UiPhase::Starting;
  AddWorker(kMegabyte, 4 * kMegabyte);
  PaintOnce();
  const auto* status = Text(kEnglish.at(105));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->origin, (PointF{28, kYText - FakeRenderApi::LineHeight(13.0f) / 2.0f}));
  EXPECT_EQ(LayoutOf(status).maxWidth, 364.0f);
  EXPECT_FALSE(LayoutOf(status).trimmed);

  const auto bar = Find(Op::FillRoundedRect, ColorProgress);
  ASSERT_EQ(bar.size(), 1u);
  EXPECT_EQ(bar[0].rect, (RectF{28, kYBar, 392, kYBar + 6}));
  EXPECT_TRUE(Find(Op::FillRoundedRect, ColorLine).empty()) << "no track under the full bar";
  EXPECT_EQ(Find(Op::DrawLine, ColorTextMuted).size(), 2u);
  EXPECT_EQ(Find(Op::DrawLine, ColorText).size(), 0u);
  EXPECT_EQ(Text(kEnglish.at(112)), nullptr);
  EXPECT_EQ(Text(u"1.0 of 4.0 MB"), nullptr);
}

TEST_F(Painting, MissingTextObjectsDrawNothingButTheRestStays) {
  render.missingFamilies.insert(u"Segoe UI");
  window().phase = UiPhase::Failed;
  PaintOnce();
  for (const auto& event : render.events()) {
    if (event.op == Op::DrawText) {
      EXPECT_THAT(event.text, ::testing::AnyOf(u"V", u"ORNE", u"SANDBOX"));
    }
  }
  // Buttons without labels are 88 wide and still hit-testable; the frame is complete.
  EXPECT_EQ(window().cancelRect, (RectF{304, 192, 392, 220}));
  EXPECT_EQ(window().retryRect, (RectF{208, 192, 296, 220}));
  EXPECT_EQ(render.events().back().op, Op::DrawRect);
  EXPECT_EQ(LiveTextObjects(), 0);
}

TEST_F(Painting, AMissingFiguresLayoutLeavesTheStatusLineTheWholeRow) {
  AddWorker(5 * kMegabyte / 2, 10 * kMegabyte);
  render.failingTexts.insert(u"2.5 of 10.0 MB");
  PaintOnce();
  const auto* status = Text(u"Downloading VORNE Sandbox\u2026");
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(LayoutOf(status).maxWidth, 352.0f);
  EXPECT_EQ(Find(Op::DrawText, ColorTextMuted).size(), 0u);
}

TEST_F(Painting, NoRenderTargetMeansNoDrawingAndNoRectangles) {
  render.createTargetResult = static_cast<HResult>(0x8007000E);
  window().phase = UiPhase::Failed;
  window().closeRect = RectF{1, 1, 2, 2};
  window().retryRect = RectF{3, 3, 4, 4};
  window().cancelRect = RectF{5, 5, 6, 6};
  PaintOnce();
  EXPECT_EQ(render.beginDraws(), 0);
  EXPECT_TRUE(render.events().empty());
  EXPECT_EQ(window().closeRect, (RectF{1, 1, 2, 2}));
  EXPECT_EQ(window().retryRect, (RectF{3, 3, 4, 4}));
  EXPECT_EQ(window().cancelRect, (RectF{5, 5, 6, 6}));
  EXPECT_EQ(render.formats().size(), 0u);
}

TEST_F(Painting, NoBrushMeansNoTargetAndNoDrawing) {
  render.createBrushResult = kEFail;
  PaintOnce();
  EXPECT_EQ(render.beginDraws(), 0);
  EXPECT_TRUE(render.events().empty());
  EXPECT_FALSE(window().renderTarget);
  EXPECT_EQ(render.live(Kind::RenderTarget), 0);
  EXPECT_EQ(window().closeRect, RectF{});

  render.createBrushResult = kSOk;
  PaintOnce();
  EXPECT_EQ(render.beginDraws(), 1);
  EXPECT_EQ(window().closeRect, (RectF{374, 0, 420, 32}));
}

TEST_F(Painting, DeviceLossDropsBrushThenTargetAndTheNextPaintStartsAfresh) {
  render.endDrawResult = kD2dErrRecreateTarget;
  PaintOnce();
  EXPECT_FALSE(window().brush);
  EXPECT_FALSE(window().renderTarget);
  ASSERT_GE(render.releases().size(), 2u);
  std::vector<Kind> device;
  for (Kind kind : render.releases()) {
    if (kind == Kind::Brush || kind == Kind::RenderTarget) {
      device.push_back(kind);
    }
  }
  EXPECT_THAT(device, ElementsAre(Kind::Brush, Kind::RenderTarget));

  render.endDrawResult = kSOk;
  PaintOnce();
  EXPECT_EQ(render.targets().size(), 2u);
  EXPECT_EQ(render.brushesCreated(), 2);
  EXPECT_EQ(render.brushColorAtCreation(), RgbToColorF(ColorText));
  EXPECT_TRUE(window().renderTarget);
  EXPECT_TRUE(window().brush);
  EXPECT_EQ(render.events().front().target, window().renderTarget.get());
}

TEST_F(Painting, OtherEndDrawFailuresKeepTheResources) {
  render.endDrawResult = kEFail;
  PaintOnce();
  PaintOnce();
  EXPECT_TRUE(window().renderTarget);
  EXPECT_EQ(render.targets().size(), 1u);
}

}  // namespace
