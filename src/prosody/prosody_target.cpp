#include "prosody/prosody_target.h"

#include <algorithm>

namespace quelvara::prosody {

std::vector<double> phone_starts_ms(const ProsodyTarget& target) {
  std::vector<double> starts{0.0};
  starts.reserve(target.phones.size() + 1);
  for (const PhoneTarget& phone : target.phones) starts.push_back(starts.back() + phone.length_ms);
  return starts;
}

namespace {

struct TimedPoint {
  double ms;
  PointPlace place;
};

// Every pitch point at its time, in time order: points given out of order inside a phone still
// make one curve, ties kept as they stand.
std::vector<TimedPoint> timed_points(const ProsodyTarget& target) {
  std::vector<TimedPoint> timed;
  double start = 0;
  for (std::size_t k = 0; k < target.phones.size(); ++k) {
    const PhoneTarget& phone = target.phones[k];
    for (std::size_t j = 0; j < phone.pitch.size(); ++j)
      timed.push_back({start + phone.pitch[j].position / 100.0 * phone.length_ms, {k, j}});
    start += phone.length_ms;
  }
  std::stable_sort(timed.begin(), timed.end(), [](const TimedPoint& a, const TimedPoint& b) { return a.ms < b.ms; });
  return timed;
}

}  // namespace

std::vector<CurvePoint> pitch_curve(const ProsodyTarget& target) {
  std::vector<CurvePoint> curve;
  for (const TimedPoint& t : timed_points(target))
    curve.push_back({t.ms, target.phones[t.place.phone].pitch[t.place.point].hz});
  return curve;
}

std::vector<PointPlace> points_in_time_order(const ProsodyTarget& target) {
  std::vector<PointPlace> places;
  for (const TimedPoint& t : timed_points(target)) places.push_back(t.place);
  return places;
}

PhonePlace place_in_phones(std::span<const double> starts, double t) {
  t = std::clamp(t, starts.front(), starts.back());
  const auto after = std::upper_bound(starts.begin(), starts.end() - 1, t);
  const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - starts.begin() - 1, 0));
  if (k + 1 >= starts.size()) return {k, 0};
  const double span = starts[k + 1] - starts[k];
  return {k, span > 0 ? std::clamp(100 * (t - starts[k]) / span, 0.0, 100.0) : 0.0};
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
