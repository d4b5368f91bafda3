// Whether every text of every screen fits its room, in every string table linked into this
// program, laid out with the real DirectWrite in the formats the paint uses. The prefix has no
// "Segoe UI": the program maps the window's families to the fonts the test dependencies install,
// as the screenshot runs do (tests/e2e/gui.py), and takes every measured width and height
// kMargin times larger, for Segoe UI's wider glyphs.
//
// For every check it prints one line per table, the width against its room, and at the end the
// tightest room each table leaves; a text that does not fit fails its check.
#include <dwrite.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "l10n/number_format.h"
#include "l10n/string_table.h"
#include "platform/com_holder.h"
#include "platform/win32/com_release.h"
#include "platform/win32/win32_d2d.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "render/button.h"
#include "render/logo.h"
#include "render/palette.h"
#include "render/primitives.h"
#include "tests/fakes/forwarding_locale_api.h"
#include "tests/l10n/expected_rows.h"
#include "tests/l10n/utf8.h"
#include "tests/win32/harness.h"
#include "tests/win32/stack_text_renderer.h"

namespace {

// Segoe UI's glyphs run wider than those of Roboto, which stands in for it here: every measured
// width and height is taken this much larger before it is compared with its room.
constexpr float kMargin = 1.05f;

constexpr std::uint64_t kThreeDigitBytes = 1048523162;  // 999.9 MB, the largest below a thousand
constexpr std::uint64_t kFourDigitBytes = 1073741824;   // 1,024.0 MB, the largest total accepted
constexpr std::uint32_t kLongestErrorCode = 4294967295u;
constexpr float kHeadlineAboveText = 10.0f;   // the headline's top above the status line's centre
constexpr float kExplanationGap = 4.0f;       // between the headline and the explanation
constexpr float kButtonBandClearance = 8.0f;  // the failure texts end this far above the buttons
constexpr float kCloseBoxLeft = kCanvasWidth - kCloseBoxWidth;

// The tables whose status line may be cut beside four-digit figures. A table belongs here only
// when its size row (104, which the translations may not change) is so long beside "1,024.0"
// that no natural status line fits next to it. None is: even the Chinese rows, the longest,
// leave room for a short status line.
constexpr std::array<LangId, 0> kMayTrimBesideFourDigits{};

// Table languages Wine has no locale for, and the locale of the same language and script that
// writes numbers as that one does on Windows.
constexpr struct {
  LangId language;
  const char16_t* locale;
} kLocaleStandIns[] = {
    {0x081A, u"sr-Latn-RS"},  // Serbian (Latin), Serbia and Montenegro (former): 1.024,0
};

// Wine's replacement families (HKCU\Software\Wine\Fonts\Replacements), the same that
// tests/e2e/gui.py sets for the screenshots: the program's families and the families Wine's
// DirectWrite falls back to for Chinese, mapped to fonts that tools/install-deps.sh installs.
constexpr const wchar_t* kFontReplacements[][2] = {
    {L"Segoe UI", L"Roboto"},
    {L"Segoe UI Black", L"Roboto"},
    {L"Bahnschrift", L"Roboto"},
    {L"Noto Sans CJK SC", L"WenQuanYi Micro Hei"},
    {L"Noto Sans CJK TC", L"WenQuanYi Micro Hei"},
    {L"Noto Sans CJK HK", L"WenQuanYi Micro Hei"},
};

bool MapFonts() {
  HKEY key = nullptr;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Fonts\\Replacements", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (const auto& replacement : kFontReplacements) {
    const DWORD bytes = static_cast<DWORD>((std::wcslen(replacement[1]) + 1) * sizeof(wchar_t));
    ok = ::RegSetValueExW(key, replacement[0], 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(replacement[1]), bytes) == ERROR_SUCCESS &&
         ok;
  }
  ::RegCloseKey(key);
  return ok;
}

std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  return buffer;
}

// Number settings as a user of the table's language has them: the separator queries and the
// number formatting name the table's locale instead of the user's default, and ask for the
// locale's own separators, not the ones the user of this prefix may have chosen for it.
class TableLocale final : public ForwardingLocaleApi {
 public:
  TableLocale(const LocaleApi& real, std::u16string name)
      : ForwardingLocaleApi(real), name_(std::move(name)) {}
  int GetLocaleInfoEx(const char16_t*, std::uint32_t lcType, char16_t* data,
                      int dataLength) const override {
    return ForwardingLocaleApi::GetLocaleInfoEx(name_.c_str(), lcType | LOCALE_NOUSEROVERRIDE, data,
                                                dataLength);
  }
  int GetNumberFormatEx(const char16_t*, std::uint32_t flags, const char16_t* value,
                        const NumberFormat& format, char16_t* numberStr,
                        int numberLength) const override {
    return ForwardingLocaleApi::GetNumberFormatEx(name_.c_str(), flags, value, format, numberStr,
                                                  numberLength);
  }

 private:
  std::u16string name_;
};

// Direct2D left out: the button is measured by its own drawing code, which needs somewhere to
// draw. Keeps where the label went.
class NoDrawing final : public DrawingApi {
 public:
  PixelRect GetClientRect(WindowHandle) override { return PixelRect{}; }
  std::uint32_t GetDpiForWindow(WindowHandle) override { return 96; }
  HResult CreateHwndRenderTarget(ID2D1Factory*, WindowHandle, float, std::uint32_t, std::uint32_t,
                                 ComHolder<ID2D1HwndRenderTarget>&) override {
    return kEFail;
  }
  void SetTextAntialiasMode(ID2D1HwndRenderTarget*, TextAntialiasMode) override {}
  HResult CreateSolidColorBrush(ID2D1HwndRenderTarget*, const ColorF&,
                                ComHolder<ID2D1SolidColorBrush>&) override {
    return kEFail;
  }
  void BeginDraw(ID2D1HwndRenderTarget*) override {}
  HResult EndDraw(ID2D1HwndRenderTarget*) override { return kSOk; }
  void Clear(ID2D1HwndRenderTarget*, const ColorF&) override {}
  void SetColor(ID2D1SolidColorBrush*, const ColorF&) override {}
  void FillRectangle(ID2D1HwndRenderTarget*, const RectF&, ID2D1SolidColorBrush*) override {}
  void FillRoundedRectangle(ID2D1HwndRenderTarget*, const RoundedRectF&,
                            ID2D1SolidColorBrush*) override {}
  void DrawRectangle(ID2D1HwndRenderTarget*, const RectF&, ID2D1SolidColorBrush*, float) override {}
  void DrawRoundedRectangle(ID2D1HwndRenderTarget*, const RoundedRectF&, ID2D1SolidColorBrush*,
                            float) override {}
  void DrawLine(ID2D1HwndRenderTarget*, PointF, PointF, ID2D1SolidColorBrush*, float) override {}
  void DrawTextLayout(ID2D1HwndRenderTarget*, PointF origin, IDWriteTextLayout*,
                      ID2D1SolidColorBrush*) override {
    labelOrigin = origin;
  }

  PointF labelOrigin;
};

// What a layout draws: glyphs, glyphs the font lacks (index 0, the empty box), and inline objects,
// of which the only one here is the trimming sign.
class DrawnGlyphs final : public StackTextRenderer {
 public:
  HRESULT STDMETHODCALLTYPE DrawGlyphRun(void*, FLOAT, FLOAT, DWRITE_MEASURING_MODE,
                                         const DWRITE_GLYPH_RUN* run,
                                         const DWRITE_GLYPH_RUN_DESCRIPTION*, IUnknown*) override {
    if (firstFace == nullptr) {
      firstFace = run->fontFace;
    }
    for (UINT32 i = 0; i < run->glyphCount; ++i) {
      ++glyphs;
      if (run->glyphIndices != nullptr && run->glyphIndices[i] == 0) {
        ++missing;
      }
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DrawInlineObject(void*, FLOAT, FLOAT, IDWriteInlineObject*, BOOL, BOOL,
                                             IUnknown*) override {
    ++inlineObjects;
    return S_OK;
  }

  IDWriteFontFace* firstFace = nullptr;  // not owned: valid while the layout lives
  int glyphs = 0;
  int missing = 0;
  int inlineObjects = 0;
};

// Where a font face's file lies, for the report; "?" when DirectWrite cannot say.
std::string FontFilePath(IDWriteFontFace* face) {
  UINT32 count = 1;
  IDWriteFontFile* file = nullptr;
  if (face == nullptr || FAILED(face->GetFiles(&count, &file)) || file == nullptr) {
    return "?";
  }
  std::string path = "?";
  const void* key = nullptr;
  UINT32 keySize = 0;
  IDWriteFontFileLoader* loader = nullptr;
  IDWriteLocalFontFileLoader* local = nullptr;
  if (SUCCEEDED(file->GetReferenceKey(&key, &keySize)) && SUCCEEDED(file->GetLoader(&loader)) &&
      SUCCEEDED(loader->QueryInterface(__uuidof(IDWriteLocalFontFileLoader),
                                       reinterpret_cast<void**>(&local)))) {
    wchar_t buffer[MAX_PATH] = {};
    if (SUCCEEDED(local->GetFilePathFromKey(key, keySize, buffer, MAX_PATH))) {
      path = Utf8(reinterpret_cast<const char16_t*>(buffer));
    }
    local->Release();
  }
  if (loader != nullptr) {
    loader->Release();
  }
  file->Release();
  return path;
}

// The real DirectWrite with the paint's formats, on a canvas that draws nothing.
struct Measurer {
  Measurer() {
    fontsMapped = MapFonts();
    ::DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                          reinterpret_cast<IUnknown**>(factory.put(&ReleaseCom<IDWriteFactory>)));
  }
  Canvas MakeCanvas() {
    return Canvas{drawing, api, factory.get(), nullptr, nullptr, ButtonId::None};
  }
  TextFormat Ui(float size, bool wrap) {
    TextFormat format =
        MakeTextFormat(MakeCanvas(), kFamilyUi, kFontWeightNormal, kFontStretchNormal, size);
    if (format && wrap) {
      api.SetWordWrapping(format.get(), WordWrapping::Wrap);
    }
    return format;
  }

  bool fontsMapped = false;
  Win32RenderApi api;
  NoDrawing drawing;
  ComHolder<IDWriteFactory> factory;
};

// One laid-out text: its natural one-line width and height, or with wrapping its lines and
// height at the column width shrunk by the margin; all in DIPs before the margin.
struct Laid {
  float width = 0;
  float height = 0;
  std::uint32_t lines = 0;
  int missingGlyphs = 0;
  bool measured = false;
};

Laid Lay(Measurer& measurer, const std::u16string& text, float size, float wrapWidth = 0) {
  Laid laid;
  const Canvas canvas = measurer.MakeCanvas();
  const TextFormat format = measurer.Ui(size, wrapWidth > 0);
  const TextLayout layout =
      MakeTextLayout(canvas, text, format.get(), wrapWidth > 0 ? wrapWidth : kUnboundedWidth);
  if (!layout) {
    return laid;
  }
  TextMetrics metrics{};
  laid.measured = Succeeded(measurer.api.GetMetrics(layout.get(), metrics)) &&
                  metrics.widthIncludingTrailingWhitespace > 0 && metrics.height > 0;
  laid.width = metrics.widthIncludingTrailingWhitespace;
  laid.height = metrics.height;
  laid.lines = metrics.lineCount;
  DrawnGlyphs drawn;
  layout->Draw(nullptr, &drawn, 0, 0);
  laid.missingGlyphs = drawn.missing;
  laid.measured = laid.measured && drawn.glyphs > 0;
  return laid;
}

// Whether the real status layout, in a box shrunk by the margin and trimmed as the Downloading
// screen trims it, draws the ellipsis sign.
bool DrawsTrimmingSign(Measurer& measurer, const std::u16string& status, float box) {
  const Canvas canvas = measurer.MakeCanvas();
  const TextFormat format = measurer.Ui(kMainTextSize, false);
  const TextLayout layout = MakeTextLayout(canvas, status, format.get(), std::max(box, 1.0f));
  ComHolder<IDWriteInlineObject> sign;
  if (!layout ||
      !Succeeded(
          measurer.api.CreateEllipsisTrimmingSign(measurer.factory.get(), format.get(), sign)) ||
      !sign) {
    return false;
  }
  measurer.api.SetTrimming(layout.get(), Trimming{kTrimmingGranularityCharacter, 0, 0}, sign.get());
  DrawnGlyphs drawn;
  layout->Draw(nullptr, &drawn, 0, 0);
  return drawn.inlineObjects > 0;
}

// The status line beside one pair of size figures; widths with the margin.
struct StatusFit {
  std::u16string figuresText;
  float figures = 0;
  float status = 0;
  float room = 0;
  bool drawsSign = false;
  int missingGlyphs = 0;
  bool measured = false;
  float Left() const { return room - status; }
};

// A button: its label, what DrawButton made of it, and its width with the margin on the label.
struct ButtonFit {
  Laid label;
  float drawnWidth = 0;     // what DrawButton returned
  RectF drawnBounds;        // and wrote
  PointF drawnLabelOrigin;  // where it put the label
  float Width() const {
    return std::max(kButtonMinWidth, label.width * kMargin + 2 * kButtonPadding);
  }
};

struct TableFit {
  LangId language = 0;
  std::u16string localeName;
  bool localeStandIn = false;  // Wine has no locale of this LANGID; localeName stands in
  std::u16string decimal;
  std::u16string thousands;
  StatusFit three;
  StatusFit four;
  Laid starting;
  Laid headlines[2];         // 106, 109 on one line
  Laid wrappedHeadlines[2];  // the same in the column
  Laid explanations[3];      // 107, 108 (under 106) and 110 (under 109), in the column
  ButtonFit tryAgain;
  ButtonFit cancel;
  Laid title;
  float titleLeft = 0;
  std::vector<std::string> problems;  // what could not be measured or has no glyph

  float TryAgainLeft() const {
    return kColumnRight - cancel.Width() - kButtonGap - tryAgain.Width();
  }
};

struct Frame {
  float logoHeight = 0;
  float markWidth = 0;
  float headlineTop = 0;
  bool familyFound = false;
};

StatusFit FitStatus(Measurer& measurer, const LocaleApi& locale, const std::u16string& status,
                    const std::u16string& sizePattern, std::uint64_t bytes) {
  StatusFit fit;
  const std::u16string figure = FormatMegabytes(locale, bytes);
  fit.figuresText = SubstitutePlaceholders(sizePattern, figure, figure);
  const Laid figures = Lay(measurer, fit.figuresText, kSmallTextSize);
  const Laid line = Lay(measurer, status, kMainTextSize);
  fit.figures = figures.width * kMargin;
  fit.status = line.width * kMargin;
  fit.room = kColumnWidth - fit.figures - kStatusGap;
  fit.drawsSign = DrawsTrimmingSign(measurer, status, fit.room / kMargin);
  fit.missingGlyphs = figures.missingGlyphs + line.missingGlyphs;
  fit.measured = figures.measured && line.measured;
  return fit;
}

ButtonFit FitButton(Measurer& measurer, const std::u16string& label, float right, bool primary,
                    ButtonId id) {
  ButtonFit fit;
  fit.label = Lay(measurer, label, kMainTextSize);
  fit.drawnWidth =
      DrawButton(measurer.MakeCanvas(), label, right, kButtonTop, primary, id, fit.drawnBounds);
  fit.drawnLabelOrigin = measurer.drawing.labelOrigin;
  return fit;
}

std::u16string LocaleNameOf(const LocaleApi& locale, LangId language) {
  char16_t name[kLocaleNameMaxLength] = {};
  if (locale.LCIDToLocaleName(language, name, kLocaleNameMaxLength, kLocaleAllowNeutralNames) ==
      0) {
    return u"";
  }
  return name;
}

// What `locale` gives for one query of its own locale, as FormatMegabytes asks it.
std::u16string LocaleText(const LocaleApi& locale, std::uint32_t lcType) {
  char16_t data[8] = {};
  if (locale.GetLocaleInfoEx(nullptr, lcType, data, 8) == 0) {
    return u"";
  }
  return data;
}

TableFit FitTable(Measurer& measurer, const Win32ResourceApi& resources, const Win32LocaleApi& real,
                  const Frame& frame, LangId language) {
  TableFit fit;
  fit.language = language;
  auto text = [&](std::uint16_t id) {
    std::u16string s = LoadStringForLanguage(resources, id, language);
    if (s.empty()) {
      fit.problems.push_back(Format("%u is missing", id));
    }
    return s;
  };
  auto note = [&](const Laid& laid, std::uint16_t id) {
    if (!laid.measured) {
      fit.problems.push_back(Format("%u could not be laid out", id));
    }
    if (laid.missingGlyphs > 0) {
      fit.problems.push_back(Format("%u: %d glyphs missing", id, laid.missingGlyphs));
    }
  };

  fit.localeName = LocaleNameOf(real, language);
  for (const auto& standIn : kLocaleStandIns) {
    if (fit.localeName.empty() && standIn.language == language) {
      fit.localeName = standIn.locale;
      fit.localeStandIn = true;
    }
  }
  const TableLocale locale(real, fit.localeName);
  fit.decimal = LocaleText(locale, kLocaleSDecimal);
  fit.thousands = LocaleText(locale, kLocaleSThousand);
  if (fit.localeName.empty() || fit.decimal.empty() || fit.thousands.empty()) {
    fit.problems.push_back("no number settings for the table's locale");
  }
  // A figure the platform could not format falls back to "1024.0", narrower than the table's own.
  const std::u16string grouped = u"1" + fit.thousands + u"024" + fit.decimal + u"0";
  if (FormatMegabytes(locale, kFourDigitBytes) != grouped) {
    fit.problems.push_back("1,024.0 is not written in the table's number format");
  }

  const std::u16string status = text(kStrDownloading);
  const std::u16string sizes = text(kStrSizeFigures);
  fit.three = FitStatus(measurer, locale, status, sizes, kThreeDigitBytes);
  fit.four = FitStatus(measurer, locale, status, sizes, kFourDigitBytes);
  for (const StatusFit* s : {&fit.three, &fit.four}) {
    if (!s->measured) {
      fit.problems.push_back("103 or 104 could not be laid out");
    }
    if (s->missingGlyphs > 0) {
      fit.problems.push_back(Format("103 or 104: %d glyphs missing", s->missingGlyphs));
    }
  }

  fit.starting = Lay(measurer, text(kStrStarting), kMainTextSize);
  note(fit.starting, kStrStarting);

  const std::uint16_t headlineIds[2] = {kStrDownloadFailed, kStrLaunchFailed};
  for (int i = 0; i < 2; ++i) {
    const std::u16string headline = text(headlineIds[i]);
    fit.headlines[i] = Lay(measurer, headline, kMainTextSize);
    fit.wrappedHeadlines[i] = Lay(measurer, headline, kMainTextSize, kColumnWidth / kMargin);
    note(fit.headlines[i], headlineIds[i]);
  }
  const std::u16string explanations[3] = {
      text(kStrCheckConnection), text(kStrFileDamaged),
      SubstitutePlaceholders(text(kStrWindowsError), FormatDecimal(kLongestErrorCode), u"")};
  const std::uint16_t explanationIds[3] = {kStrCheckConnection, kStrFileDamaged, kStrWindowsError};
  for (int i = 0; i < 3; ++i) {
    fit.explanations[i] = Lay(measurer, explanations[i], kSmallTextSize, kColumnWidth / kMargin);
    note(fit.explanations[i], explanationIds[i]);
  }

  const std::u16string cancel = text(kStrCancel);
  const std::u16string tryAgain = text(kStrTryAgain);
  fit.cancel = FitButton(measurer, cancel, kColumnRight, false, ButtonId::Cancel);
  fit.tryAgain = FitButton(measurer, tryAgain, kColumnRight - fit.cancel.drawnWidth - kButtonGap,
                           true, ButtonId::TryAgain);
  note(fit.cancel.label, kStrCancel);
  note(fit.tryAgain.label, kStrTryAgain);

  fit.title = Lay(measurer, text(kStrHeading), kTitleTextSize);
  note(fit.title, kStrHeading);
  // The mark's letters are the stand-in's too, so the title starts as much further right.
  fit.titleLeft = kSmallLogoLeft + frame.markWidth * kMargin + kTitleGap;
  return fit;
}

Measurer& TheMeasurer() {
  static Measurer measurer;
  return measurer;
}

Frame MeasureFrame() {
  Measurer& measurer = TheMeasurer();
  Frame frame;
  const Canvas canvas = measurer.MakeCanvas();
  // As the paint does: the large logo measured at the origin gives the status line's centre.
  frame.logoHeight = DrawLogo(canvas, false, 0, 0, kLargeLogoSize).height;
  const float yText = (frame.logoHeight + kLargeLogoTop) + kTextBelowLogo;
  frame.headlineTop = yText - kHeadlineAboveText;
  frame.markWidth =
      DrawLogoMark(canvas, false, kSmallLogoLeft, kSmallLogoTop, kSmallLogoSize, false);
  ComHolder<IDWriteFontCollection> collection;
  std::uint32_t index = 0;
  measurer.api.GetSystemFontCollection(measurer.factory.get(), collection, false);
  if (collection) {
    measurer.api.FindFamilyName(collection.get(), kFamilyUi, index, frame.familyFound);
  }
  return frame;
}

const Frame& TheFrame() {
  static const Frame frame = MeasureFrame();
  return frame;
}

const std::vector<TableFit>& Tables() {
  static const std::vector<TableFit> tables = [] {
    const Win32ResourceApi resources(reinterpret_cast<InstanceHandle>(::GetModuleHandleW(nullptr)));
    const Win32LocaleApi real;
    std::vector<TableFit> fits;
    for (const ExpectedRow& row : kExpectedRows) {
      fits.push_back(FitTable(TheMeasurer(), resources, real, TheFrame(), row.language));
    }
    return fits;
  }();
  return tables;
}

// The failure screen of one headline and one explanation: where the explanation ends, with the
// margin on both heights.
float ExplanationBottom(const Laid& headline, const Laid& explanation) {
  return TheFrame().headlineTop + headline.height * kMargin + kExplanationGap +
         explanation.height * kMargin;
}

bool MayTrimBesideFourDigits(LangId language) {
  return std::find(std::begin(kMayTrimBesideFourDigits), std::end(kMayTrimBesideFourDigits),
                   language) != std::end(kMayTrimBesideFourDigits);
}

// A separator for the report: the character when it is printable ASCII, else its code point.
std::string Separator(const std::u16string& text) {
  std::string out;
  for (const char16_t c : text) {
    out += c > 0x20 && c < 0x7F ? Format("%c", static_cast<char>(c)) : Format("U+%04X", c);
  }
  return out.empty() ? "?" : out;
}

std::string Verdict(bool ok) {
  return ok ? "ok" : "FAIL";
}

// The width of `text` in `family` at the main size, and the file of the font its first glyphs
// come from.
float FamilyWidth(const std::u16string& family, const std::u16string& text, std::string* file) {
  Measurer& measurer = TheMeasurer();
  const Canvas canvas = measurer.MakeCanvas();
  const TextFormat format =
      MakeTextFormat(canvas, family, kFontWeightNormal, kFontStretchNormal, kMainTextSize);
  const TextLayout layout = MakeTextLayout(canvas, text, format.get(), kUnboundedWidth);
  if (!layout) {
    return 0;
  }
  if (file != nullptr) {
    DrawnGlyphs drawn;
    layout->Draw(nullptr, &drawn, 0, 0);
    *file = FontFilePath(drawn.firstFace);
  }
  return TextWidth(canvas, layout.get());
}

#define CHECK_FIT(ok, ...) WineCheck((ok), Format(__VA_ARGS__).c_str(), __FILE__, __LINE__)

WINE_TEST(EveryTableIsLaidOutInRealFonts) {
  const Frame& frame = TheFrame();
  std::printf("  fonts mapped: %s; \"Segoe UI\" found: %s; margin x%.2f\n",
              TheMeasurer().fontsMapped ? "yes" : "no", frame.familyFound ? "yes" : "no",
              static_cast<double>(kMargin));
  std::printf("  logo height %.2f, headline top %.2f, title-bar mark %.2f wide\n",
              static_cast<double>(frame.logoHeight), static_cast<double>(frame.headlineTop),
              static_cast<double>(frame.markWidth));
  CHECK(TheMeasurer().factory.get() != nullptr);
  CHECK(frame.familyFound);
  // The margin is for the stand-in, so the window's family must be it. Chinese comes from Wine's
  // fallback; a character no font has would be drawn as glyph 0, which every table is checked for.
  const std::u16string sample = u"Sandbox Setup \u2026";
  const float standIn = FamilyWidth(u"Roboto", sample, nullptr);
  std::string file;
  const float window = FamilyWidth(kFamilyUi, sample, &file);
  std::printf("  \"%s\" in %s: %.2f wide, Roboto %.2f\n", Utf8(kFamilyUi).c_str(), file.c_str(),
              static_cast<double>(window), static_cast<double>(standIn));
  CHECK(window > 0 && std::abs(window - standIn) < 0.01f);
  FamilyWidth(kFamilyUi, u"\u4E0B\u8F7D", &file);
  std::printf("  Chinese in %s\n", file.c_str());
  CHECK_EQ(Tables().size(), std::size(kExpectedRows));
  std::printf("  LANGID  locale        decimal  group\n");
  for (const TableFit& table : Tables()) {
    std::printf("  0x%04X  %-12s  %-7s  %-6s  %s\n", table.language, Utf8(table.localeName).c_str(),
                Separator(table.decimal).c_str(), Separator(table.thousands).c_str(),
                table.localeStandIn ? "(Wine has no locale of this LANGID)" : "");
    for (const std::string& problem : table.problems) {
      CHECK_FIT(false, "0x%04X: %s", table.language, problem.c_str());
    }
  }
}

void PrintStatusTable(bool fourDigits) {
  std::printf("  LANGID      104     103    room    left  trims  verdict  104 filled in\n");
  for (const TableFit& table : Tables()) {
    const StatusFit& fit = fourDigits ? table.four : table.three;
    const bool allowed = fourDigits && MayTrimBesideFourDigits(table.language);
    const bool fits = fit.Left() >= 0;
    std::printf("  0x%04X  %7.1f  %6.1f  %6.1f  %6.1f  %-5s  %-7s  \"%s\"\n", table.language,
                static_cast<double>(fit.figures), static_cast<double>(fit.status),
                static_cast<double>(fit.room), static_cast<double>(fit.Left()),
                fit.drawsSign ? "yes" : "no",
                fits ? (allowed ? "stale" : "ok") : (allowed ? "allowed" : "FAIL"),
                Utf8(fit.figuresText).c_str());
    const char* figures = fourDigits ? "1,024.0" : "999.9";
    if (!allowed) {
      CHECK_FIT(fits, "0x%04X 103 beside \"%s\" figures: %.1f wide, room %.1f", table.language,
                figures, static_cast<double>(fit.status), static_cast<double>(fit.room));
    } else {
      CHECK_FIT(!fits,
                "0x%04X may trim beside 1,024.0 but fits (%.1f in %.1f): drop it from "
                "kMayTrimBesideFourDigits",
                table.language, static_cast<double>(fit.status), static_cast<double>(fit.room));
    }
    // The width comparison and DirectWrite's own trimming agree, away from the exact edge.
    if (std::abs(fit.Left()) > 0.5f) {
      CHECK_FIT(fit.drawsSign == !fits, "0x%04X: the trimming of 103 disagrees with its width",
                table.language);
    }
  }
}

WINE_TEST(StatusLineFitsBesideThreeDigitFigures) {
  std::printf("  103 beside \"999.9 of 999.9 MB\" (room = %.0f - figures - %.0f)\n",
              static_cast<double>(kColumnWidth), static_cast<double>(kStatusGap));
  PrintStatusTable(false);
}

WINE_TEST(StatusLineFitsBesideFourDigitFiguresWhereTheFixedRowAllows) {
  std::printf("  103 beside \"1,024.0 of 1,024.0 MB\"\n");
  PrintStatusTable(true);
}

WINE_TEST(StartingLineFitsTheColumn) {
  std::printf("  LANGID   105 width    room    left  verdict\n");
  for (const TableFit& table : Tables()) {
    const float width = table.starting.width * kMargin;
    const bool fits = width <= kColumnWidth;
    std::printf("  0x%04X  %10.1f  %6.1f  %6.1f  %s\n", table.language, static_cast<double>(width),
                static_cast<double>(kColumnWidth), static_cast<double>(kColumnWidth - width),
                Verdict(fits).c_str());
    CHECK_FIT(fits, "0x%04X 105: %.1f wide, room %.1f", table.language, static_cast<double>(width),
              static_cast<double>(kColumnWidth));
  }
}

WINE_TEST(FailureHeadlinesTakeOneLine) {
  std::printf("  LANGID   id   width    room    left  lines  verdict\n");
  const std::uint16_t ids[2] = {kStrDownloadFailed, kStrLaunchFailed};
  for (const TableFit& table : Tables()) {
    for (int i = 0; i < 2; ++i) {
      const float width = table.headlines[i].width * kMargin;
      const std::uint32_t lines = table.wrappedHeadlines[i].lines;
      const bool fits = width <= kColumnWidth;
      std::printf("  0x%04X  %u  %6.1f  %6.1f  %6.1f  %5u  %s\n", table.language, ids[i],
                  static_cast<double>(width), static_cast<double>(kColumnWidth),
                  static_cast<double>(kColumnWidth - width), lines,
                  Verdict(fits && lines == 1).c_str());
      CHECK_FIT(fits && lines == 1, "0x%04X %u: %.1f wide, room %.1f, %u lines", table.language,
                ids[i], static_cast<double>(width), static_cast<double>(kColumnWidth), lines);
    }
  }
}

WINE_TEST(FailureTextsEndAboveTheButtons) {
  const float limit = kButtonTop - kButtonBandClearance;
  std::printf("  explanation bottom against %.0f (buttons at %.0f), heights x%.2f\n",
              static_cast<double>(limit), static_cast<double>(kButtonTop),
              static_cast<double>(kMargin));
  std::printf("  LANGID  texts    head  explanation  bottom    left  verdict\n");
  const struct {
    int headline;
    int explanation;
    const char* ids;
  } screens[] = {{0, 0, "106+107"}, {0, 1, "106+108"}, {1, 2, "109+110"}};
  for (const TableFit& table : Tables()) {
    for (const auto& screen : screens) {
      const Laid& head = table.wrappedHeadlines[screen.headline];
      const Laid& explanation = table.explanations[screen.explanation];
      const float bottom = ExplanationBottom(head, explanation);
      const bool fits = bottom <= limit;
      std::printf("  0x%04X  %s  %5.1f  %5.1f (%u)  %6.1f  %6.1f  %s\n", table.language, screen.ids,
                  static_cast<double>(head.height * kMargin),
                  static_cast<double>(explanation.height * kMargin), explanation.lines,
                  static_cast<double>(bottom), static_cast<double>(limit - bottom),
                  Verdict(fits).c_str());
      CHECK_FIT(fits, "0x%04X %s: ends at %.1f, limit %.1f", table.language, screen.ids,
                static_cast<double>(bottom), static_cast<double>(limit));
    }
  }
}

WINE_TEST(ButtonsStayInsideTheColumn) {
  std::printf("  LANGID  111 label  112 label  111 box  112 box  111 left    left  verdict\n");
  for (const TableFit& table : Tables()) {
    const float left = table.TryAgainLeft();
    const bool fits = left >= kColumnLeft &&
                      table.tryAgain.label.height * kMargin <= kButtonHeight &&
                      table.cancel.label.height * kMargin <= kButtonHeight;
    std::printf("  0x%04X  %9.1f  %9.1f  %7.1f  %7.1f  %8.1f  %6.1f  %s\n", table.language,
                static_cast<double>(table.tryAgain.label.width * kMargin),
                static_cast<double>(table.cancel.label.width * kMargin),
                static_cast<double>(table.tryAgain.Width()),
                static_cast<double>(table.cancel.Width()), static_cast<double>(left),
                static_cast<double>(left - kColumnLeft), Verdict(fits).c_str());
    CHECK_FIT(fits, "0x%04X 111/112: \"Try again\" starts at %.1f, column at %.1f", table.language,
              static_cast<double>(left), static_cast<double>(kColumnLeft));
    // The widths above follow the button's own code: checked here on the unscaled labels.
    for (const ButtonFit* button : {&table.tryAgain, &table.cancel}) {
      const float expected = std::max(kButtonMinWidth, button->label.width + 2 * kButtonPadding);
      const RectF& box = button->drawnBounds;
      CHECK_FIT(std::abs(button->drawnWidth - expected) < 0.01f &&
                    std::abs((box.right - box.left) - expected) < 0.01f &&
                    button->drawnLabelOrigin.x >= box.left &&
                    button->drawnLabelOrigin.x + button->label.width <= box.right + 0.01f,
                "0x%04X: DrawButton made %.2f (%.2f to %.2f) for a %.2f label", table.language,
                static_cast<double>(button->drawnWidth), static_cast<double>(box.left),
                static_cast<double>(box.right), static_cast<double>(button->label.width));
    }
  }
}

WINE_TEST(TitleStaysInTheBandLeftOfTheCloseBox) {
  std::printf("  LANGID  102 width    left   right  close box    left  height  verdict\n");
  for (const TableFit& table : Tables()) {
    const float width = table.title.width * kMargin;
    const float height = table.title.height * kMargin;
    const float right = table.titleLeft + width;
    const bool fits = right < kCloseBoxLeft && height <= kTitleBandHeight;
    std::printf("  0x%04X  %9.1f  %6.1f  %6.1f  %9.1f  %6.1f  %6.1f  %s\n", table.language,
                static_cast<double>(width), static_cast<double>(table.titleLeft),
                static_cast<double>(right), static_cast<double>(kCloseBoxLeft),
                static_cast<double>(kCloseBoxLeft - right), static_cast<double>(height),
                Verdict(fits).c_str());
    CHECK_FIT(fits, "0x%04X 102: ends at %.1f (close box at %.1f), %.1f high in a %.1f band",
              table.language, static_cast<double>(right), static_cast<double>(kCloseBoxLeft),
              static_cast<double>(height), static_cast<double>(kTitleBandHeight));
  }
}

// The note the translators work from: per table the least room any text of a kind leaves
// (negative: that much too wide or too low).
WINE_TEST(SummaryOfTheTightestRooms) {
  std::printf(
      "  LANGID  at 999.9  at 1,024.0  starting  headline  above buttons  buttons  title\n");
  int trimmedAtFour = 0;
  for (const TableFit& table : Tables()) {
    const float headline =
        kColumnWidth - std::max(table.headlines[0].width, table.headlines[1].width) * kMargin;
    const float bottom =
        std::max({ExplanationBottom(table.wrappedHeadlines[0], table.explanations[0]),
                  ExplanationBottom(table.wrappedHeadlines[0], table.explanations[1]),
                  ExplanationBottom(table.wrappedHeadlines[1], table.explanations[2])});
    const float title = kCloseBoxLeft - (table.titleLeft + table.title.width * kMargin);
    std::printf("  0x%04X  %8.1f  %10.1f%s  %8.1f  %8.1f  %13.1f  %7.1f  %5.1f\n", table.language,
                static_cast<double>(table.three.Left()), static_cast<double>(table.four.Left()),
                MayTrimBesideFourDigits(table.language) ? "*" : " ",
                static_cast<double>(kColumnWidth - table.starting.width * kMargin),
                static_cast<double>(headline),
                static_cast<double>(kButtonTop - kButtonBandClearance - bottom),
                static_cast<double>(table.TryAgainLeft() - kColumnLeft),
                static_cast<double>(title));
    trimmedAtFour += table.four.Left() < 0 ? 1 : 0;
    // A width of nothing would fit anywhere: the summary stands only on texts that were measured.
    CHECK_FIT(table.three.status > 0 && table.three.figures > 0 && table.four.figures > 0 &&
                  table.title.width > 0 && table.headlines[0].width > 0 &&
                  table.headlines[1].width > 0,
              "0x%04X: a text measured 0 wide", table.language);
  }
  std::printf("  * may trim beside four-digit figures; %d tables trim there\n", trimmedAtFour);
}

}  // namespace
