// The product logo: "V" white in an accent square, "ORNE" on the same baseline to its right, and
// in the large form an outline around "ORNE" and the spaced line "SANDBOX" under the square.
// Measuring (draw false) runs the same code and returns the same size without drawing.
#pragma once

#include "platform/drawing_api.h"
#include "render/primitives.h"

// The mark with its square's top-left corner at (x, y) and side `size`; returns its width, from x
// to the end of "ORNE".
float DrawLogoMark(const Canvas& canvas, bool large, float x, float y, float size, bool draw);

// The large mark and "SANDBOX"; width is the mark's, height reaches the bottom of "SANDBOX".
SizeF DrawLogo(const Canvas& canvas, bool draw, float x, float y, float size);
