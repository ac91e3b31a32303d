#pragma once
// The fixed period contours of the "Gráfica" mode.
#include <cstddef>
#include <vector>

namespace quelvara::prosody {

// count new periods read off the contour chosen by the final punctuation: the 12-point table for
// "." and "!", the 6-point table otherwise, sampled at count evenly spaced positions from its
// first to its last point and rounded to whole samples.
std::vector<double> contour_periods(std::size_t count, char pontuacao);

}  // namespace quelvara::prosody
