#include "graphics/units.h"

#include <utility>

namespace quelvara::graphics {

namespace {

constexpr double pixels_per_inch = 96;
// A character cell of the default control font.
constexpr double character_width = 7;
constexpr double character_height = 16;

// Pixels per unit across and up.
std::pair<double, double> scale(std::string_view units, double ref_w, double ref_h) {
  if (units == "normalized") return {ref_w, ref_h};
  if (units == "points") return {pixels_per_inch / 72, pixels_per_inch / 72};
  if (units == "inches") return {pixels_per_inch, pixels_per_inch};
  if (units == "centimeters") return {pixels_per_inch / 2.54, pixels_per_inch / 2.54};
  if (units == "characters") return {character_width, character_height};
  return {1, 1};
}

}  // namespace

Rect to_pixels(Rect r, std::string_view units, double ref_w, double ref_h) {
  const auto [sx, sy] = scale(units, ref_w, ref_h);
  return {r.left * sx, r.bottom * sy, r.width * sx, r.height * sy};
}

Rect from_pixels(Rect r, std::string_view units, double ref_w, double ref_h) {
  auto [sx, sy] = scale(units, ref_w, ref_h);
  if (sx == 0) sx = 1;
  if (sy == 0) sy = 1;
  return {r.left / sx, r.bottom / sy, r.width / sx, r.height / sy};
}

}  // namespace quelvara::graphics
