// A recording canvas and a deterministic text engine for the painting tests. Every object it hands
// out is a heap record released through the holder's release function, so a leak or a double
// release shows under the sanitizers, and live() counts what is still held.
//
// Text metrics follow simple rules the tests can recompute: every UTF-16 unit advances half the
// em size (advanceFactor; plus any trailing character spacing set on it), a line is 1.25 em high
// with its baseline at 1 em, and ink starts 0.05 em after the box's left edge and ends 0.05 em
// before the text's advance ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/drawing_api.h"
#include "platform/text_api.h"

class FakeRenderApi final : public DrawingApi, public TextApi {
 public:
  enum class Kind : std::size_t {
    RenderTarget,
    Brush,
    TextFormat,
    TextLayout,
    TextLayout1,
    TrimmingSign,
    FontCollection,
    FontFamily,
    Font,
    Count,
  };

  // What a draw call drew, with the brush colour at that moment.
  enum class Op { Clear, FillRect, FillRoundedRect, DrawRect, DrawRoundedRect, DrawLine, DrawText };
  struct DrawEvent {
    Op op = Op::Clear;
    ColorF color;
    RectF rect;        // FillRect, DrawRect; the rectangle of the rounded ones
    float radius = 0;  // radiusX of the rounded ones (radiusY is checked equal when recorded)
    PointF from;       // DrawLine
    PointF to;         // DrawLine; DrawText: unused
    PointF origin;     // DrawText
    float strokeWidth = 0;
    std::u16string text;     // DrawText
    std::size_t layout = 0;  // DrawText: index into layouts()
    ID2D1HwndRenderTarget* target = nullptr;
    ID2D1SolidColorBrush* brush = nullptr;
  };

  struct TargetRecord {
    WindowHandle window = 0;
    float dpi = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TextAntialiasMode antialias = TextAntialiasMode::Default;
  };
  struct FormatRecord {
    std::u16string family;
    std::uint32_t weight = 0;
    std::uint32_t stretch = 0;
    float emSize = 0;
    WordWrapping wrapping = WordWrapping::Wrap;
  };
  struct LayoutRecord {
    std::u16string text;
    FormatRecord format;  // as the format was when the layout was made
    float maxWidth = 0;
    float maxHeight = 0;
    bool trimmed = false;
    Trimming trimming;
    bool trimmingSign = false;
    float trailingSpacing = 0;
    TextRange spacingRange;
    int spacingCalls = 0;
  };

  FakeRenderApi();
  ~FakeRenderApi();
  FakeRenderApi(const FakeRenderApi&) = delete;
  FakeRenderApi& operator=(const FakeRenderApi&) = delete;

  // Set up by a test before it paints.
  std::uint32_t dpi = 96;
  PixelRect client{0, 0, 420, 236};
  HResult createTargetResult = kSOk;
  HResult createBrushResult = kSOk;
  HResult endDrawResult = kSOk;
  std::set<std::u16string> missingFamilies;  // CreateTextFormat fails for these
  std::set<std::u16string> failingTexts;     // CreateTextLayout fails for these
  bool failTrimmingSign = false;
  bool failTextLayout1 = false;
  // The font lookup behind EmSizeForCapHeight: families present, and the metrics of their fonts.
  std::set<std::u16string> installedFonts;
  FontMetrics fontMetrics{2048, 2210, 514, 0, 1434, 1024, 0, 0, 0, 0};
  bool failCollection = false;
  bool failFamily = false;
  bool failMatchingFont = false;

  // What happened.
  const std::vector<DrawEvent>& events() const { return events_; }
  const std::vector<TargetRecord>& targets() const { return targets_; }
  const std::vector<FormatRecord>& formats() const { return formats_; }
  const std::vector<LayoutRecord>& layouts() const { return layouts_; }
  int beginDraws() const { return beginDraws_; }
  int endDraws() const { return endDraws_; }
  int brushesCreated() const { return brushesCreated_; }
  // Objects of `kind` handed out and not yet released.
  int live(Kind kind) const { return live_[static_cast<std::size_t>(kind)]; }
  // Releases of any kind, in order, as kinds.
  const std::vector<Kind>& releases() const { return releases_; }
  // The colour the brush had when it was created.
  ColorF brushColorAtCreation() const { return brushColorAtCreation_; }
  void ClearEvents() { events_.clear(); }

  // The fake's metric rules, for tests that recompute expectations. A test may widen or narrow
  // every advance through advanceFactor.
  float advanceFactor = 0.5f;
  float Advance(float emSize) const { return emSize * advanceFactor; }
  static float LineHeight(float emSize) { return emSize * 1.25f; }
  static float Baseline(float emSize) { return emSize; }
  static float InkInset(float emSize) { return emSize * 0.05f; }

  // DrawingApi
  PixelRect GetClientRect(WindowHandle window) override;
  std::uint32_t GetDpiForWindow(WindowHandle window) override;
  HResult CreateHwndRenderTarget(ID2D1Factory* factory, WindowHandle window, float dpi,
                                 std::uint32_t width, std::uint32_t height,
                                 ComHolder<ID2D1HwndRenderTarget>& target) override;
  void SetTextAntialiasMode(ID2D1HwndRenderTarget* target, TextAntialiasMode mode) override;
  HResult CreateSolidColorBrush(ID2D1HwndRenderTarget* target, const ColorF& color,
                                ComHolder<ID2D1SolidColorBrush>& brush) override;
  void BeginDraw(ID2D1HwndRenderTarget* target) override;
  HResult EndDraw(ID2D1HwndRenderTarget* target) override;
  void Clear(ID2D1HwndRenderTarget* target, const ColorF& color) override;
  void SetColor(ID2D1SolidColorBrush* brush, const ColorF& color) override;
  void FillRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                     ID2D1SolidColorBrush* brush) override;
  void FillRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                            ID2D1SolidColorBrush* brush) override;
  void DrawRectangle(ID2D1HwndRenderTarget* target, const RectF& rect, ID2D1SolidColorBrush* brush,
                     float strokeWidth) override;
  void DrawRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                            ID2D1SolidColorBrush* brush, float strokeWidth) override;
  void DrawLine(ID2D1HwndRenderTarget* target, PointF from, PointF to, ID2D1SolidColorBrush* brush,
                float strokeWidth) override;
  void DrawTextLayout(ID2D1HwndRenderTarget* target, PointF origin, IDWriteTextLayout* layout,
                      ID2D1SolidColorBrush* brush) override;

  // TextApi
  HResult CreateTextFormat(IDWriteFactory* factory, const std::u16string& family,
                           std::uint32_t weight, std::uint32_t stretch, float emSize,
                           ComHolder<IDWriteTextFormat>& format) override;
  HResult SetWordWrapping(IDWriteTextFormat* format, WordWrapping wrapping) override;
  HResult CreateTextLayout(IDWriteFactory* factory, const std::u16string& text,
                           IDWriteTextFormat* format, float maxWidth, float maxHeight,
                           ComHolder<IDWriteTextLayout>& layout) override;
  HResult GetMetrics(IDWriteTextLayout* layout, TextMetrics& metrics) override;
  HResult GetLineMetrics(IDWriteTextLayout* layout, LineMetrics* lines, std::uint32_t maxLineCount,
                         std::uint32_t& actualLineCount) override;
  HResult GetOverhangMetrics(IDWriteTextLayout* layout, OverhangMetrics& overhangs) override;
  HResult SetMaxWidth(IDWriteTextLayout* layout, float maxWidth) override;
  HResult CreateEllipsisTrimmingSign(IDWriteFactory* factory, IDWriteTextFormat* format,
                                     ComHolder<IDWriteInlineObject>& sign) override;
  HResult SetTrimming(IDWriteTextLayout* layout, const Trimming& trimming,
                      IDWriteInlineObject* sign) override;
  HResult QueryTextLayout1(IDWriteTextLayout* layout,
                           ComHolder<IDWriteTextLayout1>& layout1) override;
  HResult SetCharacterSpacing(IDWriteTextLayout1* layout, float leadingSpacing,
                              float trailingSpacing, float minimumAdvanceWidth,
                              TextRange range) override;
  HResult GetSystemFontCollection(IDWriteFactory* factory,
                                  ComHolder<IDWriteFontCollection>& collection,
                                  bool checkForUpdates) override;
  HResult FindFamilyName(IDWriteFontCollection* collection, const std::u16string& family,
                         std::uint32_t& index, bool& exists) override;
  HResult GetFontFamily(IDWriteFontCollection* collection, std::uint32_t index,
                        ComHolder<IDWriteFontFamily>& family) override;
  HResult GetFirstMatchingFont(IDWriteFontFamily* family, std::uint32_t weight,
                               std::uint32_t stretch, std::uint32_t style,
                               ComHolder<IDWriteFont>& font) override;
  void GetMetrics(IDWriteFont* font, FontMetrics& metrics) override;

  // The natural (untrimmed, single-line) advance of a layout's text, spacing included.
  float NaturalWidth(const LayoutRecord& layout) const;

  struct Object;  // a handed-out COM stand-in

 private:
  template <class Interface>
  Interface* Make(Kind kind, std::size_t record);
  const Object& Get(const void* pointer, Kind kind) const;
  void Record(DrawEvent event, ID2D1SolidColorBrush* brush);
  static void Release(Object* object);
  template <class Interface>
  static void ReleaseAs(Interface* pointer);

  std::vector<DrawEvent> events_;
  std::vector<TargetRecord> targets_;
  std::vector<FormatRecord> formats_;
  std::vector<LayoutRecord> layouts_;
  std::vector<ColorF> brushColors_;
  std::vector<std::u16string> families_;
  std::vector<Kind> releases_;
  int live_[static_cast<std::size_t>(Kind::Count)] = {};
  int beginDraws_ = 0;
  int endDraws_ = 0;
  int brushesCreated_ = 0;
  ColorF brushColorAtCreation_;
};
