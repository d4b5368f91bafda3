// Painting the whole client area: the frame every screen shares and the Downloading, Starting or
// failure screen, chosen by the window's phase. UI thread only, inside WM_PAINT.
#pragma once

#include "platform/drawing_api.h"
#include "platform/locale_api.h"
#include "platform/resource_api.h"
#include "platform/text_api.h"
#include "ui/setup_window.h"

// The platform services one paint uses.
struct RenderPlatform {
  DrawingApi& drawing;
  TextApi& text;
  const ResourceApi& resources;
  const LocaleApi& locale;
};

// Draws the frame and the screen of `window.phase`, and writes closeRect, retryRect and
// cancelRect to what was drawn. When no render target can be made it draws and writes nothing.
// Every text format, layout and trimming sign it makes is released before it returns.
void Paint(SetupWindow& window, const RenderPlatform& platform);
