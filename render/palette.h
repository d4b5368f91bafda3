// The look of the whole window: the palette (0xRRGGBB, always opaque), the type families and the
// fixed layout of the 420 x 236 DIP canvas. Every number here is in DIPs.
#pragma once

#include <cstdint>

#include "ui/canvas.h"

inline constexpr std::uint32_t ColorBackground = 0x0D0F1E;   // clear colour of every frame
inline constexpr std::uint32_t ColorTitleBar = 0x131428;     // title band
inline constexpr std::uint32_t ColorLine = 0x242640;         // rule, border, track, outlines
inline constexpr std::uint32_t ColorText = 0xE0E0F0;         // main text; the brush's first colour
inline constexpr std::uint32_t ColorTextMuted = 0x9A9AB8;    // figures, details, idle close glyph
inline constexpr std::uint32_t ColorError = 0xFF8A8A;        // failure headline
inline constexpr std::uint32_t ColorAccent = 0x802A8A;       // logo square, primary button
inline constexpr std::uint32_t ColorAccentHover = 0x943AA0;  // primary button under the pointer
inline constexpr std::uint32_t ColorProgress = 0xA84CB4;     // filled part of the bar
inline constexpr std::uint32_t ColorButton = 0x1E2038;       // secondary button
inline constexpr std::uint32_t ColorButtonHover = 0x2A2C48;  // secondary button, close box hovered
inline constexpr std::uint32_t ColorOnAccent = 0xFFFFFF;     // logo letters, button labels
inline constexpr std::uint32_t ColorLogoOutline = 0x505058;  // outline of the large "ORNE"

// Type families, looked up by name in the system font collection.
inline constexpr char16_t kFamilyUi[] = u"Segoe UI";
inline constexpr char16_t kFamilyLogo[] = u"Segoe UI Black";
inline constexpr char16_t kFamilyLogoLine[] = u"Bahnschrift";

// Text sizes.
inline constexpr float kTitleTextSize = 12.4f;
inline constexpr float kMainTextSize = 13.0f;
inline constexpr float kSmallTextSize = 12.0f;

// Layout boxes get this height; text that is only measured and placed gets this width.
inline constexpr float kLayoutMaxHeight = 1000.0f;
inline constexpr float kUnboundedWidth = 10000.0f;

// The frame (the canvas and the title band's size: ui/canvas.h).
inline constexpr float kSmallLogoLeft = 10.0f;
inline constexpr float kSmallLogoTop = 6.0f;
inline constexpr float kSmallLogoSize = 20.0f;
inline constexpr float kTitleGap = 6.0f;       // between the small logo mark and the title text
inline constexpr float kTitleCentreY = 16.0f;  // the title text is centred on this line
inline constexpr float kCloseCrossSize = 10.0f;
inline constexpr float kLargeLogoTop = 54.0f;
inline constexpr float kLargeLogoSize = 40.0f;
inline constexpr float kTextBelowLogo =
    22.0f;                                     // from the logo's bottom to the status line's centre
inline constexpr float kBarBelowText = 18.0f;  // from the status line's centre to the bar's top
inline constexpr float kBarHeight = 6.0f;
inline constexpr float kBarRadius = 3.0f;

// The content column.
inline constexpr float kColumnLeft = 28.0f;
inline constexpr float kColumnRight = 392.0f;
inline constexpr float kColumnWidth = kColumnRight - kColumnLeft;
inline constexpr float kStatusGap = 12.0f;  // at least this between the status line and the figures

// Push buttons.
inline constexpr float kButtonTop = 192.0f;
inline constexpr float kButtonHeight = 28.0f;
inline constexpr float kButtonMinWidth = 88.0f;
inline constexpr float kButtonPadding = 12.0f;  // label to button edge, each side
inline constexpr float kButtonRadius = 4.0f;
inline constexpr float kButtonGap = 8.0f;
