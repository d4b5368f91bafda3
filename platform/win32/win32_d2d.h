// The drawing and text interfaces on Direct2D and DirectWrite. Stateless: every object it works on
// is passed in, and every object it makes goes into the caller's holder with IUnknown::Release as
// its release function. UI thread only.
#pragma once

#include "platform/drawing_api.h"
#include "platform/text_api.h"

class Win32RenderApi final : public DrawingApi, public TextApi {
 public:
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
};
