// The window's device resources: the HWND render target and the one brush, made together on
// demand and dropped together (brush first). UI thread only.
#pragma once

#include "platform/drawing_api.h"
#include "ui/setup_window.h"

// Creates the render target, with the window's DPI and client size and grayscale text, and the
// brush in ColorText, when there is no render target. Success means both exist afterwards. When
// the brush cannot be made the new target is dropped too, so no paint ever draws without a brush.
HResult EnsureDeviceResources(SetupWindow& window, DrawingApi& drawing);

// Releases the brush, then the render target; the next paint makes both again.
void DiscardDeviceResources(SetupWindow& window);
