// The push button: a rounded box anchored at its right edge with a centred label, primary (accent
// fill) or secondary (dark fill, 1-DIP outline), lit while the pointer is over it.
#pragma once

#include <string>

#include "render/primitives.h"
#include "ui/setup_window.h"

// Draws the button `id` with its right edge at `right` and its top at `top`, writes its bounds to
// `bounds` (the rectangle hit testing uses) and returns its width: at least 88 DIPs, otherwise the
// label's width plus 12 on each side.
float DrawButton(const Canvas& canvas, const std::u16string& label, float right, float top,
                 bool primary, ButtonId id, RectF& bounds);
