#pragma once
// The level of a phone's steady part at either end of a unit, and the gain ramp that brings
// both ends to their phones' reference levels.
#include <cstddef>
#include <optional>

#include "synthesis/unit_database.h"

namespace quelvara::tools {

// Length of the stretch measured in a noise phone (20 ms).
inline constexpr std::size_t noise_window = 441;

struct SteadyWindow {
  std::size_t first = 0;  // first sample
  std::size_t last = 0;   // one past the last
};

// The steady part at the unit's start: its first pitch period when it begins voiced, the first
// 20 ms of noise when it begins in noise; nullopt when it begins in silence.
std::optional<SteadyWindow> start_window(const synthesis::UnitData& unit);
// The same at its end: the last period, or the last 20 ms of noise.
std::optional<SteadyWindow> end_window(const synthesis::UnitData& unit);

double rms(const synthesis::UnitData& unit, SteadyWindow window);

// Multiplies the unit by start_gain over its start window, by end_gain over its end window,
// and by a straight line between them elsewhere.
void apply_gain_ramp(synthesis::UnitData& unit, double start_gain, double end_gain);

}  // namespace quelvara::tools
