#include "inspection/snapshot.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "prosody/contour.h"
#include "prosody/planning.h"
#include "synthesis/text_reader.h"
#include "synthesis/voicing.h"

namespace quelvara::inspection {

namespace {

// A period from mark a to mark b is voiced as planning decides it; outside the row, unvoiced.
bool voiced_period(const std::vector<double>& vzmto, std::size_t a, std::size_t b) {
  const auto voiced = [&vzmto](prosody::Position position) {
    return position >= 1 && position <= static_cast<prosody::Position>(vzmto.size()) &&
           synthesis::is_voiced(vzmto[static_cast<std::size_t>(position - 1)]);
  };
  return prosody::voiced_period(voiced, static_cast<prosody::Position>(a), static_cast<prosody::Position>(b));
}

// Index of the working analysis mark at position, if it is one.
std::optional<std::size_t> working_index(const Resynthesis& r, std::size_t position) {
  const auto it = std::lower_bound(r.analysis_marks.begin(), r.analysis_marks.end(), position);
  if (it == r.analysis_marks.end() || *it != position) return std::nullopt;
  return static_cast<std::size_t>(it - r.analysis_marks.begin());
}

double mark_seconds(std::size_t position) { return seconds(static_cast<double>(position) - 1); }

}  // namespace

std::optional<std::string> inconsistency(const Snapshot& s) {
  const std::size_t n = s.orig.size();
  if (s.vzmto.size() != n) return "the voicing row and the signal differ in length";
  if (s.difones.size() != s.limdf.size()) return "the diphones and their unit lengths differ in number";
  if (std::accumulate(s.limdf.begin(), s.limdf.end(), std::size_t{0}) != n)
    return "the unit lengths do not add up to the signal";
  const auto marks_fit = [](const std::vector<std::size_t>& marks, std::size_t last) {
    return std::is_sorted(marks.begin(), marks.end()) &&
           std::all_of(marks.begin(), marks.end(), [&](std::size_t m) { return m >= 1 && m <= last; });
  };
  if (!marks_fit(s.pitch_marks, n)) return "a pitch mark lies outside the signal";
  if (s.result) {
    if (!marks_fit(s.result->analysis_marks, n + 1)) return "an analysis mark lies outside the signal";
    if (!marks_fit(s.result->synthesis_marks, s.result->sinal.size()))
      return "a synthesis mark lies outside the result";
  }
  return std::nullopt;
}

std::vector<std::size_t> unit_boundaries(const Snapshot& s) {
  std::vector<std::size_t> out{0};
  for (std::size_t length : s.limdf) out.push_back(out.back() + length);
  return out;
}

std::vector<Interval> diphone_intervals(const Snapshot& s) {
  const auto bounds = unit_boundaries(s);
  std::vector<Interval> out;
  for (std::size_t k = 0; k < s.difones.size() && k + 1 < bounds.size(); ++k)
    out.push_back({seconds(static_cast<double>(bounds[k])), seconds(static_cast<double>(bounds[k + 1])), s.difones[k]});
  return out;
}

std::vector<Interval> phone_intervals(const Snapshot& s) {
  const auto diphones = diphone_intervals(s);
  std::vector<Interval> out;
  if (diphones.empty()) return out;
  const auto middle = [](const Interval& d) { return (d.start + d.end) / 2; };
  out.push_back({diphones.front().start, middle(diphones.front()), synthesis::split(diphones.front().label).fone1});
  for (std::size_t k = 0; k < diphones.size(); ++k) {
    const double end = k + 1 < diphones.size() ? middle(diphones[k + 1]) : diphones.back().end;
    out.push_back({middle(diphones[k]), end, synthesis::split(diphones[k].label).fone2});
  }
  return out;
}

std::optional<std::size_t> diphone_at(const Snapshot& s, std::size_t sample) {
  const auto bounds = unit_boundaries(s);
  const auto it = std::upper_bound(bounds.begin(), bounds.end(), sample);
  if (it == bounds.begin() || it == bounds.end()) return std::nullopt;
  return static_cast<std::size_t>(it - bounds.begin()) - 1;
}

std::vector<Stretch> voiced_stretches(const Snapshot& s) {
  std::vector<Stretch> out;
  for (std::size_t i = 0; i < s.vzmto.size();) {
    if (!synthesis::is_voiced(s.vzmto[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < s.vzmto.size() && synthesis::is_voiced(s.vzmto[end])) ++end;
    out.push_back({i, end});
    i = end;
  }
  return out;
}

std::vector<PitchPoint> joined_pitch(const Snapshot& s) {
  std::vector<PitchPoint> out;
  for (std::size_t i = 0; i + 1 < s.pitch_marks.size(); ++i) {
    const std::size_t a = s.pitch_marks[i], b = s.pitch_marks[i + 1];
    if (b > a && voiced_period(s.vzmto, a, b))
      out.push_back({mark_seconds(a), sample_rate / static_cast<double>(b - a)});
  }
  return out;
}

std::vector<PitchPoint> result_pitch(const Snapshot& s) {
  std::vector<PitchPoint> out;
  if (!s.result) return out;
  const Resynthesis& r = *s.result;
  for (std::size_t i = 0; i + 1 < s.pitch_marks.size(); ++i) {
    const std::size_t a = s.pitch_marks[i], b = s.pitch_marks[i + 1];
    if (b <= a || !voiced_period(s.vzmto, a, b)) continue;
    const auto j = working_index(r, a);
    if (!j || *j + 1 >= r.synthesis_marks.size()) continue;
    const std::size_t from = r.synthesis_marks[*j], to = r.synthesis_marks[*j + 1];
    if (to > from) out.push_back({mark_seconds(from), sample_rate / static_cast<double>(to - from)});
  }
  return out;
}

std::vector<PitchPoint> contour_points(const Snapshot& s) {
  std::vector<PitchPoint> out;
  if (!s.result || s.result->mode != "Gráfica" || s.pitch_marks.empty()) return out;
  const Resynthesis& r = *s.result;
  // Where each original mark now begins its period, in seconds of the result.
  std::vector<double> moved;
  for (std::size_t m : s.pitch_marks) {
    const auto j = working_index(r, m);
    if (!j || *j >= r.synthesis_marks.size()) return out;
    moved.push_back(mark_seconds(r.synthesis_marks[*j]));
  }
  const char p = r.pontuacao;
  const std::size_t points = p == '.' || p == '!' ? 12 : 6;
  const std::vector<double> table = prosody::contour_periods(points, p);
  const std::size_t n = moved.size();
  for (std::size_t t = 0; t < table.size(); ++t) {
    if (table[t] <= 0) continue;
    // The table's point t falls on mark position q (0-based, fractional) of the n marks.
    const double q = n > 1 ? static_cast<double>(t) * static_cast<double>(n - 1) / static_cast<double>(table.size() - 1) : 0;
    const auto below = static_cast<std::size_t>(std::floor(q));
    const std::size_t above = std::min(below + 1, n - 1);
    const double time = moved[below] + (q - static_cast<double>(below)) * (moved[above] - moved[below]);
    out.push_back({time, sample_rate / table[t]});
  }
  return out;
}

}  // namespace quelvara::inspection
