#include "inspection/snapshot.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "prosody/contour.h"
#include "prosody/planning.h"
#include "prosody/target_planning.h"
#include "synthesis/text_reader.h"
#include "synthesis/voicing.h"

namespace quelvara::inspection {

namespace {

// Whether the sample at a 1-based position is voiced; outside the row, unvoiced.
bool voiced_at(const std::vector<double>& vzmto, prosody::Position position) {
  return position >= 1 && position <= static_cast<prosody::Position>(vzmto.size()) &&
         synthesis::is_voiced(vzmto[static_cast<std::size_t>(position - 1)]);
}

// A period from mark a to mark b is voiced as planning decides it.
bool voiced_period(const std::vector<double>& vzmto, std::size_t a, std::size_t b) {
  return prosody::voiced_period([&vzmto](prosody::Position p) { return voiced_at(vzmto, p); },
                                static_cast<prosody::Position>(a), static_cast<prosody::Position>(b));
}

// Index of the working analysis mark at position, if it is one.
std::optional<std::size_t> working_index(const Resynthesis& r, std::size_t position) {
  const auto it = std::lower_bound(r.analysis_marks.begin(), r.analysis_marks.end(), position);
  if (it == r.analysis_marks.end() || *it != position) return std::nullopt;
  return static_cast<std::size_t>(it - r.analysis_marks.begin());
}

double mark_seconds(std::size_t position) { return seconds(static_cast<double>(position) - 1); }

// A period that starts on the first sample of a voiced stretch runs from the voicing onset to
// the first pulse: it is shorter than any period and would show as a spike.
bool starts_at_onset(const std::vector<double>& vzmto, std::size_t mark) {
  return !voiced_at(vzmto, static_cast<prosody::Position>(mark) - 1);
}

// The next pitch mark after position, if any.
std::optional<std::size_t> next_mark(const std::vector<std::size_t>& marks, std::size_t position) {
  const auto it = std::upper_bound(marks.begin(), marks.end(), position);
  if (it == marks.end()) return std::nullopt;
  return *it;
}

// Whether the period of the pitch mark at a is one to show: voiced 20 samples inside both ends
// and not the stretch from a voicing onset.
bool shown_period(const Snapshot& s, std::size_t a) {
  const auto b = next_mark(s.pitch_marks, a);
  return b && *b > a && voiced_period(s.vzmto, a, *b) && !starts_at_onset(s.vzmto, a);
}

// Where each phone begins in the joined signal (0-based), and its end.
std::vector<double> phone_bounds(const Snapshot& s) {
  const auto units = unit_boundaries(s);
  std::vector<double> bounds{0};
  for (std::size_t k = 0; k < s.limdf.size(); ++k) {
    const double inside = s.fronteiras.size() == s.limdf.size() ? static_cast<double>(s.fronteiras[k])
                                                                  : static_cast<double>(s.limdf[k]) / 2;
    bounds.push_back(static_cast<double>(units[k]) + inside);
  }
  bounds.push_back(static_cast<double>(units.back()));
  return bounds;
}

std::vector<std::string> phone_labels(const Snapshot& s) {
  std::vector<std::string> labels = synthesis::phones_of(s.difones);
  for (std::size_t k = 0; k < labels.size() && k < s.acentos.size(); ++k)
    labels[k] = synthesis::stressed_label(labels[k], s.acentos[k]);
  return labels;
}

std::vector<Interval> intervals_at(const std::vector<double>& bounds, const std::vector<std::string>& labels) {
  std::vector<Interval> out;
  for (std::size_t k = 0; k < labels.size() && k + 1 < bounds.size(); ++k)
    out.push_back({seconds(bounds[k]), seconds(bounds[k + 1]), labels[k]});
  return out;
}

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
  if (s.difones.empty()) return {};
  return intervals_at(phone_bounds(s), phone_labels(s));
}

std::vector<Interval> result_phone_intervals(const Snapshot& s) {
  if (s.difones.empty() || !s.result) return {};
  const Resynthesis& r = *s.result;
  std::vector<double> bounds = phone_bounds(s);
  if (r.planned_phones.size() == bounds.size()) {
    for (std::size_t k = 0; k < bounds.size(); ++k) bounds[k] = r.planned_phones[k] * sample_rate;
    return intervals_at(bounds, phone_labels(s));
  }
  const std::vector<prosody::Position> a(r.analysis_marks.begin(), r.analysis_marks.end());
  const std::vector<prosody::Position> m(r.synthesis_marks.begin(), r.synthesis_marks.end());
  const auto end = static_cast<double>(r.sinal.size());
  for (std::size_t k = 1; k + 1 < bounds.size(); ++k)
    bounds[k] = std::clamp(prosody::carried_position(a, m, bounds[k]), bounds[k - 1], end);
  bounds.back() = end;
  return intervals_at(bounds, phone_labels(s));
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
    if (b > a && shown_period(s, a)) out.push_back({mark_seconds(a), sample_rate / static_cast<double>(b - a)});
  }
  return out;
}

std::vector<PitchPoint> result_pitch(const Snapshot& s) {
  std::vector<PitchPoint> out;
  if (!s.result) return out;
  const Resynthesis& r = *s.result;
  // Each period moved from a shown period of the joined signal, to where the next one moved
  // (the same period again, or a later one of its voiced stretch).
  const auto stretches = voiced_stretches(s);
  const auto same_stretch = [&](std::size_t a, std::size_t b) {
    const auto it = std::upper_bound(stretches.begin(), stretches.end(), a - 1,
                                     [](std::size_t x, const Stretch& v) { return x < v.begin; });
    return it != stretches.begin() && a - 1 < (it - 1)->end && b - 1 < (it - 1)->end;
  };
  const std::size_t n = std::min(r.analysis_marks.size(), r.synthesis_marks.size());
  for (std::size_t j = 0; j + 1 < n; ++j) {
    const std::size_t a = r.analysis_marks[j], next = r.analysis_marks[j + 1];
    const std::size_t from = r.synthesis_marks[j], to = r.synthesis_marks[j + 1];
    if (to <= from || next < a || !std::binary_search(s.pitch_marks.begin(), s.pitch_marks.end(), a)) continue;
    if (!shown_period(s, a) || !same_stretch(a, next)) continue;
    out.push_back({mark_seconds(from), sample_rate / static_cast<double>(to - from)});
  }
  return out;
}

std::vector<PitchPoint> planned_pitch(const Snapshot& s) {
  if (s.result && !s.result->planned_pitch.empty()) return s.result->planned_pitch;
  return result_pitch(s);
}

std::vector<PitchPoint> contour_points(const Snapshot& s) {
  std::vector<PitchPoint> out;
  if (s.result && !s.result->planned_pitch.empty()) return s.result->planned_pitch;
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
