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

// The rising halves of the triangular windows, each worked out once: half(P)[j] is value j of
// the rising half of the 2P-point window, j = 0..P-1. The periods of a text repeat, and a
// lookup is far cheaper than the division. Empty for a period too long to keep.
class HalfWindows {
 public:
  std::span<const double> half(Position period) {
    if (period > longest_kept) return {};
    const auto p = static_cast<std::size_t>(period);
    if (kept_.size() <= p) kept_.resize(p + 1);
    std::vector<double>& values = kept_[p];
    if (values.empty()) {
      values.resize(p);
      const double points = 2.0 * static_cast<double>(p);
      for (std::size_t j = 0; j < p; ++j) values[j] = triangle_value(static_cast<double>(j), points);
    }
    return values;
  }

 private:
  static constexpr Position longest_kept = 4096;
  std::vector<std::vector<double>> kept_;
};

// Adds x(from + k - 1) * w(k) into y(to + k - 1) for k = 1..count, where w(k) is half[k - 1]
// when rising and half[count - k] when falling (worked out here when half is empty); whatever
// would fall outside x or y is left out.
void add_weighted(std::span<const double> x, std::span<double> y, Position from, Position to, Position count,
                  std::span<const double> half, bool rising) {
  const auto x_size = static_cast<Position>(x.size());
  const auto y_size = static_cast<Position>(y.size());
  const Position first = std::max({Position{1}, 2 - from, 2 - to});
  const Position last = std::min({count, x_size - from + 1, y_size - to + 1});
  if (last < first) return;
  const double* xs = x.data() + (from + first - 2);
  double* ys = y.data() + (to + first - 2);
  const Position n = last - first + 1;
  if (half.empty()) {
    const double points = 2.0 * static_cast<double>(count);
    for (Position k = first, i = 0; k <= last; ++k, ++i) {
      ys[i] += xs[i] * triangle_value(static_cast<double>(rising ? k - 1 : count - k), points);
    }
  } else if (rising) {
    const double* w = half.data() + (first - 1);
    for (Position i = 0; i < n; ++i) ys[i] += xs[i] * w[i];
  } else {
    const double* w = half.data() + (count - first);  // w[-i] is the weight of sample i
    for (Position i = 0; i < n; ++i) ys[i] += xs[i] * w[-i];
  }
}

// One step: the two periods around the analysis mark `middle` are weighted by the rising half of
// the 2L-point and the falling half of the 2R-point triangular windows and added around the
// synthesis mark `target`.
void add_segment(std::span<const double> x, std::span<double> y, Position before, Position middle, Position after,
                 Position target, HalfWindows& windows) {
  const Position left = middle - before;
  const Position right = after - middle;
  if (left > 0) add_weighted(x, y, before, target - left, left, windows.half(left), true);
  if (right > 0) add_weighted(x, y, middle, target, right, windows.half(right), false);
}

}  // namespace

void resynthesize_steps(std::span<const double> orig, std::span<const OverlapStep> steps, std::size_t sinal_length,
                        const StretchSink& take) {
  // Step i adds over positions target - left .. target + right - 1 at most. A sample is
  // finished once no later step starts at or before it: so the step starts, and from each step
  // on the earliest start to come.
  const auto length = static_cast<Position>(sinal_length);
  const std::size_t count = steps.size();
  std::vector<Position> start(count), end(count);
  for (std::size_t i = 0; i < count; ++i) {
    start[i] = std::max<Position>(steps[i].target - std::max<Position>(steps[i].left, 0), 1);
    end[i] = std::min<Position>(steps[i].target + std::max<Position>(steps[i].right, 0) - 1, length);
  }
  std::vector<Position> earliest_from(count + 1, length + 1);
  for (std::size_t i = count; i-- > 0;) {
    earliest_from[i] = std::min(earliest_from[i + 1], start[i] <= end[i] ? start[i] : length + 1);
  }

  // work holds positions base .. base + work.size() - 1; everything before base has been handed
  // out.
  std::vector<double> work;
  Position base = 1;
  HalfWindows windows;
  const auto hand_out = [&](Position finished) {  // positions base .. finished - 1, in stretches
    while (base < finished) {
      const auto n = static_cast<std::size_t>(std::min<Position>(finished - base, stretch_samples));
      if (work.size() < n) work.resize(n, 0.0);  // no step reaches the rest of them
      take(std::span<const double>(work).first(n));
      work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(n));
      base += static_cast<Position>(n);
    }
  };
  for (std::size_t i = 0; i < count; ++i) {
    if (start[i] <= end[i]) {
      const auto needed = static_cast<std::size_t>(end[i] - base + 1);
      if (work.size() < needed) work.resize(needed, 0.0);
      // The step sees the new signal from base on: position base becomes 1.
      const OverlapStep& step = steps[i];
      add_segment(orig, work, step.centre - step.left, step.centre, step.centre + step.right,
                  step.target - base + 1, windows);
    }
    const Position finished = earliest_from[i + 1];
    if (finished - base >= static_cast<Position>(stretch_samples)) hand_out(finished);
  }
  hand_out(length + 1);
}

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
  // Step i centres the two periods around a(i + 1) on s(i + 1); steps whose synthesis mark
  // does not exist are skipped.
  const std::size_t count = std::min(a.size() > 2 ? a.size() - 2 : 0, s.size() > 1 ? s.size() - 1 : 0);
  std::vector<OverlapStep> steps(count);
  for (std::size_t i = 0; i < count; ++i) steps[i] = {a[i + 1], a[i + 1] - a[i], a[i + 2] - a[i + 1], s[i + 1]};
  resynthesize_steps(orig, steps, sinal_length, take);
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
