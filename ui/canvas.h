// The fixed canvas every drawing and hit test works in, and the parts of its frame that both the
// painting and the input handling need, in DIPs.
#pragma once

inline constexpr float kCanvasWidth = 420.0f;
inline constexpr float kCanvasHeight = 236.0f;
// The top band: it drags the window, and carries the title and the close box.
inline constexpr float kTitleBandHeight = 32.0f;
// The close box fills the band's right end.
inline constexpr float kCloseBoxWidth = 46.0f;
