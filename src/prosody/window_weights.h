#pragma once
// The weights of the triangular windows, written once so that the window builder and the
// overlap-add, which computes its composite windows on the fly, give bit-identical values.

namespace quelvara::prosody {

// Value j (0-based) of the rising half of the n-point triangular window.
inline double triangle_value(double j, double n) { return (2.0 * j) / (n - 1.0); }

// The overlap-add weights its segments with the composite window: weight k (1-based) of the
// rising half is point k of the 2L-point window (j = k - 1), and weight k of the falling half is
// point R + k of the 2R-point window, the mirror of its point R + 1 - k (j = R - k).

}  // namespace quelvara::prosody
