#include "prosody/planning.h"

#include <algorithm>
#include <cstddef>
#include <stdexcept>
#include <utility>

#include "prosody/contour.h"
#include "prosody/rounding.h"

namespace quelvara::prosody {
namespace {

using Position = std::ptrdiff_t;  // 1-based sample position

// A sample is voiced when its voicing code is at least 3; samples outside the signal are not.
class Voicing {
 public:
  explicit Voicing(std::span<const double> vzmto) : vzmto_(vzmto) {}
  bool voiced(Position j) const {
    return j >= 1 && j <= static_cast<Position>(vzmto_.size()) && vzmto_[j - 1] >= 3;
  }
  // The first unvoiced sample from j on; one past the end at the latest.
  Position first_unvoiced_from(Position j) const {
    j = std::min(j, static_cast<Position>(vzmto_.size()) + 1);
    while (voiced(j)) ++j;
    return j;
  }

 private:
  std::span<const double> vzmto_;
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

std::vector<Position> mark_positions(std::span<const double> row) {
  std::vector<Position> marks;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != 0) marks.push_back(static_cast<Position>(i) + 1);
  }
  return marks;
}

void add_mark(std::vector<double>& working, Position j) { working.at(static_cast<std::size_t>(j - 1)) = 1.0; }

// Cuts the signal at its pitch marks, adds a mark where each voiced run ends, and lays out the
// spacing list: a placeholder per interval and, after it, the unvoiced remainder of an interval
// that is not voiced throughout.
MarkIntervals cut_intervals(std::vector<Position> marks, std::size_t size_of_signal, const Voicing& voicing,
                            std::vector<double>& working, SpacingList& spacing) {
  const auto size = static_cast<Position>(size_of_signal);
  MarkIntervals cut{std::move(marks), {}};
  cut.intervals.reserve(cut.marks.size());
  const std::vector<Position>& m = cut.marks;
  const std::size_t n = m.size();
  Position k = 1;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const Position length = m[i + 1] - m[i];
    if (voicing.voiced(m[i] + 20) && voicing.voiced(m[i + 1] - 20)) {
      cut.intervals.push_back({static_cast<double>(length), true});
      k += 1;
    } else {
      const Position j = voicing.first_unvoiced_from(m[i] + 20);
      add_mark(working, j);
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
    add_mark(working, j);
    const Position voiced = j - 1 - last;
    cut.intervals.push_back({static_cast<double>(voiced), false});
    spacing.set(k + 1, static_cast<double>((size - last) - voiced));
  }
  add_mark(working, size + 1);
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

// The 0/1 row of new mark positions: from the start (sample 1, and the first pitch mark when the
// onset is unvoiced), each entry of the spacing list puts the next mark that many samples later.
std::vector<double> synthesis_row(Position first_mark, bool starts_voiced, const std::vector<double>& spacing) {
  std::size_t length = starts_voiced ? 1 : static_cast<std::size_t>(first_mark);
  for (double distance : spacing) length += distance > 0 ? static_cast<std::size_t>(distance) : 0;
  std::vector<double> row;
  row.reserve(length);
  if (starts_voiced) {
    row.push_back(1.0);
  } else {
    row.assign(static_cast<std::size_t>(first_mark), 0.0);
    row.front() = 1.0;
    row.back() = 1.0;
  }
  for (double distance : spacing) {
    // A distance of 0 adds no mark; a negative one (an unvoiced remainder of a very short
    // interval) would fall on or before the previous mark and adds none either.
    if (distance <= 0) continue;
    row.resize(row.size() + static_cast<std::size_t>(distance), 0.0);
    row.back() = 1.0;
  }
  return row;
}

// A signal without pitch marks has no period to move: it is kept as it is, one analysis mark
// one past its end standing for the synthesis mark on its last sample.
Plan unchanged_signal(std::size_t size) {
  Plan plan;
  plan.analysis_marks.assign(size + 1, 0.0);
  plan.synthesis_marks.assign(size, 0.0);
  if (size > 0) {
    plan.analysis_marks.back() = 1.0;
    plan.synthesis_marks.back() = 1.0;
  }
  return plan;
}

template <typename NewPeriods>
Plan plan_marks(std::span<const double> pitch, std::span<const double> vzmto, NewPeriods new_periods) {
  if (pitch.size() != vzmto.size()) throw std::invalid_argument("pitch and vzmto differ in length");
  std::vector<Position> marks = mark_positions(pitch);
  if (marks.empty()) return unchanged_signal(pitch.size());

  const Voicing voicing(vzmto);
  Plan plan;
  plan.analysis_marks.assign(pitch.begin(), pitch.end());
  plan.analysis_marks.push_back(0.0);  // room for the mark one past the end
  SpacingList spacing;
  const MarkIntervals cut = cut_intervals(std::move(marks), pitch.size(), voicing, plan.analysis_marks, spacing);

  plan.periods = new_periods(cut.intervals);
  plan.spacing = std::move(spacing.slots());
  plan.placeholder_mismatch = !fill_placeholders(plan.spacing, plan.periods);

  const bool starts_voiced = voicing.voiced(1);
  if (!starts_voiced) add_mark(plan.analysis_marks, 1);  // the unvoiced onset keeps its length
  plan.synthesis_marks = synthesis_row(cut.marks.front(), starts_voiced, plan.spacing);
  return plan;
}

}  // namespace

bool factor_in_range(double factor) { return factor >= 0.5 && factor <= 2.0; }

Plan plan_factor(std::span<const double> pitch, std::span<const double> vzmto, double factor) {
  if (!factor_in_range(factor)) throw std::invalid_argument(factor_range_message);
  const double reciprocal = 1.0 / factor;
  return plan_marks(pitch, vzmto, [reciprocal](const std::vector<Interval>& intervals) {
    std::vector<double> periods;
    periods.reserve(intervals.size());
    for (const Interval& interval : intervals) {
      periods.push_back(interval.voiced_throughout ? nearest(reciprocal * interval.voiced_length)
                                                   : interval.voiced_length);
    }
    return periods;
  });
}

Plan plan_contour(std::span<const double> pitch, std::span<const double> vzmto, char pontuacao) {
  return plan_marks(pitch, vzmto, [pontuacao](const std::vector<Interval>& intervals) {
    return contour_periods(intervals.size(), pontuacao);
  });
}

}  // namespace quelvara::prosody
