#include "platform/win32/win32_d2d.h"

#include <d2d1.h>
#include <dwrite.h>
#include <dwrite_1.h>
#include <windows.h>

#include <cstddef>

#include "platform/win32/com_release.h"
#include "platform/win32/wide.h"

// The portable records are the Windows structures field for field, so they are passed through
// as they are.
static_assert(sizeof(ColorF) == sizeof(D2D1_COLOR_F));
static_assert(sizeof(RectF) == sizeof(D2D1_RECT_F) && offsetof(RectF, bottom) == 12);
static_assert(sizeof(PixelRect) == sizeof(RECT));
static_assert(sizeof(TextMetrics) == sizeof(DWRITE_TEXT_METRICS) &&
              offsetof(TextMetrics, height) == offsetof(DWRITE_TEXT_METRICS, height) &&
              offsetof(TextMetrics, lineCount) == offsetof(DWRITE_TEXT_METRICS, lineCount));
static_assert(sizeof(LineMetrics) == sizeof(DWRITE_LINE_METRICS) &&
              offsetof(LineMetrics, baseline) == offsetof(DWRITE_LINE_METRICS, baseline));
static_assert(sizeof(OverhangMetrics) == sizeof(DWRITE_OVERHANG_METRICS) &&
              offsetof(OverhangMetrics, right) == offsetof(DWRITE_OVERHANG_METRICS, right));
static_assert(sizeof(FontMetrics) == sizeof(DWRITE_FONT_METRICS) &&
              offsetof(FontMetrics, capHeight) == offsetof(DWRITE_FONT_METRICS, capHeight));
static_assert(kD2dErrRecreateTarget == static_cast<HResult>(D2DERR_RECREATE_TARGET));
static_assert(kFontWeightBlack == DWRITE_FONT_WEIGHT_BLACK &&
              kFontStretchCondensed == DWRITE_FONT_STRETCH_CONDENSED &&
              kFontStyleNormal == DWRITE_FONT_STYLE_NORMAL);
static_assert(static_cast<int>(WordWrapping::NoWrap) == DWRITE_WORD_WRAPPING_NO_WRAP);
static_assert(kTrimmingGranularityCharacter == DWRITE_TRIMMING_GRANULARITY_CHARACTER);
static_assert(static_cast<int>(TextAntialiasMode::Grayscale) == D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);

namespace {

// IDWriteTextLayout1, {9064D822-80A7-465C-A986-DF65F78B8FEB}: spelled out here so that no GUID
// library needs to be linked.
constexpr GUID kIidTextLayout1 = {
    0x9064D822, 0x80A7, 0x465C, {0xA9, 0x86, 0xDF, 0x65, 0xF7, 0x8B, 0x8F, 0xEB}};

HWND Hwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

D2D1_COLOR_F Color(const ColorF& color) {
  return D2D1_COLOR_F{color.r, color.g, color.b, color.a};
}

D2D1_RECT_F Rect(const RectF& rect) {
  return D2D1_RECT_F{rect.left, rect.top, rect.right, rect.bottom};
}

D2D1_ROUNDED_RECT Rounded(const RoundedRectF& rect) {
  return D2D1_ROUNDED_RECT{Rect(rect.rect), rect.radiusX, rect.radiusY};
}

}  // namespace

PixelRect Win32RenderApi::GetClientRect(WindowHandle window) {
  RECT client{};
  if (!::GetClientRect(Hwnd(window), &client)) {
    return PixelRect{};
  }
  return PixelRect{client.left, client.top, client.right, client.bottom};
}

std::uint32_t Win32RenderApi::GetDpiForWindow(WindowHandle window) {
  return ::GetDpiForWindow(Hwnd(window));
}

HResult Win32RenderApi::CreateHwndRenderTarget(ID2D1Factory* factory, WindowHandle window,
                                               float dpi, std::uint32_t width, std::uint32_t height,
                                               ComHolder<ID2D1HwndRenderTarget>& target) {
  D2D1_RENDER_TARGET_PROPERTIES properties{};
  properties.type = D2D1_RENDER_TARGET_TYPE_DEFAULT;
  properties.pixelFormat = D2D1_PIXEL_FORMAT{DXGI_FORMAT_UNKNOWN, D2D1_ALPHA_MODE_UNKNOWN};
  properties.dpiX = dpi;
  properties.dpiY = dpi;
  properties.usage = D2D1_RENDER_TARGET_USAGE_NONE;
  properties.minLevel = D2D1_FEATURE_LEVEL_DEFAULT;
  D2D1_HWND_RENDER_TARGET_PROPERTIES hwndProperties{};
  hwndProperties.hwnd = Hwnd(window);
  hwndProperties.pixelSize = D2D1_SIZE_U{width, height};
  hwndProperties.presentOptions = D2D1_PRESENT_OPTIONS_NONE;
  return factory->CreateHwndRenderTarget(&properties, &hwndProperties,
                                         target.put(&ReleaseCom<ID2D1HwndRenderTarget>));
}

void Win32RenderApi::SetTextAntialiasMode(ID2D1HwndRenderTarget* target, TextAntialiasMode mode) {
  target->SetTextAntialiasMode(static_cast<D2D1_TEXT_ANTIALIAS_MODE>(mode));
}

HResult Win32RenderApi::CreateSolidColorBrush(ID2D1HwndRenderTarget* target, const ColorF& color,
                                              ComHolder<ID2D1SolidColorBrush>& brush) {
  const D2D1_COLOR_F value = Color(color);
  return target->CreateSolidColorBrush(&value, nullptr,
                                       brush.put(&ReleaseCom<ID2D1SolidColorBrush>));
}

void Win32RenderApi::BeginDraw(ID2D1HwndRenderTarget* target) {
  target->BeginDraw();
}

HResult Win32RenderApi::EndDraw(ID2D1HwndRenderTarget* target) {
  return target->EndDraw(nullptr, nullptr);
}

void Win32RenderApi::Clear(ID2D1HwndRenderTarget* target, const ColorF& color) {
  const D2D1_COLOR_F value = Color(color);
  target->Clear(&value);
}

void Win32RenderApi::SetColor(ID2D1SolidColorBrush* brush, const ColorF& color) {
  const D2D1_COLOR_F value = Color(color);
  brush->SetColor(&value);
}

void Win32RenderApi::FillRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                                   ID2D1SolidColorBrush* brush) {
  const D2D1_RECT_F value = Rect(rect);
  target->FillRectangle(&value, brush);
}

void Win32RenderApi::FillRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                          ID2D1SolidColorBrush* brush) {
  const D2D1_ROUNDED_RECT value = Rounded(rect);
  target->FillRoundedRectangle(&value, brush);
}

void Win32RenderApi::DrawRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                                   ID2D1SolidColorBrush* brush, float strokeWidth) {
  const D2D1_RECT_F value = Rect(rect);
  target->DrawRectangle(&value, brush, strokeWidth, nullptr);
}

void Win32RenderApi::DrawRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                          ID2D1SolidColorBrush* brush, float strokeWidth) {
  const D2D1_ROUNDED_RECT value = Rounded(rect);
  target->DrawRoundedRectangle(&value, brush, strokeWidth, nullptr);
}

void Win32RenderApi::DrawLine(ID2D1HwndRenderTarget* target, PointF from, PointF to,
                              ID2D1SolidColorBrush* brush, float strokeWidth) {
  target->DrawLine(D2D1_POINT_2F{from.x, from.y}, D2D1_POINT_2F{to.x, to.y}, brush, strokeWidth,
                   nullptr);
}

void Win32RenderApi::DrawTextLayout(ID2D1HwndRenderTarget* target, PointF origin,
                                    IDWriteTextLayout* layout, ID2D1SolidColorBrush* brush) {
  target->DrawTextLayout(D2D1_POINT_2F{origin.x, origin.y}, layout, brush,
                         D2D1_DRAW_TEXT_OPTIONS_NONE);
}

HResult Win32RenderApi::CreateTextFormat(IDWriteFactory* factory, const std::u16string& family,
                                         std::uint32_t weight, std::uint32_t stretch, float emSize,
                                         ComHolder<IDWriteTextFormat>& format) {
  return factory->CreateTextFormat(
      WidePtr(family), nullptr, static_cast<DWRITE_FONT_WEIGHT>(weight), DWRITE_FONT_STYLE_NORMAL,
      static_cast<DWRITE_FONT_STRETCH>(stretch), emSize, L"",
      format.put(&ReleaseCom<IDWriteTextFormat>));
}

HResult Win32RenderApi::SetWordWrapping(IDWriteTextFormat* format, WordWrapping wrapping) {
  return format->SetWordWrapping(static_cast<DWRITE_WORD_WRAPPING>(wrapping));
}

HResult Win32RenderApi::CreateTextLayout(IDWriteFactory* factory, const std::u16string& text,
                                         IDWriteTextFormat* format, float maxWidth, float maxHeight,
                                         ComHolder<IDWriteTextLayout>& layout) {
  return factory->CreateTextLayout(WidePtr(text), static_cast<UINT32>(text.size()), format,
                                   maxWidth, maxHeight, layout.put(&ReleaseCom<IDWriteTextLayout>));
}

HResult Win32RenderApi::GetMetrics(IDWriteTextLayout* layout, TextMetrics& metrics) {
  return layout->GetMetrics(reinterpret_cast<DWRITE_TEXT_METRICS*>(&metrics));
}

HResult Win32RenderApi::GetLineMetrics(IDWriteTextLayout* layout, LineMetrics* lines,
                                       std::uint32_t maxLineCount, std::uint32_t& actualLineCount) {
  UINT32 count = 0;
  const HRESULT hr =
      layout->GetLineMetrics(reinterpret_cast<DWRITE_LINE_METRICS*>(lines), maxLineCount, &count);
  actualLineCount = count;
  return hr;
}

HResult Win32RenderApi::GetOverhangMetrics(IDWriteTextLayout* layout, OverhangMetrics& overhangs) {
  return layout->GetOverhangMetrics(reinterpret_cast<DWRITE_OVERHANG_METRICS*>(&overhangs));
}

HResult Win32RenderApi::SetMaxWidth(IDWriteTextLayout* layout, float maxWidth) {
  return layout->SetMaxWidth(maxWidth);
}

HResult Win32RenderApi::CreateEllipsisTrimmingSign(IDWriteFactory* factory,
                                                   IDWriteTextFormat* format,
                                                   ComHolder<IDWriteInlineObject>& sign) {
  return factory->CreateEllipsisTrimmingSign(format, sign.put(&ReleaseCom<IDWriteInlineObject>));
}

HResult Win32RenderApi::SetTrimming(IDWriteTextLayout* layout, const Trimming& trimming,
                                    IDWriteInlineObject* sign) {
  DWRITE_TRIMMING value{};
  value.granularity = static_cast<DWRITE_TRIMMING_GRANULARITY>(trimming.granularity);
  value.delimiter = trimming.delimiter;
  value.delimiterCount = trimming.delimiterCount;
  return layout->SetTrimming(&value, sign);
}

HResult Win32RenderApi::QueryTextLayout1(IDWriteTextLayout* layout,
                                         ComHolder<IDWriteTextLayout1>& layout1) {
  return layout->QueryInterface(
      kIidTextLayout1, reinterpret_cast<void**>(layout1.put(&ReleaseCom<IDWriteTextLayout1>)));
}

HResult Win32RenderApi::SetCharacterSpacing(IDWriteTextLayout1* layout, float leadingSpacing,
                                            float trailingSpacing, float minimumAdvanceWidth,
                                            TextRange range) {
  return layout->SetCharacterSpacing(leadingSpacing, trailingSpacing, minimumAdvanceWidth,
                                     DWRITE_TEXT_RANGE{range.startPosition, range.length});
}

HResult Win32RenderApi::GetSystemFontCollection(IDWriteFactory* factory,
                                                ComHolder<IDWriteFontCollection>& collection,
                                                bool checkForUpdates) {
  return factory->GetSystemFontCollection(collection.put(&ReleaseCom<IDWriteFontCollection>),
                                          checkForUpdates ? TRUE : FALSE);
}

HResult Win32RenderApi::FindFamilyName(IDWriteFontCollection* collection,
                                       const std::u16string& family, std::uint32_t& index,
                                       bool& exists) {
  UINT32 found = 0;
  BOOL present = FALSE;
  const HRESULT hr = collection->FindFamilyName(WidePtr(family), &found, &present);
  index = found;
  exists = present != FALSE;
  return hr;
}

HResult Win32RenderApi::GetFontFamily(IDWriteFontCollection* collection, std::uint32_t index,
                                      ComHolder<IDWriteFontFamily>& family) {
  return collection->GetFontFamily(index, family.put(&ReleaseCom<IDWriteFontFamily>));
}

HResult Win32RenderApi::GetFirstMatchingFont(IDWriteFontFamily* family, std::uint32_t weight,
                                             std::uint32_t stretch, std::uint32_t style,
                                             ComHolder<IDWriteFont>& font) {
  return family->GetFirstMatchingFont(
      static_cast<DWRITE_FONT_WEIGHT>(weight), static_cast<DWRITE_FONT_STRETCH>(stretch),
      static_cast<DWRITE_FONT_STYLE>(style), font.put(&ReleaseCom<IDWriteFont>));
}

void Win32RenderApi::GetMetrics(IDWriteFont* font, FontMetrics& metrics) {
  font->GetMetrics(reinterpret_cast<DWRITE_FONT_METRICS*>(&metrics));
}
