// Direct2D as the painting uses it: one HWND render target, one solid brush recoloured before
// every use, and the handful of fills, outlines and text draws of the three screens. UI thread
// only; every call between BeginDraw and EndDraw of one paint, except the creation calls.
#pragma once

#include <cstdint>

#include "platform/com_holder.h"
#include "platform/geometry.h"
#include "platform/handles.h"
#include "platform/window_api.h"

struct ID2D1Factory;
struct ID2D1HwndRenderTarget;
struct ID2D1SolidColorBrush;
struct IDWriteTextLayout;

// An HRESULT: negative means failure.
using HResult = std::int32_t;
inline constexpr HResult kSOk = 0;
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
// D2DERR_RECREATE_TARGET: the device is gone; the target and everything made from it must go.
inline constexpr HResult kD2dErrRecreateTarget = static_cast<HResult>(0x8899000C);

inline constexpr bool Succeeded(HResult hr) {
  return hr >= 0;
}

// D2D1_COLOR_F: components 0-1, single precision.
struct ColorF {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 0;

  bool operator==(const ColorF&) const = default;
};

// D2D1_POINT_2F, in DIPs.
struct PointF {
  float x = 0;
  float y = 0;

  bool operator==(const PointF&) const = default;
};

// D2D1_SIZE_F, in DIPs.
struct SizeF {
  float width = 0;
  float height = 0;

  bool operator==(const SizeF&) const = default;
};

// D2D1_ROUNDED_RECT, in DIPs.
struct RoundedRectF {
  RectF rect;
  float radiusX = 0;
  float radiusY = 0;

  bool operator==(const RoundedRectF&) const = default;
};

// D2D1_TEXT_ANTIALIAS_MODE.
enum class TextAntialiasMode : std::uint32_t {
  Default = 0,
  ClearType = 1,
  Grayscale = 2,
  Aliased = 3,
};

class DrawingApi {
 public:
  // GetClientRect of the window, in pixels; all zero when the call fails.
  virtual PixelRect GetClientRect(WindowHandle window) = 0;
  virtual std::uint32_t GetDpiForWindow(WindowHandle window) = 0;

  // ID2D1Factory::CreateHwndRenderTarget: default type, DXGI_FORMAT_UNKNOWN with
  // D2D1_ALPHA_MODE_UNKNOWN, `dpi` on both axes, no usage flags, the default feature level, the
  // window with a pixel size of width x height and D2D1_PRESENT_OPTIONS_NONE. The holder is
  // emptied before the call and owns the new target on success.
  virtual HResult CreateHwndRenderTarget(ID2D1Factory* factory, WindowHandle window, float dpi,
                                         std::uint32_t width, std::uint32_t height,
                                         ComHolder<ID2D1HwndRenderTarget>& target) = 0;
  virtual void SetTextAntialiasMode(ID2D1HwndRenderTarget* target, TextAntialiasMode mode) = 0;
  // No brush properties. The holder is emptied before the call.
  virtual HResult CreateSolidColorBrush(ID2D1HwndRenderTarget* target, const ColorF& color,
                                        ComHolder<ID2D1SolidColorBrush>& brush) = 0;

  virtual void BeginDraw(ID2D1HwndRenderTarget* target) = 0;
  // Without tags. D2DERR_RECREATE_TARGET asks for a new target.
  virtual HResult EndDraw(ID2D1HwndRenderTarget* target) = 0;
  virtual void Clear(ID2D1HwndRenderTarget* target, const ColorF& color) = 0;
  virtual void SetColor(ID2D1SolidColorBrush* brush, const ColorF& color) = 0;

  virtual void FillRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                             ID2D1SolidColorBrush* brush) = 0;
  virtual void FillRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                    ID2D1SolidColorBrush* brush) = 0;
  // The outline and line calls use no stroke style.
  virtual void DrawRectangle(ID2D1HwndRenderTarget* target, const RectF& rect,
                             ID2D1SolidColorBrush* brush, float strokeWidth) = 0;
  virtual void DrawRoundedRectangle(ID2D1HwndRenderTarget* target, const RoundedRectF& rect,
                                    ID2D1SolidColorBrush* brush, float strokeWidth) = 0;
  virtual void DrawLine(ID2D1HwndRenderTarget* target, PointF from, PointF to,
                        ID2D1SolidColorBrush* brush, float strokeWidth) = 0;
  // `origin` is the top-left corner of the layout box; D2D1_DRAW_TEXT_OPTIONS_NONE.
  virtual void DrawTextLayout(ID2D1HwndRenderTarget* target, PointF origin,
                              IDWriteTextLayout* layout, ID2D1SolidColorBrush* brush) = 0;

 protected:
  ~DrawingApi() = default;
};
