#pragma once
// Conversion of rectangles between a Units value and pixels. "normalized" is relative to the
// reference size (the screen for a figure, the parent's client area otherwise); the other
// units are absolute, at 96 pixels per inch.
#include <string_view>

#include "graphics/object_tree.h"

namespace quelvara::graphics {

Rect to_pixels(Rect r, std::string_view units, double reference_width, double reference_height);
Rect from_pixels(Rect r, std::string_view units, double reference_width, double reference_height);

}  // namespace quelvara::graphics
