// DirectWrite as the painting uses it: text formats and layouts made anew on every paint, their
// metrics, trimming, the character spacing of IDWriteTextLayout1, and the font lookup behind the
// logo's cap height. UI thread only. Every creation empties the receiving holder first and, on
// success, leaves it owning exactly one reference.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com_holder.h"
#include "platform/drawing_api.h"

struct IDWriteFactory;
struct IDWriteTextFormat;
struct IDWriteTextLayout;
struct IDWriteTextLayout1;
struct IDWriteInlineObject;
struct IDWriteFontCollection;
struct IDWriteFontFamily;
struct IDWriteFont;

// DWRITE_FONT_WEIGHT, DWRITE_FONT_STRETCH and DWRITE_FONT_STYLE values used here.
inline constexpr std::uint32_t kFontWeightNormal = 400;
inline constexpr std::uint32_t kFontWeightBold = 700;
inline constexpr std::uint32_t kFontWeightBlack = 900;
inline constexpr std::uint32_t kFontStretchCondensed = 3;
inline constexpr std::uint32_t kFontStretchNormal = 5;
inline constexpr std::uint32_t kFontStyleNormal = 0;

// DWRITE_WORD_WRAPPING.
enum class WordWrapping : std::uint32_t {
  Wrap = 0,
  NoWrap = 1,
};

// DWRITE_TRIMMING_GRANULARITY.
inline constexpr std::uint32_t kTrimmingGranularityNone = 0;
inline constexpr std::uint32_t kTrimmingGranularityCharacter = 1;

// DWRITE_TRIMMING.
struct Trimming {
  std::uint32_t granularity = kTrimmingGranularityNone;
  std::uint32_t delimiter = 0;
  std::uint32_t delimiterCount = 0;
};

// DWRITE_TEXT_METRICS, in DIPs.
struct TextMetrics {
  float left = 0;
  float top = 0;
  float width = 0;
  float widthIncludingTrailingWhitespace = 0;
  float height = 0;
  float layoutWidth = 0;
  float layoutHeight = 0;
  std::uint32_t maxBidiReorderingDepth = 0;
  std::uint32_t lineCount = 0;
};

// DWRITE_LINE_METRICS, in DIPs.
struct LineMetrics {
  std::uint32_t length = 0;
  std::uint32_t trailingWhitespaceLength = 0;
  std::uint32_t newlineLength = 0;
  float height = 0;
  float baseline = 0;
  std::int32_t isTrimmed = 0;  // BOOL
};

// DWRITE_OVERHANG_METRICS: how far the ink reaches past each edge of the layout box, in DIPs
// (negative when it stays inside).
struct OverhangMetrics {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
};

// DWRITE_FONT_METRICS, in font design units.
struct FontMetrics {
  std::uint16_t designUnitsPerEm = 0;
  std::uint16_t ascent = 0;
  std::uint16_t descent = 0;
  std::int16_t lineGap = 0;
  std::uint16_t capHeight = 0;
  std::uint16_t xHeight = 0;
  std::int16_t underlinePosition = 0;
  std::uint16_t underlineThickness = 0;
  std::int16_t strikethroughPosition = 0;
  std::uint16_t strikethroughThickness = 0;
};

// DWRITE_TEXT_RANGE, in UTF-16 units.
struct TextRange {
  std::uint32_t startPosition = 0;
  std::uint32_t length = 0;
};

class TextApi {
 public:
  // IDWriteFactory::CreateTextFormat: the system font collection, DWRITE_FONT_STYLE_NORMAL and the
  // empty locale name; `emSize` in DIPs.
  virtual HResult CreateTextFormat(IDWriteFactory* factory, const std::u16string& family,
                                   std::uint32_t weight, std::uint32_t stretch, float emSize,
                                   ComHolder<IDWriteTextFormat>& format) = 0;
  virtual HResult SetWordWrapping(IDWriteTextFormat* format, WordWrapping wrapping) = 0;
  virtual HResult CreateTextLayout(IDWriteFactory* factory, const std::u16string& text,
                                   IDWriteTextFormat* format, float maxWidth, float maxHeight,
                                   ComHolder<IDWriteTextLayout>& layout) = 0;

  virtual HResult GetMetrics(IDWriteTextLayout* layout, TextMetrics& metrics) = 0;
  // Fills at most `maxLineCount` entries; `actualLineCount` gets the layout's number of lines.
  virtual HResult GetLineMetrics(IDWriteTextLayout* layout, LineMetrics* lines,
                                 std::uint32_t maxLineCount, std::uint32_t& actualLineCount) = 0;
  virtual HResult GetOverhangMetrics(IDWriteTextLayout* layout, OverhangMetrics& overhangs) = 0;
  virtual HResult SetMaxWidth(IDWriteTextLayout* layout, float maxWidth) = 0;

  // An ellipsis ("…") sign in the look of `format`, for SetTrimming.
  virtual HResult CreateEllipsisTrimmingSign(IDWriteFactory* factory, IDWriteTextFormat* format,
                                             ComHolder<IDWriteInlineObject>& sign) = 0;
  virtual HResult SetTrimming(IDWriteTextLayout* layout, const Trimming& trimming,
                              IDWriteInlineObject* sign) = 0;

  // QueryInterface for IDWriteTextLayout1 ({9064D822-80A7-465C-A986-DF65F78B8FEB}).
  virtual HResult QueryTextLayout1(IDWriteTextLayout* layout,
                                   ComHolder<IDWriteTextLayout1>& layout1) = 0;
  virtual HResult SetCharacterSpacing(IDWriteTextLayout1* layout, float leadingSpacing,
                                      float trailingSpacing, float minimumAdvanceWidth,
                                      TextRange range) = 0;

  // The font lookup: the system collection, a family by name, its best match for a weight.
  virtual HResult GetSystemFontCollection(IDWriteFactory* factory,
                                          ComHolder<IDWriteFontCollection>& collection,
                                          bool checkForUpdates) = 0;
  virtual HResult FindFamilyName(IDWriteFontCollection* collection, const std::u16string& family,
                                 std::uint32_t& index, bool& exists) = 0;
  virtual HResult GetFontFamily(IDWriteFontCollection* collection, std::uint32_t index,
                                ComHolder<IDWriteFontFamily>& family) = 0;
  virtual HResult GetFirstMatchingFont(IDWriteFontFamily* family, std::uint32_t weight,
                                       std::uint32_t stretch, std::uint32_t style,
                                       ComHolder<IDWriteFont>& font) = 0;
  virtual void GetMetrics(IDWriteFont* font, FontMetrics& metrics) = 0;

 protected:
  ~TextApi() = default;
};
