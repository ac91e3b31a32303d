#pragma once
// Rectangles and their conversion between a Units value and pixels. "normalized" is relative
// to the reference size (the screen for a figure, the parent's client area otherwise); the
// other units are absolute, at 96 pixels per inch.
#include <string_view>

namespace quelvara::graphics {

// [left, bottom, width, height], pixels from the lower-left corner of the screen (figures) or
// of the parent's client area (other objects).
struct Rect {
  double left = 0, bottom = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

Rect to_pixels(Rect r, std::string_view units, double reference_width, double reference_height);
Rect from_pixels(Rect r, std::string_view units, double reference_width, double reference_height);

}  // namespace quelvara::graphics
