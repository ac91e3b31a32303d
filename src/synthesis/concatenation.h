#pragma once
// Joining units and evening out their levels.
#include <cstddef>
#include <optional>
#include <vector>

#include "synthesis/unit_database.h"

namespace quelvara::synthesis {

struct Joined {
  std::vector<double> orig;    // joined waveform (smoothed once smooth_levels has run)
  std::vector<double> pitch;   // joined pitch marks
  std::vector<double> vzmto;   // joined voicing codes
  std::vector<std::size_t> limdf;            // length of each unit
  std::vector<std::optional<double>> media;  // level of each unit, nullopt for the marker "n"
  std::vector<double> fctalisa;              // smoothing factor applied to each unit (1 = unchanged)
  double medtot = 0;                         // sum of the levels so far, in text order
};

// Appends a unit (already checked with unit_is_usable) and records its length and level.
// The level is the mean of the absolute sample values over the unit's last period. Gives false
// and appends nothing when that level, or the sum of the levels with it, is no finite number
// (samples so large that their sum overflows): smoothing by it would turn every sample of the
// text into NaN.
bool append_unit(Joined& joined, const UnitData& unit);

// Scales each unit that has a level by (medtot - media(c)) / medtot; no unit is scaled when
// fewer than two units have a level or the sum of levels is 0.
void smooth_levels(Joined& joined);

}  // namespace quelvara::synthesis
