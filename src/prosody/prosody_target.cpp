#include "prosody/prosody_target.h"

#include <algorithm>

namespace quelvara::prosody {

std::vector<double> phone_starts_ms(const ProsodyTarget& target) {
  std::vector<double> starts{0.0};
  starts.reserve(target.phones.size() + 1);
  for (const PhoneTarget& phone : target.phones) starts.push_back(starts.back() + phone.length_ms);
  return starts;
}

std::vector<CurvePoint> pitch_curve(const ProsodyTarget& target) {
  std::vector<CurvePoint> curve;
  double start = 0;
  for (const PhoneTarget& phone : target.phones) {
    for (const PitchTarget& point : phone.pitch) curve.push_back({start + point.position / 100.0 * phone.length_ms, point.hz});
    start += phone.length_ms;
  }
  // Points given out of order inside a phone still make one curve in time order.
  std::stable_sort(curve.begin(), curve.end(), [](const CurvePoint& a, const CurvePoint& b) { return a.ms < b.ms; });
  return curve;
}

double hz_at(std::span<const CurvePoint> curve, double ms) {
  if (ms <= curve.front().ms) return curve.front().hz;
  if (ms >= curve.back().ms) return curve.back().hz;
  const auto after = std::upper_bound(curve.begin(), curve.end(), ms,
                                      [](double t, const CurvePoint& p) { return t < p.ms; });
  const CurvePoint& b = *after;
  const CurvePoint& a = *(after - 1);
  if (b.ms <= a.ms) return b.hz;
  return a.hz + (b.hz - a.hz) * (ms - a.ms) / (b.ms - a.ms);
}

}  // namespace quelvara::prosody
