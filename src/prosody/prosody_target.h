#pragma once
// The prosody a text is to be spoken with: how long each phone lasts and the F0 curve over
// them. Every source fills the same value (the Natural rules, a .pho file, Praat tiers, an
// edit in the analysis window), and one planner turns it into synthesis marks.
//
// A pitch point sits in its phone, at a percentage of the phone's length, as in a .pho file:
// lengthening a phone carries its points along. The curve runs linearly from point to point
// across phones and is held before the first point and after the last.
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "synthesis/stress_marks.h"

namespace quelvara::prosody {

inline constexpr double sample_rate = 22050;
inline constexpr double samples_per_ms = sample_rate / 1000;

using synthesis::Stress;

struct PitchTarget {
  double position = 0;  // percent of the phone's length, 0 to 100
  double hz = 0;
};

struct PhoneTarget {
  std::string phone;  // an inventory symbol
  double length_ms = 0;
  Stress stress = Stress::none;
  std::vector<PitchTarget> pitch;  // in order of position
};

struct ProsodyTarget {
  std::vector<PhoneTarget> phones;
};

// A point of the curve on the result's time axis.
struct CurvePoint {
  double ms = 0;
  double hz = 0;
};

// Where each phone starts on the result's axis, in ms, and where the last one ends (one more
// entry than phones).
std::vector<double> phone_starts_ms(const ProsodyTarget& target);

// Every pitch point of the target at its time, in time order. Empty when the target has none:
// the voice then keeps its own pitch.
std::vector<CurvePoint> pitch_curve(const ProsodyTarget& target);

// Where a pitch point sits in a target: its phone, and its place among that phone's points.
struct PointPlace {
  std::size_t phone = 0;
  std::size_t point = 0;
};

// The places of the target's pitch points in the order of pitch_curve.
std::vector<PointPlace> points_in_time_order(const ProsodyTarget& target);

// The phone that holds time t, and how far into it t lies (percent, 0 to 100), given where
// each phone starts and the last one ends (starts not empty, ascending). A time before the
// first phone or after the last is held to it; the last phone holds its own end.
struct PhonePlace {
  std::size_t phone = 0;
  double position = 0;
};
PhonePlace place_in_phones(std::span<const double> starts, double t);

// The curve's frequency at a time: linear between points, held at the ends. curve not empty.
double hz_at(std::span<const CurvePoint> curve, double ms);

}  // namespace quelvara::prosody
