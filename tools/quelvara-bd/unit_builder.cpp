#include "tools/quelvara-bd/unit_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "prosody/planning.h"
#include "synthesis/voicing.h"
#include "tools/quelvara-bd/carrier.h"
#include "tools/quelvara-bd/donor.h"
#include "tools/quelvara-bd/levels.h"
#include "tools/quelvara-bd/segmentation.h"

namespace quelvara::tools {
namespace {

constexpr double full_scale = 32768.0;
// The first periods after a voicing onset are not yet settled in shape.
constexpr std::size_t settling_periods = 3;

using synthesis::is_voiced;

struct VoicedRun {
  std::size_t start = 0;
  std::size_t end = 0;
  std::vector<std::size_t> marks;  // the pulses, to the nearest sample
  std::vector<double> pulses;      // where they really are
};

// The donor's phase restarts at the first voiced sample after silence or noise and then
// advances by exactly one period per period; its pulse falls half a period in. The marks sit
// on the pulses, so that each overlap-add window is centred on one pulse. A mark is kept only
// while the run stays voiced for the look-ahead after it.
std::vector<VoicedRun> voiced_runs(const Utterance& u, double period) {
  std::vector<VoicedRun> runs;
  const std::size_t length = u.classes.size();
  for (std::size_t k = 0; k < length;) {
    if (u.classes[k] != SourceClass::voiced) {
      ++k;
      continue;
    }
    VoicedRun run{k, k, {}, {}};
    while (run.end < length && u.classes[run.end] == SourceClass::voiced) ++run.end;
    for (std::size_t j = 0;; ++j) {
      const double pulse = static_cast<double>(run.start) + (static_cast<double>(j) + 0.5) * period;
      const auto mark = static_cast<std::size_t>(std::lround(pulse));
      if (mark + prosody::voicing_look_ahead >= run.end) break;
      run.marks.push_back(mark);
      run.pulses.push_back(pulse);
    }
    runs.push_back(std::move(run));
    k = runs.back().end;
  }
  return runs;
}

const VoicedRun* run_at(const std::vector<VoicedRun>& runs, std::size_t sample) {
  for (const auto& run : runs)
    if (sample >= run.start && sample < run.end) return &run;
  return nullptr;
}

// A cut in a voiced phone moves to the nearest pulse of its run (the exact position, not the
// rounded one). A unit must start on a pulse that has a whole period after it in the run, and
// end on one with a whole period before it.
double snap_to_pulse(const std::vector<VoicedRun>& runs, std::size_t centre, bool is_start) {
  const VoicedRun* run = run_at(runs, centre);
  if (run == nullptr || run->marks.size() < 2) return static_cast<double>(centre);
  const std::size_t first = is_start ? 0 : 1;
  const std::size_t last = is_start ? run->marks.size() - 1 : run->marks.size();
  const double target = static_cast<double>(centre);
  double best = run->pulses[first];
  for (std::size_t j = first; j < last; ++j)
    if (std::abs(run->pulses[j] - target) < std::abs(best - target)) best = run->pulses[j];
  return best;
}

// How much the waveform changes from period to period around a pulse: the squared differences
// of consecutive periods over two periods on either side, relative to their energy. nullopt
// when those periods are not all inside the voiced run.
std::optional<double> period_change(const std::vector<double>& x, const VoicedRun& run, double pulse,
                                    double period) {
  if (pulse - 2 * period < static_cast<double>(run.start) || pulse + 2 * period > static_cast<double>(run.end))
    return std::nullopt;
  const auto n = static_cast<std::size_t>(period);
  double change = 0, energy = 0;
  for (int j = -2; j < 1; ++j) {
    const auto a = static_cast<std::size_t>(std::lround(pulse + j * period));
    const auto b = static_cast<std::size_t>(std::lround(pulse + (j + 1) * period));
    for (std::size_t k = 0; k < n; ++k) {
      const double d = x[b + k] - x[a + k];
      change += d * d;
      energy += x[a + k] * x[a + k] + x[b + k] * x[b + k];
    }
  }
  return energy > 0 ? std::optional(change / energy) : std::nullopt;
}

// The pulse in [first, last] where the waveform is steadiest, with a whole period after it (a
// unit's start) or before it (a unit's end) in its run; nullopt when there is none.
std::optional<double> steadiest_pulse(const std::vector<double>& x, const std::vector<VoicedRun>& runs,
                                      std::size_t first, std::size_t last, bool is_start, double period) {
  std::optional<double> best;
  double lowest = 0;
  for (const auto& run : runs) {
    if (run.pulses.size() < 2) continue;
    for (std::size_t j = is_start ? 0 : 1; j < run.pulses.size() - (is_start ? 1 : 0); ++j) {
      const double pulse = run.pulses[j];
      if (pulse < static_cast<double>(first) || pulse > static_cast<double>(last)) continue;
      const auto change = period_change(x, run, pulse, period);
      if (change && (!best || *change < lowest)) {
        best = pulse;
        lowest = *change;
      }
    }
  }
  return best;
}

// The signal at a position between samples (windowed-sinc interpolation).
double sample_at(const std::vector<double>& x, double position) {
  constexpr int half_width = 12;
  // cos and sin of pi n / half_width for the taps; the window and the sinc at t = n - fraction
  // then follow from three functions of the fraction (angle sums), not from two per tap.
  static const auto taps = [] {
    std::array<std::pair<double, double>, 2 * half_width> table{};
    for (int n = -half_width + 1; n <= half_width; ++n)
      table[static_cast<std::size_t>(n + half_width - 1)] = {std::cos(M_PI * n / half_width),
                                                             std::sin(M_PI * n / half_width)};
    return table;
  }();
  const double base = std::floor(position);
  const double fraction = position - base;
  if (fraction == 0) {
    const auto k = static_cast<std::ptrdiff_t>(base);
    return k >= 0 && k < static_cast<std::ptrdiff_t>(x.size()) ? x[static_cast<std::size_t>(k)] : 0.0;
  }
  const double sin_fraction = std::sin(M_PI * fraction);
  const double cos_shift = std::cos(M_PI * fraction / half_width);
  const double sin_shift = std::sin(M_PI * fraction / half_width);
  double sum = 0;
  for (int n = -half_width + 1; n <= half_width; ++n) {
    const auto k = static_cast<std::ptrdiff_t>(base) + n;
    if (k < 0 || k >= static_cast<std::ptrdiff_t>(x.size())) continue;
    const double t = static_cast<double>(n) - fraction;
    const auto& [cos_n, sin_n] = taps[static_cast<std::size_t>(n + half_width - 1)];
    const double window = 0.5 + 0.5 * (cos_n * cos_shift + sin_n * sin_shift);
    const double sin_t = (n % 2 == 0 ? -1.0 : 1.0) * sin_fraction;  // sin(pi (n - fraction))
    sum += x[static_cast<std::size_t>(k)] * window * sin_t / (M_PI * t);
  }
  return sum;
}

// The donor's noise carries a DC offset of its own (up to a few hundred units), which would
// leave a step wherever two units meet in a noise phone.
void remove_noise_offset(Utterance& u) {
  const std::size_t length = u.samples.size();
  for (std::size_t k = 0; k < length;) {
    if (u.classes[k] != SourceClass::noise) {
      ++k;
      continue;
    }
    std::size_t end = k;
    double sum = 0;
    while (end < length && u.classes[end] == SourceClass::noise) sum += u.samples[end++];
    const double mean = sum / static_cast<double>(end - k);
    for (; k < end; ++k) u.samples[k] -= mean;
  }
}

double voicing_code(SourceClass source) {
  switch (source) {
    case SourceClass::voiced: return 3;
    case SourceClass::noise: return 1;
    case SourceClass::silence: return 0;
  }
  return 0;
}

// How well the waveform repeats on the mark grid: the lowest normalised correlation between
// consecutive settled periods taken from their marks, within vowels (elsewhere the periodic
// source is mixed with noise or muffled, and repeats less by nature). A phase restart the grid
// does not know about, or a period of another length, shows as a drop.
std::optional<double> grid_coherence(const Utterance& u, const std::vector<VoicedRun>& runs,
                                     const std::vector<PhoneSpan>& vowels, std::size_t begin,
                                     std::size_t end) {
  const auto in_a_vowel = [&](std::size_t first, std::size_t last) {
    return std::any_of(vowels.begin(), vowels.end(),
                       [&](const PhoneSpan& v) { return first >= v.start && last <= v.end; });
  };
  std::optional<double> lowest;
  for (const auto& run : runs) {
    for (std::size_t j = settling_periods; j + 1 < run.marks.size(); ++j) {
      const std::size_t a = run.marks[j];
      const std::size_t b = run.marks[j + 1];
      const std::size_t n = b - a;
      if (a < begin || b + n > end || b + n > run.end || !in_a_vowel(a, b + n)) continue;
      double ab = 0, aa = 0, bb = 0;
      for (std::size_t k = 0; k < n; ++k) {
        ab += u.samples[a + k] * u.samples[b + k];
        aa += u.samples[a + k] * u.samples[a + k];
        bb += u.samples[b + k] * u.samples[b + k];
      }
      if (aa <= 0 || bb <= 0) continue;
      const double r = ab / std::sqrt(aa * bb);
      if (!lowest || r < *lowest) lowest = r;
    }
  }
  return lowest;
}

BuiltUnit silence_unit() {
  BuiltUnit unit;
  unit.data.dfn.assign(2 * pause_samples, 0.0);
  unit.data.trm.assign(2 * pause_samples, 0.0);
  unit.data.vzmt.assign(2 * pause_samples, 0.0);
  unit.boundary = pause_samples;
  return unit;
}

// The planner decides that a mark interval is voiced by the voicing just after its first mark
// and just before its next one. A voiced stretch that starts after silence or noise therefore
// gets a mark on its first voiced sample: the stop closure, burst or fricative before it then
// ends an interval as unvoiced and keeps its length in every intonation mode. Stretches too
// short to hold the planner's look-ahead get none; they stay part of the unvoiced remainder.
void mark_voicing_onsets(synthesis::UnitData& unit) {
  const std::size_t length = unit.vzmt.size();
  for (std::size_t k = 1; k < length; ++k) {
    if (!is_voiced(unit.vzmt[k]) || is_voiced(unit.vzmt[k - 1])) continue;
    std::size_t end = k;
    while (end < length && is_voiced(unit.vzmt[end])) ++end;
    if (end - k > prosody::voicing_look_ahead) unit.trm[k] = 1.0;
    k = end;
  }
}

void append_silence(synthesis::UnitData& unit) {
  unit.dfn.insert(unit.dfn.end(), pause_samples, 0.0);
  unit.trm.insert(unit.trm.end(), pause_samples, 0.0);
  unit.vzmt.insert(unit.vzmt.end(), pause_samples, 0.0);
}

// Units meet on a pulse, the steepest point of a period, where the small differences between
// two contexts of the same phone would show as a step. So the period at a voiced edge is
// faded into the phone's own reference period, fully at the edge and not at all one period in:
// both sides of every join then hold the same waveform.
void blend_start(synthesis::UnitData& unit, const std::vector<double>& reference) {
  const auto window = start_window(unit);
  if (reference.empty() || !window || !is_voiced(unit.vzmt[0])) return;
  const std::size_t n = window->last - window->first;
  for (std::size_t k = 0; k < n; ++k) {
    const double w = 1.0 - static_cast<double>(k) / static_cast<double>(n);
    unit.dfn[k] = w * reference[std::min(k, reference.size() - 1)] + (1 - w) * unit.dfn[k];
  }
}

void blend_end(synthesis::UnitData& unit, const std::vector<double>& reference) {
  const std::size_t length = unit.dfn.size();
  const auto window = end_window(unit);
  if (reference.empty() || !window || !is_voiced(unit.vzmt[length - 1])) return;
  const std::size_t n = window->last - window->first;
  // aligned on the reference's end, which continues into the start of the next period
  for (std::size_t k = 0; k < n; ++k) {
    const double w = static_cast<double>(k + 1) / static_cast<double>(n);
    const std::size_t from_end = n - 1 - k;
    const double r = from_end < reference.size() ? reference[reference.size() - 1 - from_end] : reference.front();
    unit.dfn[window->first + k] = w * r + (1 - w) * unit.dfn[window->first + k];
  }
}

// Where a unit is cut from its carrier, in carrier samples between exact positions: from the
// pulse of the first phone to just before the pulse of the second. A pause side begins where
// the second phone begins, or ends where the first one ends.
struct Cut {
  double begin = 0;
  double end = 0;
};

Cut cut_of(const Carrier& carrier, const Utterance& utterance, const std::vector<PhoneSpan>& spans,
           const std::vector<VoicedRun>& runs, double period) {
  const auto cut_in = [&](const PhoneSpan& span, bool is_start) {
    if (span.steady_last > span.steady_first) {
      if (const auto pulse = steadiest_pulse(utterance.samples, runs, span.steady_first, span.steady_last,
                                             is_start, period))
        return *pulse;
    }
    return snap_to_pulse(runs, span.centre, is_start);
  };
  const PhoneSpan& first = spans[carrier.first];
  const PhoneSpan& second = spans[carrier.second];
  const bool first_is_pause = carrier.tokens[carrier.first].kind == PhoneKind::pause;
  const bool second_is_pause = carrier.tokens[carrier.second].kind == PhoneKind::pause;
  return {first_is_pause ? static_cast<double>(second.start) : cut_in(first, true),
          second_is_pause ? static_cast<double>(second.start) : cut_in(second, false)};
}

// Appends the cut to the unit's rows. The pulses fall between samples (the period is not a
// whole number of samples), so the stretch is resampled to a whole number of samples starting
// exactly on a pulse; every unit then meets the next at the same phase, to a fraction of a
// sample. Marks go on the pulses inside the cut, voicing codes follow the donor's classes, and
// the unit's boundary is where the second phone begins (second_start).
void resample(const Utterance& utterance, const std::vector<VoicedRun>& runs, Cut cut, std::size_t length,
              double second_start, BuiltUnit& unit) {
  auto& data = unit.data;
  const std::size_t offset = data.dfn.size();
  const double step = (cut.end - cut.begin) / static_cast<double>(length);
  for (std::size_t k = 0; k < length; ++k) {
    const double position = cut.begin + static_cast<double>(k) * step;
    const auto nearest = std::min(static_cast<std::size_t>(std::lround(position)), utterance.samples.size() - 1);
    data.dfn.push_back(sample_at(utterance.samples, position) / full_scale);
    data.trm.push_back(0.0);
    data.vzmt.push_back(voicing_code(utterance.classes[nearest]));
  }
  for (const auto& run : runs) {
    for (double pulse : run.pulses) {
      const double at = (pulse - cut.begin) / step;
      if (at < -0.5 || at >= static_cast<double>(length) - 0.5) continue;
      const auto k = static_cast<std::size_t>(std::lround(std::max(at, 0.0)));
      if (is_voiced(data.vzmt[offset + k])) data.trm[offset + k] = 1.0;
    }
  }
  const double at = (second_start - cut.begin) / step;
  unit.boundary = offset + static_cast<std::size_t>(std::clamp(std::lround(at), 0L, static_cast<long>(length)));
}

// The gain that brings the steady part in window to level (in donor units); nullopt without a
// window or a level, or for a silent window.
std::optional<double> gain_to(const synthesis::UnitData& data, const std::optional<SteadyWindow>& window,
                              const std::optional<double>& level) {
  if (!window || !level) return std::nullopt;
  const double measured = rms(data, *window) * full_scale;
  if (measured <= 0) return std::nullopt;
  return *level / measured;
}

// Brings both ends of the unit to their phones' target levels, fades a sonorant's edge periods
// into its reference period, and brings the ends back to their targets after the fading.
void level(synthesis::UnitData& data, const LevelTargets& targets, int fonum1, int fonum2) {
  const auto target = [&](int fonum) { return targets.rms[static_cast<std::size_t>(fonum - 1)]; };
  const auto start_gain = gain_to(data, start_window(data), target(fonum1));
  const auto end_gain = gain_to(data, end_window(data), target(fonum2));
  const double g0 = start_gain.value_or(end_gain.value_or(1.0));
  const double g1 = end_gain.value_or(g0);
  apply_gain_ramp(data, g0 * targets.scale, g1 * targets.scale);
  blend_start(data, targets.edge_period[static_cast<std::size_t>(fonum1 - 1)]);
  blend_end(data, targets.edge_period[static_cast<std::size_t>(fonum2 - 1)]);
  // Fading two periods that differ (a diphthong's middle moves with its context) can leave the
  // edge a little below its target; bring it back.
  const auto scaled_target = [&](int fonum) -> std::optional<double> {
    const auto& t = target(fonum);
    if (!t) return std::nullopt;
    return *t * targets.scale;
  };
  apply_gain_ramp(data, gain_to(data, start_window(data), scaled_target(fonum1)).value_or(1.0),
                  gain_to(data, end_window(data), scaled_target(fonum2)).value_or(1.0));
}

}  // namespace

std::variant<BuiltUnit, std::string> build_unit(const PhoneTable& table, int fonum1, int fonum2,
                                                const LevelTargets* targets) {
  const auto carrier = make_carrier(table, fonum1, fonum2);
  if (!carrier) return silence_unit();

  const double period = donor_period();
  Utterance utterance = speak_phonemes(carrier->codes());
  if (utterance.samples.empty()) return "o doador não produziu som para «" + carrier->codes() + "»";
  auto segmented = segment(*carrier, utterance, period);
  if (auto* error = std::get_if<std::string>(&segmented)) return *error;
  const auto& spans = std::get<std::vector<PhoneSpan>>(segmented);
  remove_noise_offset(utterance);
  const auto runs = voiced_runs(utterance, period);

  const Cut cut = cut_of(*carrier, utterance, spans, runs, period);
  const auto begin = static_cast<std::size_t>(std::lround(cut.begin));
  const auto end = static_cast<std::size_t>(std::lround(cut.end));
  if (end <= begin || end > utterance.samples.size())
    return "corte vazio em «" + carrier->codes() + "» (" + std::to_string(begin) + ".." +
           std::to_string(end) + ")";

  BuiltUnit unit;
  unit.carrier = carrier->codes();
  unit.begin = begin;
  unit.end = end;
  if (carrier->tokens[carrier->first].kind == PhoneKind::pause) append_silence(unit.data);
  resample(utterance, runs, cut, end - begin, static_cast<double>(spans[carrier->second].start), unit);
  mark_voicing_onsets(unit.data);
  if (carrier->tokens[carrier->second].kind == PhoneKind::pause) append_silence(unit.data);
  unit.marks = static_cast<std::size_t>(std::count(unit.data.trm.begin(), unit.data.trm.end(), 1.0));
  std::vector<PhoneSpan> vowels;
  for (std::size_t k = 0; k < spans.size(); ++k)
    if (carrier->tokens[k].kind == PhoneKind::vowel) vowels.push_back(spans[k]);
  unit.grid_coherence = grid_coherence(utterance, runs, vowels, begin, end);

  if (targets != nullptr) level(unit.data, *targets, fonum1, fonum2);
  return unit;
}

std::vector<double> reference_period(const PhoneTable& table, int fonum, const LevelTargets& targets) {
  constexpr int reference_vowel = 25;  // [a]
  // Only sonorants repeat closely enough from period to period: the periods of R, voiced
  // fricatives and voice bars carry noise or are muffled, and fading two of them into each
  // other would lower their level.
  const PhoneKind kind = table.at(static_cast<std::size_t>(fonum - 1)).kind;
  if (kind != PhoneKind::vowel && kind != PhoneKind::nasal && kind != PhoneKind::lateral && kind != PhoneKind::tap)
    return {};
  LevelTargets levels_only = targets;
  for (auto& period : levels_only.edge_period) period.clear();
  auto built = build_unit(table, fonum, reference_vowel, &levels_only);
  const auto* unit = std::get_if<BuiltUnit>(&built);
  if (unit == nullptr || !is_voiced(unit->data.vzmt[0])) return {};
  const auto window = start_window(unit->data);
  if (!window) return {};
  return {unit->data.dfn.begin() + static_cast<std::ptrdiff_t>(window->first),
          unit->data.dfn.begin() + static_cast<std::ptrdiff_t>(window->last)};
}

std::optional<double> reference_level(const PhoneTable& table, int fonum) {
  constexpr int reference_vowel = 25;  // [a]
  if (fonum == 1) return std::nullopt;
  auto built = build_unit(table, fonum, reference_vowel, nullptr);
  const auto* unit = std::get_if<BuiltUnit>(&built);
  if (unit == nullptr) return std::nullopt;
  const auto window = start_window(unit->data);
  if (!window) return std::nullopt;
  const double level = rms(unit->data, *window) * full_scale;
  if (level <= 0) return std::nullopt;
  return level;
}

}  // namespace quelvara::tools
