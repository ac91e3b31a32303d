#pragma once
// The weights of the triangular windows, written once so that the window builder and the
// overlap-add, which makes its composite windows from their halves, give bit-identical values.

namespace quelvara::prosody {

// Value j (0-based) of the rising half of the n-point triangular window. The overlap-add's
// composite window: its weight k (1-based) on the rising side is point k of the 2L-point window
// (j = k - 1), on the falling side point R + k of the 2R-point window, the mirror of its point
// R + 1 - k (j = R - k).
inline double triangle_value(double j, double n) { return (2.0 * j) / (n - 1.0); }

}  // namespace quelvara::prosody
