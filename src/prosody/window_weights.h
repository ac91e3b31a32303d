#pragma once
// The weights of the triangular windows, written once so that the window builder and the
// overlap-add, which computes its composite windows on the fly, give bit-identical values.

namespace quelvara::prosody {

// Value j (0-based) of the rising half of the n-point triangular window.
inline double triangle_value(double j, double n) { return (2.0 * j) / (n - 1.0); }

// Weight k (1-based, k = 1..L) of the rising half of the composite window: point k of the
// 2L-point window.
inline double rising_weight(double k, double period) { return triangle_value(k - 1.0, 2.0 * period); }

// Weight k (1-based, k = 1..R) of the falling half of the composite window: point R + k of the
// 2R-point window, the mirror of its point R + 1 - k.
inline double falling_weight(double k, double period) { return triangle_value(period - k, 2.0 * period); }

}  // namespace quelvara::prosody
