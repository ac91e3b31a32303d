#include "prosody/target_planning.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quelvara::prosody {
namespace {

// The marks the periods are cut at: the pitch marks of the voiced stretches and, between
// them, pseudo-marks that cut the unvoiced stretches into pieces of unvoiced_spacing at most.
// A phone boundary and a stop's release start a piece of their own, so that no window of a
// closure reaches into its burst, and so that the planner can put them exactly where they
// belong.
struct Grid {
  std::vector<Position> marks;   // 0-based, ascending
  std::vector<bool> voiced;      // a pitch mark inside a voiced run
  std::vector<Position> left, right, period;
  // Whether a mark opens a stretch of the other kind (voiced or not), a phone or a stop's
  // release: its left period then belongs to what came before, which must not be repeated.
  std::vector<bool> anchor;
  // The first anchor after each mark; marks.size() when none follows.
  std::vector<std::size_t> next_anchor;
};

Grid make_grid(const JoinedPhones& joined) {
  const MarkedSignal& signal = joined.signal;
  const auto size = static_cast<Position>(signal.length);
  // The voiced part of each run that holds marks, from its first mark to its end (0-based,
  // end exclusive), with those marks.
  std::vector<std::pair<Position, Position>> covered;
  std::vector<Position> voiced_marks;
  auto mark = signal.marks.begin();
  for (const VoicedRun& run : signal.voiced) {
    while (mark != signal.marks.end() && *mark < run.first) ++mark;
    const auto first = mark;
    while (mark != signal.marks.end() && *mark <= run.last) voiced_marks.push_back(*mark++ - 1);
    if (mark != first) covered.emplace_back(*first - 1, std::min(run.last, size));
  }

  // Where an unvoiced piece must begin: at each phone boundary and each stop's release.
  std::vector<Position> cuts;
  for (std::size_t k = 0; k < joined.releases.size(); ++k) {
    if (k > 0) cuts.push_back(static_cast<Position>(joined.bounds[k]));
    if (joined.releases[k] > joined.bounds[k] && joined.releases[k] < joined.bounds[k + 1])
      cuts.push_back(static_cast<Position>(joined.releases[k]));
  }
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

  Grid grid;
  const auto add_piece = [&](Position from, Position to) {
    if (to <= from) return;
    const Position pieces = (to - from + unvoiced_spacing - 1) / unvoiced_spacing;
    for (Position j = 0; j < pieces; ++j) {
      grid.marks.push_back(from + (to - from) * j / pieces);
      grid.voiced.push_back(false);
    }
  };
  const auto add_unvoiced = [&](Position from, Position to) {
    for (Position cut : cuts) {
      if (cut <= from || cut >= to) continue;
      add_piece(from, cut);
      from = cut;
    }
    add_piece(from, to);
  };
  Position at = 0;
  auto voiced_mark = voiced_marks.begin();
  for (const auto& [first, end] : covered) {
    add_unvoiced(at, first);
    for (; voiced_mark != voiced_marks.end() && *voiced_mark < end; ++voiced_mark) {
      grid.marks.push_back(*voiced_mark);
      grid.voiced.push_back(true);
    }
    at = end;
  }
  add_unvoiced(at, size);

  const std::size_t n = grid.marks.size();
  grid.left.resize(n);
  grid.right.resize(n);
  grid.period.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    grid.left[i] = i > 0 ? grid.marks[i] - grid.marks[i - 1] : grid.marks[i];
    grid.right[i] = i + 1 < n ? grid.marks[i + 1] - grid.marks[i] : size - grid.marks[i];
  }
  grid.anchor.assign(n, false);
  grid.next_anchor.assign(n, n);
  for (std::size_t i = n; i-- > 1;) {
    grid.anchor[i] = grid.voiced[i] != grid.voiced[i - 1] || std::binary_search(cuts.begin(), cuts.end(), grid.marks[i]);
    grid.next_anchor[i - 1] = grid.anchor[i] ? i : grid.next_anchor[i];
  }
  for (std::size_t i = 0; i < n; ++i) {
    // A voiced mark's own period: to the next voiced mark, else from the one before.
    Position period = grid.right[i];
    if (grid.voiced[i] && !(i + 1 < n && grid.voiced[i + 1]) && i > 0 && grid.voiced[i - 1]) period = grid.left[i];
    grid.period[i] = std::max<Position>(period, 1);
  }
  return grid;
}

// The time map from the new signal back to the joined one: linear inside each piece, the
// pieces being the phones and, in a stop that is long enough, its closure and its release.
// A piece takes its periods from its own marks, so that each phone's sound stays inside it.
struct Piece {
  double result_start, result_end;
  double orig_start, orig_end;
  Position lowest, highest;  // marks allowed: lowest <= mark < highest
};

std::vector<Piece> time_map(const JoinedPhones& joined, const ProsodyTarget& target) {
  std::vector<Piece> pieces;
  double at = 0;
  for (std::size_t k = 0; k < target.phones.size(); ++k) {
    const double start = static_cast<double>(joined.bounds[k]);
    const double end = static_cast<double>(joined.bounds[k + 1]);
    const double release = static_cast<double>(joined.releases[k]);
    const double length = target.phones[k].length_ms * samples_per_ms;
    const double kept = end - release;
    const auto first = static_cast<Position>(joined.bounds[k]);
    const auto last = static_cast<Position>(joined.bounds[k + 1]);
    if (release > start && kept > 0 && length > kept) {
      const auto cut = static_cast<Position>(joined.releases[k]);
      pieces.push_back({at, at + length - kept, start, release, first, cut});
      pieces.push_back({at + length - kept, at + length, release, end, cut, last});
    } else {
      pieces.push_back({at, at + length, start, end, first, last});
    }
    at += length;
  }
  return pieces;
}

// Where a sample of the joined signal falls in the new one.
double forward(const std::vector<Piece>& pieces, double sample) {
  const auto piece = std::upper_bound(pieces.begin(), pieces.end(), sample,
                                      [](double s, const Piece& p) { return s < p.orig_end; });
  if (piece == pieces.end()) return pieces.empty() ? 0.0 : pieces.back().result_end;
  const double span = piece->orig_end - piece->orig_start;
  const double fraction = span > 0 ? std::clamp((sample - piece->orig_start) / span, 0.0, 1.0) : 0.0;
  return piece->result_start + fraction * (piece->result_end - piece->result_start);
}

// The grid mark nearest to sample among those of the piece (any mark when it holds none).
std::size_t nearest_mark(const Grid& grid, double sample, const Piece& piece) {
  const auto& m = grid.marks;
  auto low = std::lower_bound(m.begin(), m.end(), piece.lowest);
  auto high = std::lower_bound(m.begin(), m.end(), piece.highest);
  if (low == high) {
    low = m.begin();
    high = m.end();
  }
  auto after = std::lower_bound(low, high, sample, [](Position mark, double s) { return static_cast<double>(mark) < s; });
  if (after == high) return static_cast<std::size_t>(high - 1 - m.begin());
  if (after != low && sample - static_cast<double>(*(after - 1)) <= static_cast<double>(*after) - sample) --after;
  return static_cast<std::size_t>(after - m.begin());
}

// The mark of the step at time t, the nearest one being i, after the step of mark last at time
// previous. Time runs forward through the joined signal too. Where voicing starts or stops, a
// phone begins or a burst, the sound changes at a mark, an anchor: it goes exactly where it
// falls in time (t moves there), the step before it growing or shrinking by at most half, so
// that such boundaries come out where the target puts them; and it is used once, as its left
// period belongs to what came before.
std::size_t after_the_last(const Grid& grid, const std::vector<Piece>& pieces, const Piece& piece, std::size_t i,
                           std::size_t last, double& t, double previous) {
  i = std::max(i, last);
  const std::size_t anchor = grid.next_anchor[last];
  if (anchor < grid.marks.size()) {
    const double at = forward(pieces, static_cast<double>(grid.marks[anchor]));
    if (at <= t + (t - previous) / 2) {
      t = std::max(at, previous + 1);
      return anchor;
    }
    if (i >= anchor) i = anchor - 1;  // not before its time
  }
  if (i == last && grid.anchor[i] && i + 1 < grid.marks.size() && i + 1 != anchor && grid.marks[i + 1] < piece.highest)
    ++i;
  return i;
}

}  // namespace

std::vector<Position> TargetPlan::analysis_marks() const {
  std::vector<Position> marks;
  marks.reserve(steps.size());
  for (const OverlapStep& step : steps) marks.push_back(step.centre);
  return marks;
}

std::vector<Position> TargetPlan::synthesis_marks() const {
  std::vector<Position> marks;
  marks.reserve(steps.size());
  for (const OverlapStep& step : steps) marks.push_back(step.target);
  return marks;
}

TargetPlan plan_target(const JoinedPhones& joined, const ProsodyTarget& target) {
  const std::size_t phones = target.phones.size();
  if (joined.bounds.size() != phones + 1 || joined.releases.size() != phones)
    throw std::invalid_argument("the target and the joined signal differ in phones");
  if (joined.bounds.front() != 0 || joined.bounds.back() != joined.signal.length ||
      !std::is_sorted(joined.bounds.begin(), joined.bounds.end()))
    throw std::invalid_argument("phone bounds outside the joined signal");
  for (std::size_t k = 0; k < phones; ++k) {
    if (joined.releases[k] < joined.bounds[k] || joined.releases[k] > joined.bounds[k + 1])
      throw std::invalid_argument("a release outside its phone");
    if (!(target.phones[k].length_ms >= 0)) throw std::invalid_argument("a phone of negative length");
  }

  const Grid grid = make_grid(joined);
  const std::vector<Piece> pieces = time_map(joined, target);
  const std::vector<CurvePoint> curve = pitch_curve(target);

  TargetPlan plan;
  const double total = pieces.empty() ? 0.0 : pieces.back().result_end;
  plan.length = static_cast<std::size_t>(std::llround(total));
  if (grid.marks.empty()) return plan;
  std::size_t piece = 0;
  double previous = 0;                   // the time of the last step
  std::size_t last = grid.marks.size();  // its mark
  for (double t = 0; std::llround(t) < static_cast<Position>(plan.length);) {
    while (piece + 1 < pieces.size() && t >= pieces[piece].result_end) ++piece;
    const Piece& p = pieces[piece];
    const double span = p.result_end - p.result_start;
    const double fraction = span > 0 ? std::clamp((t - p.result_start) / span, 0.0, 1.0) : 0.0;
    std::size_t i = nearest_mark(grid, p.orig_start + fraction * (p.orig_end - p.orig_start), p);
    if (last < grid.marks.size()) {
      i = after_the_last(grid, pieces, p, i, last, t, previous);
      if (std::llround(t) >= static_cast<Position>(plan.length)) break;
    }
    plan.steps.push_back({grid.marks[i] + 1, grid.left[i], grid.right[i], std::llround(t) + 1});
    previous = t;
    last = i;

    double step = static_cast<double>(grid.period[i]);
    if (grid.voiced[i] && !curve.empty()) {
      // The period that starts here, read at its middle.
      const double first_guess = sample_rate / hz_at(curve, t / samples_per_ms);
      step = sample_rate / hz_at(curve, (t + first_guess / 2) / samples_per_ms);
    }
    t += std::max(step, 1.0);
  }
  return plan;
}

double carried_position(std::span<const Position> analysis_marks, std::span<const Position> synthesis_marks,
                        double sample) {
  const std::size_t n = std::min(analysis_marks.size(), synthesis_marks.size());
  if (n == 0) return sample;
  const auto a = [&](std::size_t i) { return static_cast<double>(analysis_marks[i] - 1); };
  const auto s = [&](std::size_t i) { return static_cast<double>(synthesis_marks[i] - 1); };
  const auto marks = analysis_marks.first(n);
  const auto after = static_cast<std::size_t>(
      std::upper_bound(marks.begin(), marks.end(), sample, [](double x, Position m) { return x < static_cast<double>(m - 1); }) -
      marks.begin());
  if (after == 0) return s(0) - (a(0) - sample);
  // A mark used several times: the sample on it is first heard where it is first used, what
  // follows it once its last use gives way to the next mark.
  const std::size_t last = after - 1;
  const auto first = static_cast<std::size_t>(std::lower_bound(marks.begin(), marks.end(), marks[last]) - marks.begin());
  if (sample == a(last)) return s(first);
  if (after == n) return s(last) + (sample - a(last));
  return s(last) + (sample - a(last)) * (s(after) - s(last)) / (a(after) - a(last));
}

}  // namespace quelvara::prosody
