#include "tools/quelvara-bd/levels.h"

#include <cmath>

#include "synthesis/voicing.h"

namespace quelvara::tools {
namespace {

using synthesis::is_voiced;
bool noise(double code) { return code > 0 && !is_voiced(code); }

}  // namespace

std::optional<SteadyWindow> start_window(const synthesis::UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0) return std::nullopt;
  if (is_voiced(unit.vzmt[0])) {
    for (std::size_t k = 1; k < length; ++k)
      if (unit.trm[k] != 0) return SteadyWindow{0, k};
    return std::nullopt;
  }
  if (!noise(unit.vzmt[0])) return std::nullopt;
  std::size_t last = 0;
  while (last < length && last < noise_window && noise(unit.vzmt[last])) ++last;
  return SteadyWindow{0, last};
}

std::optional<SteadyWindow> end_window(const synthesis::UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0) return std::nullopt;
  if (is_voiced(unit.vzmt[length - 1])) {
    for (std::size_t k = length; k-- > 0;)
      if (unit.trm[k] != 0) return SteadyWindow{k, length};
    return std::nullopt;
  }
  if (!noise(unit.vzmt[length - 1])) return std::nullopt;
  std::size_t first = length;
  while (first > 0 && length - first < noise_window && noise(unit.vzmt[first - 1])) --first;
  return SteadyWindow{first, length};
}

double rms(const synthesis::UnitData& unit, SteadyWindow window) {
  if (window.last <= window.first) return 0;
  double sum = 0;
  for (std::size_t k = window.first; k < window.last; ++k) sum += unit.dfn[k] * unit.dfn[k];
  return std::sqrt(sum / static_cast<double>(window.last - window.first));
}

void apply_gain_ramp(synthesis::UnitData& unit, double start_gain, double end_gain) {
  const std::size_t length = unit.dfn.size();
  if (length == 0) return;
  std::size_t ramp_first = start_window(unit) ? start_window(unit)->last : 0;
  std::size_t ramp_last = end_window(unit) ? end_window(unit)->first : length;
  if (ramp_last <= ramp_first) {  // the two windows overlap: ramp over the whole unit
    ramp_first = 0;
    ramp_last = length;
  }
  const double span = static_cast<double>(ramp_last - ramp_first);
  for (std::size_t k = 0; k < length; ++k) {
    double gain = start_gain;
    if (k >= ramp_last) {
      gain = end_gain;
    } else if (k >= ramp_first) {
      gain = start_gain + (end_gain - start_gain) * static_cast<double>(k - ramp_first) / span;
    }
    unit.dfn[k] *= gain;
  }
}

}  // namespace quelvara::tools
