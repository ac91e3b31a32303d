#pragma once
// The one rounding rule of the system: to the nearest integer, halves away from zero.
#include <cmath>

namespace quelvara::prosody {

inline double nearest(double x) { return std::round(x); }

}  // namespace quelvara::prosody
