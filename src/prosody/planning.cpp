#include "prosody/planning.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "prosody/contour.h"
#include "prosody/rounding.h"
#include "synthesis/voicing.h"

namespace quelvara::prosody {
namespace {

// Which samples of a marked signal are voiced; samples outside it are not.
class Voicing {
 public:
  explicit Voicing(const MarkedSignal& signal) : runs_(signal.voiced), size_(static_cast<Position>(signal.length)) {}
  bool voiced(Position j) const { return run_of(j) != nullptr; }
  // The first unvoiced sample from j on; one past the end at the latest.
  Position first_unvoiced_from(Position j) const {
    j = std::min(j, size_ + 1);
    const VoicedRun* run = run_of(j);
    return run ? std::min(run->last, size_) + 1 : j;
  }

 private:
  // The run holding j, if any.
  const VoicedRun* run_of(Position j) const {
    if (j < 1 || j > size_) return nullptr;
    auto after = std::upper_bound(runs_.begin(), runs_.end(), j,
                                  [](Position p, const VoicedRun& run) { return p < run.first; });
    if (after == runs_.begin()) return nullptr;
    const VoicedRun& run = *std::prev(after);
    return j <= run.last ? &run : nullptr;
  }

  std::span<const VoicedRun> runs_;
  Position size_;
};

// The spacing list, whose slots are numbered from 1 and grow with zeros when written past the end.
class SpacingList {
 public:
  void set(Position slot, double value) {
    reach(slot);
    slots_[slot - 1] = value;
  }
  void reach(Position slot) {
    if (static_cast<Position>(slots_.size()) < slot) slots_.resize(slot, 0.0);
  }
  std::vector<double>& slots() { return slots_; }

 private:
  std::vector<double> slots_;
};

// One mark interval: its voiced length and whether the interval is voiced throughout, which
// decides whether mode "Factor" scales its period.
struct Interval {
  double voiced_length;
  bool voiced_throughout;
};

struct MarkIntervals {
  std::vector<Position> marks;      // m(1..n) of the pitch row as read
  std::vector<Interval> intervals;  // one per mark
};

// The analysis marks as they are placed: the pitch marks, then those planning adds, sorted and
// merged once at the end (a mark added on a pitch mark is the same mark).
class AnalysisMarks {
 public:
  AnalysisMarks(const std::vector<Position>& marks, std::size_t size)
      : marks_(marks), last_(static_cast<Position>(size) + 1) {}
  void add(Position j) {
    if (j < 1 || j > last_) throw std::out_of_range("analysis mark outside the working row");
    added_.push_back(j);
  }
  std::vector<Position> take() {
    const auto middle = static_cast<std::ptrdiff_t>(marks_.size());
    std::sort(added_.begin(), added_.end());
    marks_.insert(marks_.end(), added_.begin(), added_.end());
    std::inplace_merge(marks_.begin(), marks_.begin() + middle, marks_.end());
    marks_.erase(std::unique(marks_.begin(), marks_.end()), marks_.end());
    return std::move(marks_);
  }

 private:
  std::vector<Position> marks_;
  std::vector<Position> added_;
  Position last_;
};

// Cuts the signal at its pitch marks, adds a mark where each voiced run ends, and lays out the
// spacing list: a placeholder per interval and, after it, the unvoiced remainder of an interval
// that is not voiced throughout.
MarkIntervals cut_intervals(std::vector<Position> marks, std::size_t size_of_signal, const Voicing& voicing,
                            AnalysisMarks& working, SpacingList& spacing) {
  const auto size = static_cast<Position>(size_of_signal);
  MarkIntervals cut{std::move(marks), {}};
  cut.intervals.reserve(cut.marks.size());
  const std::vector<Position>& m = cut.marks;
  const std::size_t n = m.size();
  const auto voiced = [&voicing](Position j) { return voicing.voiced(j); };
  Position k = 1;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const Position length = m[i + 1] - m[i];
    if (voiced_period(voiced, m[i], m[i + 1])) {
      cut.intervals.push_back({static_cast<double>(length), true});
      k += 1;
    } else {
      const Position j = voicing.first_unvoiced_from(m[i] + voicing_look_ahead);
      working.add(j);
      const Position voiced = j - 1 - m[i];
      cut.intervals.push_back({static_cast<double>(voiced), false});
      spacing.set(k + 1, static_cast<double>(length - voiced));
      k += 2;
    }
  }
  const Position last = m[n - 1];
  if (voicing.voiced(size)) {
    cut.intervals.push_back({static_cast<double>(size - last), true});
  } else {
    const Position j = voicing.first_unvoiced_from(last + 1);
    working.add(j);
    const Position voiced = j - 1 - last;
    cut.intervals.push_back({static_cast<double>(voiced), false});
    spacing.set(k + 1, static_cast<double>((size - last) - voiced));
  }
  working.add(size + 1);
  spacing.reach(k);
  return cut;
}

// Writes the new periods into the zero slots, in order. Returns false when their numbers differ;
// surplus slots then stay 0 and surplus periods are left out.
bool fill_placeholders(std::vector<double>& spacing, const std::vector<double>& periods) {
  std::size_t next = 0;
  std::size_t placeholders = 0;
  for (double& slot : spacing) {
    if (slot != 0) continue;
    ++placeholders;
    if (next < periods.size()) slot = periods[next++];
  }
  return placeholders == periods.size();
}

// The new mark positions: from the start (sample 1, and the first pitch mark when the onset is
// unvoiced), each entry of the spacing list puts the next mark that many samples later.
void place_synthesis_marks(Position first_mark, bool starts_voiced, const std::vector<double>& spacing,
                           MarkPlan& plan) {
  std::size_t length = starts_voiced ? 1 : static_cast<std::size_t>(first_mark);
  plan.synthesis_marks.push_back(1);
  if (length > 1) plan.synthesis_marks.push_back(static_cast<Position>(length));
  for (double distance : spacing) {
    // A distance of 0 adds no mark; a negative one (an unvoiced remainder of a very short
    // interval) would fall on or before the previous mark and adds none either.
    if (distance <= 0) continue;
    length += static_cast<std::size_t>(distance);
    plan.synthesis_marks.push_back(static_cast<Position>(length));
  }
  plan.synthesis_length = length;
}

// A signal without pitch marks has no period to move: it is kept as it is, one analysis mark
// one past its end standing for the synthesis mark on its last sample.
MarkPlan unchanged_signal(std::size_t size) {
  MarkPlan plan;
  plan.synthesis_length = size;
  if (size > 0) {
    plan.analysis_marks.push_back(static_cast<Position>(size) + 1);
    plan.synthesis_marks.push_back(static_cast<Position>(size));
  }
  return plan;
}

template <typename NewPeriods>
MarkPlan plan_marks(const MarkedSignal& signal, NewPeriods new_periods) {
  if (signal.marks.empty()) return unchanged_signal(signal.length);

  const Voicing voicing(signal);
  MarkPlan plan;
  AnalysisMarks working(signal.marks, signal.length);
  SpacingList spacing;
  const MarkIntervals cut = cut_intervals(signal.marks, signal.length, voicing, working, spacing);

  plan.periods = new_periods(cut.intervals);
  plan.spacing = std::move(spacing.slots());
  plan.placeholder_mismatch = !fill_placeholders(plan.spacing, plan.periods);

  const bool starts_voiced = voicing.voiced(1);
  if (!starts_voiced) working.add(1);  // the unvoiced onset keeps its length
  plan.analysis_marks = working.take();
  place_synthesis_marks(cut.marks.front(), starts_voiced, plan.spacing, plan);
  return plan;
}

std::vector<double> mark_row(const std::vector<Position>& marks, std::size_t length) {
  std::vector<double> row(length, 0.0);
  for (Position mark : marks) row.at(static_cast<std::size_t>(mark - 1)) = 1.0;
  return row;
}

// The rows of a plan, as the window's callback and the tests read them.
Plan as_rows(MarkPlan marks, std::span<const double> pitch) {
  Plan plan;
  plan.analysis_marks.assign(pitch.begin(), pitch.end());
  plan.analysis_marks.push_back(0.0);
  // Pitch marks keep their values in the working row; the marks planning adds are 1.
  for (Position mark : marks.analysis_marks) {
    double& entry = plan.analysis_marks.at(static_cast<std::size_t>(mark - 1));
    if (entry == 0) entry = 1.0;
  }
  plan.synthesis_marks = mark_row(marks.synthesis_marks, marks.synthesis_length);
  plan.periods = std::move(marks.periods);
  plan.spacing = std::move(marks.spacing);
  plan.placeholder_mismatch = marks.placeholder_mismatch;
  return plan;
}

}  // namespace

bool factor_in_range(double factor) { return factor >= 0.5 && factor <= 2.0; }

MarkedSignal marked_signal(std::span<const double> pitch, std::span<const double> vzmto) {
  if (pitch.size() != vzmto.size()) throw std::invalid_argument("pitch and vzmto differ in length");
  MarkedSignal signal;
  signal.length = pitch.size();
  for (std::size_t i = 0; i < pitch.size(); ++i) {
    const auto j = static_cast<Position>(i) + 1;
    if (pitch[i] != 0) signal.marks.push_back(j);
    if (!synthesis::is_voiced(vzmto[i])) continue;
    if (!signal.voiced.empty() && signal.voiced.back().last == j - 1) {
      signal.voiced.back().last = j;
    } else {
      signal.voiced.push_back({j, j});
    }
  }
  return signal;
}

MarkPlan plan_factor(const MarkedSignal& signal, double factor) {
  if (!factor_in_range(factor)) throw std::invalid_argument(factor_range_message);
  const double reciprocal = 1.0 / factor;
  return plan_marks(signal, [reciprocal](const std::vector<Interval>& intervals) {
    std::vector<double> periods;
    periods.reserve(intervals.size());
    for (const Interval& interval : intervals) {
      periods.push_back(interval.voiced_throughout ? nearest(reciprocal * interval.voiced_length)
                                                   : interval.voiced_length);
    }
    return periods;
  });
}

MarkPlan plan_contour(const MarkedSignal& signal, char pontuacao) {
  return plan_marks(signal, [pontuacao](const std::vector<Interval>& intervals) {
    return contour_periods(intervals.size(), pontuacao);
  });
}

Plan plan_factor(std::span<const double> pitch, std::span<const double> vzmto, double factor) {
  if (!factor_in_range(factor)) throw std::invalid_argument(factor_range_message);
  return as_rows(plan_factor(marked_signal(pitch, vzmto), factor), pitch);
}

Plan plan_contour(std::span<const double> pitch, std::span<const double> vzmto, char pontuacao) {
  return as_rows(plan_contour(marked_signal(pitch, vzmto), pontuacao), pitch);
}

}  // namespace quelvara::prosody
