#include "prosody/resynthesis.h"

#include <algorithm>
#include <cstddef>

#include "prosody/window_weights.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Adds x(from + k - 1) * w(k) into y(to + k - 1) for k = 1..count, where w(k) is value j(k) of
// the rising half of the points-point triangular window, j(k) = j1 + step * (k - 1) with step +1
// or -1; whatever would fall outside x or y is left out. Two samples at a time where SSE2 is
// there: each lane does the scalar loop's operations in its order, so the sums are the same.
void add_weighted(std::span<const double> x, std::span<double> y, Position from, Position to, Position count,
                  double j1, double step, double points) {
  const auto x_size = static_cast<Position>(x.size());
  const auto y_size = static_cast<Position>(y.size());
  const Position first = std::max({Position{1}, 2 - from, 2 - to});
  const Position last = std::min({count, x_size - from + 1, y_size - to + 1});
  if (last < first) return;
  const double* xs = x.data() + (from + first - 2);
  double* ys = y.data() + (to + first - 2);
  const Position n = last - first + 1;
  double j = j1 + step * static_cast<double>(first - 1);  // whole numbers: exact
  Position i = 0;
#if defined(__SSE2__)
  const __m128d twos = _mm_set1_pd(2.0), divisor = _mm_set1_pd(points - 1.0), advance = _mm_set1_pd(2.0 * step);
  __m128d js = _mm_set_pd(j + step, j);
  for (; i + 2 <= n; i += 2) {
    const __m128d w = _mm_div_pd(_mm_mul_pd(twos, js), divisor);
    _mm_storeu_pd(ys + i, _mm_add_pd(_mm_loadu_pd(ys + i), _mm_mul_pd(_mm_loadu_pd(xs + i), w)));
    js = _mm_add_pd(js, advance);
  }
  j += step * static_cast<double>(i);
#endif
  for (; i < n; ++i, j += step) ys[i] += xs[i] * triangle_value(j, points);
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
  add_weighted(x, y, before, target - left, left, 0.0, 1.0, 2.0 * left_period);
  add_weighted(x, y, middle, target, right, right_period - 1.0, -1.0, 2.0 * right_period);
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
