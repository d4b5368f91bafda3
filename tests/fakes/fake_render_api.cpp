#include "tests/fakes/fake_render_api.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr HResult kNotSufficientBuffer = static_cast<HResult>(0x8007007A);
constexpr std::uint32_t kObjectMagic = 0x46414B45;

}  // namespace

struct FakeRenderApi::Object {
  std::uint32_t magic = kObjectMagic;
  FakeRenderApi* owner = nullptr;
  Kind kind = Kind::RenderTarget;
  std::size_t record = 0;
};

FakeRenderApi::FakeRenderApi() = default;
FakeRenderApi::~FakeRenderApi() = default;

template <class Interface>
Interface* FakeRenderApi::Make(Kind kind, std::size_t record) {
  ++live_[static_cast<std::size_t>(kind)];
  return reinterpret_cast<Interface*>(new Object{kObjectMagic, this, kind, record});
}

template <class Interface>
void FakeRenderApi::ReleaseAs(Interface* pointer) {
  Release(reinterpret_cast<Object*>(pointer));
}

void FakeRenderApi::Release(Object* object) {
  if (object->magic != kObjectMagic) {
    std::fprintf(stderr, "FakeRenderApi: release of something it never made\n");
    std::abort();
  }
  FakeRenderApi* owner = object->owner;
  --owner->live_[static_cast<std::size_t>(object->kind)];
  owner->releases_.push_back(object->kind);
  object->magic = 0;
  delete object;
}

const FakeRenderApi::Object& FakeRenderApi::Get(const void* pointer, Kind kind) const {
  const auto* object = static_cast<const Object*>(pointer);
  if (object == nullptr || object->magic != kObjectMagic || object->kind != kind ||
      object->owner != this) {
    std::fprintf(stderr, "FakeRenderApi: call with a null, released or foreign object (kind %zu)\n",
                 static_cast<std::size_t>(kind));
    std::abort();
  }
  return *object;
}

void FakeRenderApi::Record(DrawEvent event, ID2D1SolidColorBrush* brush) {
  if (event.op != Op::Clear) {
    event.color = brushColors_[Get(brush, Kind::Brush).record];
    event.brush = brush;
  }
  events_.push_back(event);
}

float FakeRenderApi::NaturalWidth(const LayoutRecord& layout) const {
  float width = 0;
  for (std::size_t i = 0; i < layout.text.size(); ++i) {
    width += Advance(layout.format.emSize);
    if (i >= layout.spacingRange.startPosition &&
        i - layout.spacingRange.startPosition < layout.spacingRange.length) {
      width += layout.trailingSpacing;
    }
  }
  return width;
}

// DrawingApi

PixelRect FakeRenderApi::GetClientRect(WindowHandle) {
  return client;
}

std::uint32_t FakeRenderApi::GetDpiForWindow(WindowHandle) {
  return dpi;
}

HResult FakeRenderApi::CreateHwndRenderTarget(ID2D1Factory*, WindowHandle window, float targetDpi,
                                              std::uint32_t width, std::uint32_t height,
                                              ComHolder<ID2D1HwndRenderTarget>& target) {
  ID2D1HwndRenderTarget** slot = target.put(&ReleaseAs<ID2D1HwndRenderTarget>);
  if (!Succeeded(createTargetResult)) {
    return createTargetResult;
  }
  targets_.push_back(TargetRecord{window, targetDpi, width, height, TextAntialiasMode::Default});
  *slot = Make<ID2D1HwndRenderTarget>(Kind::RenderTarget, targets_.size() - 1);
  return kSOk;
}

void FakeRenderApi::SetTextAntialiasMode(ID2D1HwndRenderTarget* target, TextAntialiasMode mode) {
  targets_[Get(target, Kind::RenderTarget).record].antialias = mode;
}

HResult FakeRenderApi::CreateSolidColorBrush(ID2D1HwndRenderTarget* target, const ColorF& color,
                                             ComHolder<ID2D1SolidColorBrush>& brush) {
  Get(target, Kind::RenderTarget);
  ID2D1SolidColorBrush** slot = brush.put(&ReleaseAs<ID2D1SolidColorBrush>);
  if (!Succeeded(createBrushResult)) {
    return createBrushResult;
  }
  ++brushesCreated_;
  brushColorAtCreation_ = color;
  brushColors_.push_back(color);
  *slot = Make<ID2D1SolidColorBrush>(Kind::Brush, brushColors_.size() - 1);
  return kSOk;
}

void FakeRenderApi::BeginDraw(ID2D1HwndRenderTarget* target) {
  Get(target, Kind::RenderTarget);
  ++beginDraws_;
}

HResult FakeRenderApi::EndDraw(ID2D1HwndRenderTarget* target) {
  Get(target, Kind::RenderTarget);
  ++endDraws_;
  return endDrawResult;
}

void FakeRenderApi::Clear(ID2D1HwndRenderTarget* target, const ColorF& color) {
  DrawEvent event;
  event.op = Op::Clear;
  event.color = color;
  event.target = target;
  Get(target, Kind::RenderTarget);
  Record(event, nullptr);
}

void FakeRenderApi::SetColor(ID2D1SolidColorBrush* brush, const ColorF& color) {
  brushColors_[Get(brush, Kind::Brush).record] = color;
}

void FakeRenderApi::FillRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                                  ID2D1SolidColorBrush* brush) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::FillRect;
  event.rect = rect;
  event.target = target;
  Record(event, brush);
}

void FakeRenderApi::FillRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                         ID2D1SolidColorBrush* brush) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::FillRoundedRect;
  event.rect = rect.rect;
  event.radius = rect.radiusX == rect.radiusY ? rect.radiusX : std::nanf("");
  event.target = target;
  Record(event, brush);
}

void FakeRenderApi::DrawRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                                  ID2D1SolidColorBrush* brush, float strokeWidth) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::DrawRect;
  event.rect = rect;
  event.strokeWidth = strokeWidth;
  event.target = target;
  Record(event, brush);
}

void FakeRenderApi::DrawRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                         ID2D1SolidColorBrush* brush, float strokeWidth) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::DrawRoundedRect;
  event.rect = rect.rect;
  event.radius = rect.radiusX == rect.radiusY ? rect.radiusX : std::nanf("");
  event.strokeWidth = strokeWidth;
  event.target = target;
  Record(event, brush);
}

void FakeRenderApi::DrawLine(ID2D1HwndRenderTarget* target, PointF from, PointF to,
                             ID2D1SolidColorBrush* brush, float strokeWidth) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::DrawLine;
  event.from = from;
  event.to = to;
  event.strokeWidth = strokeWidth;
  event.target = target;
  Record(event, brush);
}

void FakeRenderApi::DrawTextLayout(ID2D1HwndRenderTarget* target, PointF origin,
                                   IDWriteTextLayout* layout, ID2D1SolidColorBrush* brush) {
  Get(target, Kind::RenderTarget);
  DrawEvent event;
  event.op = Op::DrawText;
  event.origin = origin;
  event.layout = Get(layout, Kind::TextLayout).record;
  event.text = layouts_[event.layout].text;
  event.target = target;
  Record(event, brush);
}

// TextApi

HResult FakeRenderApi::CreateTextFormat(IDWriteFactory*, const std::u16string& family,
                                        std::uint32_t weight, std::uint32_t stretch, float emSize,
                                        ComHolder<IDWriteTextFormat>& format) {
  IDWriteTextFormat** slot = format.put(&ReleaseAs<IDWriteTextFormat>);
  if (missingFamilies.count(family) != 0) {
    return kEFail;
  }
  formats_.push_back(FormatRecord{family, weight, stretch, emSize, WordWrapping::Wrap});
  *slot = Make<IDWriteTextFormat>(Kind::TextFormat, formats_.size() - 1);
  return kSOk;
}

HResult FakeRenderApi::SetWordWrapping(IDWriteTextFormat* format, WordWrapping wrapping) {
  formats_[Get(format, Kind::TextFormat).record].wrapping = wrapping;
  return kSOk;
}

HResult FakeRenderApi::CreateTextLayout(IDWriteFactory*, const std::u16string& text,
                                        IDWriteTextFormat* format, float maxWidth, float maxHeight,
                                        ComHolder<IDWriteTextLayout>& layout) {
  const FormatRecord& source = formats_[Get(format, Kind::TextFormat).record];
  IDWriteTextLayout** slot = layout.put(&ReleaseAs<IDWriteTextLayout>);
  if (failingTexts.count(text) != 0) {
    return kEFail;
  }
  LayoutRecord record;
  record.text = text;
  record.format = source;
  record.maxWidth = maxWidth;
  record.maxHeight = maxHeight;
  layouts_.push_back(record);
  *slot = Make<IDWriteTextLayout>(Kind::TextLayout, layouts_.size() - 1);
  return kSOk;
}

HResult FakeRenderApi::GetMetrics(IDWriteTextLayout* layout, TextMetrics& metrics) {
  const LayoutRecord& record = layouts_[Get(layout, Kind::TextLayout).record];
  const float natural = NaturalWidth(record);
  std::uint32_t lines = 1;
  float width = natural;
  if (natural > record.maxWidth && record.maxWidth > 0) {
    if (record.format.wrapping == WordWrapping::Wrap) {
      lines = static_cast<std::uint32_t>(std::ceil(natural / record.maxWidth));
      width = record.maxWidth;
    } else if (record.trimmed) {
      width = record.maxWidth;
    }
  }
  metrics = TextMetrics{};
  metrics.width = width;
  metrics.widthIncludingTrailingWhitespace = width;
  metrics.height = static_cast<float>(lines) * LineHeight(record.format.emSize);
  metrics.layoutWidth = record.maxWidth;
  metrics.layoutHeight = record.maxHeight;
  metrics.lineCount = lines;
  return kSOk;
}

HResult FakeRenderApi::GetLineMetrics(IDWriteTextLayout* layout, LineMetrics* lines,
                                      std::uint32_t maxLineCount, std::uint32_t& actualLineCount) {
  TextMetrics metrics;
  GetMetrics(layout, metrics);
  const LayoutRecord& record = layouts_[Get(layout, Kind::TextLayout).record];
  actualLineCount = metrics.lineCount;
  if (maxLineCount < metrics.lineCount) {
    return kNotSufficientBuffer;
  }
  lines[0] = LineMetrics{};
  lines[0].length = static_cast<std::uint32_t>(record.text.size());
  lines[0].height = LineHeight(record.format.emSize);
  lines[0].baseline = Baseline(record.format.emSize);
  return kSOk;
}

HResult FakeRenderApi::GetOverhangMetrics(IDWriteTextLayout* layout, OverhangMetrics& overhangs) {
  const LayoutRecord& record = layouts_[Get(layout, Kind::TextLayout).record];
  const float inset = InkInset(record.format.emSize);
  overhangs.left = -inset;
  overhangs.right = (NaturalWidth(record) - inset) - record.maxWidth;
  overhangs.top = 0;
  overhangs.bottom = 0;
  return kSOk;
}

HResult FakeRenderApi::SetMaxWidth(IDWriteTextLayout* layout, float maxWidth) {
  layouts_[Get(layout, Kind::TextLayout).record].maxWidth = maxWidth;
  return kSOk;
}

HResult FakeRenderApi::CreateEllipsisTrimmingSign(IDWriteFactory*, IDWriteTextFormat* format,
                                                  ComHolder<IDWriteInlineObject>& sign) {
  Get(format, Kind::TextFormat);
  IDWriteInlineObject** slot = sign.put(&ReleaseAs<IDWriteInlineObject>);
  if (failTrimmingSign) {
    return kEFail;
  }
  *slot = Make<IDWriteInlineObject>(Kind::TrimmingSign, 0);
  return kSOk;
}

HResult FakeRenderApi::SetTrimming(IDWriteTextLayout* layout, const Trimming& trimming,
                                   IDWriteInlineObject* sign) {
  LayoutRecord& record = layouts_[Get(layout, Kind::TextLayout).record];
  if (sign != nullptr) {
    Get(sign, Kind::TrimmingSign);
  }
  record.trimmed = trimming.granularity != kTrimmingGranularityNone;
  record.trimming = trimming;
  record.trimmingSign = sign != nullptr;
  return kSOk;
}

HResult FakeRenderApi::QueryTextLayout1(IDWriteTextLayout* layout,
                                        ComHolder<IDWriteTextLayout1>& layout1) {
  const std::size_t record = Get(layout, Kind::TextLayout).record;
  IDWriteTextLayout1** slot = layout1.put(&ReleaseAs<IDWriteTextLayout1>);
  if (failTextLayout1) {
    return static_cast<HResult>(0x80004002);  // E_NOINTERFACE
  }
  *slot = Make<IDWriteTextLayout1>(Kind::TextLayout1, record);
  return kSOk;
}

HResult FakeRenderApi::SetCharacterSpacing(IDWriteTextLayout1* layout, float leadingSpacing,
                                           float trailingSpacing, float minimumAdvanceWidth,
                                           TextRange range) {
  LayoutRecord& record = layouts_[Get(layout, Kind::TextLayout1).record];
  if (leadingSpacing != 0 || minimumAdvanceWidth != 0) {
    return kEFail;  // the fake models trailing spacing only
  }
  record.trailingSpacing = trailingSpacing;
  record.spacingRange = range;
  ++record.spacingCalls;
  return kSOk;
}

HResult FakeRenderApi::GetSystemFontCollection(IDWriteFactory*,
                                               ComHolder<IDWriteFontCollection>& collection, bool) {
  IDWriteFontCollection** slot = collection.put(&ReleaseAs<IDWriteFontCollection>);
  if (failCollection) {
    return kEFail;
  }
  *slot = Make<IDWriteFontCollection>(Kind::FontCollection, 0);
  return kSOk;
}

HResult FakeRenderApi::FindFamilyName(IDWriteFontCollection* collection,
                                      const std::u16string& family, std::uint32_t& index,
                                      bool& exists) {
  Get(collection, Kind::FontCollection);
  exists = installedFonts.count(family) != 0;
  if (exists) {
    families_.push_back(family);
    index = static_cast<std::uint32_t>(families_.size() - 1);
  } else {
    index = 0xFFFFFFFF;  // UINT_MAX, as DirectWrite reports a missing family
  }
  return kSOk;
}

HResult FakeRenderApi::GetFontFamily(IDWriteFontCollection* collection, std::uint32_t index,
                                     ComHolder<IDWriteFontFamily>& family) {
  Get(collection, Kind::FontCollection);
  IDWriteFontFamily** slot = family.put(&ReleaseAs<IDWriteFontFamily>);
  if (failFamily || index >= families_.size()) {
    return kEFail;
  }
  *slot = Make<IDWriteFontFamily>(Kind::FontFamily, index);
  return kSOk;
}

HResult FakeRenderApi::GetFirstMatchingFont(IDWriteFontFamily* family, std::uint32_t weight,
                                            std::uint32_t stretch, std::uint32_t style,
                                            ComHolder<IDWriteFont>& font) {
  const std::size_t record = Get(family, Kind::FontFamily).record;
  IDWriteFont** slot = font.put(&ReleaseAs<IDWriteFont>);
  // Only the exact face the logo asks for is modelled.
  if (failMatchingFont || weight != kFontWeightBlack || stretch != kFontStretchNormal ||
      style != kFontStyleNormal) {
    return kEFail;
  }
  *slot = Make<IDWriteFont>(Kind::Font, record);
  return kSOk;
}

void FakeRenderApi::GetMetrics(IDWriteFont* font, FontMetrics& metrics) {
  Get(font, Kind::Font);
  metrics = fontMetrics;
}
