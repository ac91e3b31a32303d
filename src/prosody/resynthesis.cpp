#include "prosody/resynthesis.h"

#include <algorithm>
#include <cstddef>

#include "prosody/window_weights.h"

namespace quelvara::prosody {
namespace {

using Position = std::ptrdiff_t;  // 1-based sample position

std::vector<Position> mark_positions(std::span<const double> row) {
  std::vector<Position> marks;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != 0) marks.push_back(static_cast<Position>(i) + 1);
  }
  return marks;
}

// Adds x(from + k - 1) * weight(k) into y(to + k - 1) for k = 1..count; whatever would fall
// outside x or y is left out.
template <typename Weight>
void add_weighted(std::span<const double> x, std::span<double> y, Position from, Position to, Position count,
                  Weight weight) {
  const auto x_size = static_cast<Position>(x.size());
  const auto y_size = static_cast<Position>(y.size());
  const Position first = std::max({Position{1}, 2 - from, 2 - to});
  const Position last = std::min({count, x_size - from + 1, y_size - to + 1});
  for (Position k = first; k <= last; ++k) {
    y[static_cast<std::size_t>(to + k - 2)] += x[static_cast<std::size_t>(from + k - 2)] * weight(k);
  }
}

// One step: the two periods around the analysis mark `middle` are weighted by the rising half of
// the 2L-point and the falling half of the 2R-point triangular windows and added around the
// synthesis mark `target`.
void add_segment(std::span<const double> x, std::span<double> y, Position before, Position middle, Position after,
                 Position target) {
  const Position left = middle - before;
  const Position right = after - middle;
  const double left_period = static_cast<double>(left);
  const double right_period = static_cast<double>(right);
  add_weighted(x, y, before, target - left, left,
               [left_period](Position k) { return rising_weight(static_cast<double>(k), left_period); });
  add_weighted(x, y, middle, target, right,
               [right_period](Position k) { return falling_weight(static_cast<double>(k), right_period); });
}

}  // namespace

Resynthesis resynthesize(std::span<const double> orig, std::span<const Position> a,
                         std::span<const Position> s, std::size_t sinal_length) {
  Resynthesis result;
  result.sinal.assign(sinal_length, 0.0);
  result.mark_count_mismatch = a.size() != s.size();

  // Without an analysis mark inside the signal there is no period to move.
  const auto size = static_cast<Position>(orig.size());
  if (std::none_of(a.begin(), a.end(), [size](Position mark) { return mark <= size; })) {
    std::copy_n(orig.begin(), std::min(orig.size(), result.sinal.size()), result.sinal.begin());
    return result;
  }

  // Steps whose synthesis mark does not exist are skipped.
  for (std::size_t i = 0; i + 2 < a.size() && i + 1 < s.size(); ++i) {
    add_segment(orig, result.sinal, a[i], a[i + 1], a[i + 2], s[i + 1]);
  }
  return result;
}

Resynthesis resynthesize(std::span<const double> orig, std::span<const double> analysis_marks,
                         std::span<const double> synthesis_marks) {
  return resynthesize(orig, mark_positions(analysis_marks), mark_positions(synthesis_marks),
                      synthesis_marks.size());
}

}  // namespace quelvara::prosody
