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

void resynthesize_in_stretches(std::span<const double> orig, std::span<const Position> a,
                               std::span<const Position> s, std::size_t sinal_length, const StretchSink& take) {
  // Without an analysis mark inside the signal there is no period to move: orig, cut or padded.
  const auto size = static_cast<Position>(orig.size());
  if (std::none_of(a.begin(), a.end(), [size](Position mark) { return mark <= size; })) {
    const std::size_t kept = std::min(orig.size(), sinal_length);
    const std::vector<double> zeros(std::min(sinal_length - kept, stretch_samples), 0.0);
    for (std::size_t done = 0; done < sinal_length;) {
      const std::size_t count = std::min(stretch_samples, (done < kept ? kept : sinal_length) - done);
      take(done < kept ? orig.subspan(done, count) : std::span(zeros).first(count));
      done += count;
    }
    return;
  }

  // Step i adds around s(i + 1), over 1-based positions s(i + 1) - L .. s(i + 1) + R - 1 at most
  // (steps whose synthesis mark does not exist are skipped). A sample is finished once no later
  // step starts at or before it: so the step starts, and from each step on the earliest start to
  // come.
  const auto length = static_cast<Position>(sinal_length);
  const std::size_t steps = std::min(a.size() > 2 ? a.size() - 2 : 0, s.size() > 1 ? s.size() - 1 : 0);
  std::vector<Position> start(steps), end(steps);
  for (std::size_t i = 0; i < steps; ++i) {
    start[i] = std::max<Position>(s[i + 1] - std::max<Position>(a[i + 1] - a[i], 0), 1);
    end[i] = std::min<Position>(s[i + 1] + std::max<Position>(a[i + 2] - a[i + 1], 0) - 1, length);
  }
  std::vector<Position> earliest_from(steps + 1, length + 1);
  for (std::size_t i = steps; i-- > 0;) {
    earliest_from[i] = std::min(earliest_from[i + 1], start[i] <= end[i] ? start[i] : length + 1);
  }

  // work holds positions base .. base + work.size() - 1; everything before base has been handed
  // out.
  std::vector<double> work;
  Position base = 1;
  const auto hand_out = [&](Position finished) {  // positions base .. finished - 1, in stretches
    while (base < finished) {
      const auto count = static_cast<std::size_t>(std::min<Position>(finished - base, stretch_samples));
      if (work.size() < count) work.resize(count, 0.0);  // no step reaches the rest of them
      take(std::span<const double>(work).first(count));
      work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(count));
      base += static_cast<Position>(count);
    }
  };
  for (std::size_t i = 0; i < steps; ++i) {
    if (start[i] <= end[i]) {
      const auto needed = static_cast<std::size_t>(end[i] - base + 1);
      if (work.size() < needed) work.resize(needed, 0.0);
      // The step sees the new signal from base on: position base becomes 1.
      add_segment(orig, work, a[i], a[i + 1], a[i + 2], s[i + 1] - base + 1);
    }
    const Position finished = earliest_from[i + 1];
    if (finished - base >= static_cast<Position>(stretch_samples)) hand_out(finished);
  }
  hand_out(length + 1);
}

Resynthesis resynthesize(std::span<const double> orig, std::span<const Position> a,
                         std::span<const Position> s, std::size_t sinal_length) {
  Resynthesis result;
  result.sinal.reserve(sinal_length);
  result.mark_count_mismatch = a.size() != s.size();
  resynthesize_in_stretches(orig, a, s, sinal_length, [&result](std::span<const double> stretch) {
    result.sinal.insert(result.sinal.end(), stretch.begin(), stretch.end());
  });
  return result;
}

Resynthesis resynthesize(std::span<const double> orig, std::span<const double> analysis_marks,
                         std::span<const double> synthesis_marks) {
  return resynthesize(orig, mark_positions(analysis_marks), mark_positions(synthesis_marks),
                      synthesis_marks.size());
}

}  // namespace quelvara::prosody
