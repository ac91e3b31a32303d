#pragma once
// Joining units and evening out their levels.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "synthesis/unit_database.h"

namespace quelvara::synthesis {

// The joined pitch-mark row, kept as its nonzero entries: a mark every period or so, instead of
// a number for every sample.
struct PitchMarks {
  std::size_t length = 0;               // samples of the row
  std::vector<std::size_t> positions;   // 0-based, ascending
  std::vector<double> values;           // the nonzero value at each position
  std::size_t size() const { return length; }
  bool empty() const { return length == 0; }
  double operator[](std::size_t k) const;  // entry k of the row (0-based), 0 between marks
  std::vector<double> row() const;      // the whole row, zeros included
  void append(std::span<const double> trm);
};

// The joined voicing row, kept as runs of equal codes: a unit holds a few runs, not a code per
// sample. Codes are compared bit for bit, so the row comes back exactly as it was appended.
struct VoicingCodes {
  std::size_t length = 0;               // samples of the row
  std::vector<std::size_t> starts;      // 0-based first sample of each run, ascending
  std::vector<double> codes;            // the code of each run
  std::size_t size() const { return length; }
  bool empty() const { return length == 0; }
  double operator[](std::size_t k) const;  // the code of sample k (0-based)
  std::vector<double> row() const;
  void append(std::span<const double> vzmt);
};

struct Joined {
  std::vector<double> orig;    // joined waveform (smoothed once smooth_levels has run)
  PitchMarks pitch;            // joined pitch marks
  VoicingCodes vzmto;          // joined voicing codes
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
// The same for a unit the caller has just found usable, without checking it again.
bool append_usable_unit(Joined& joined, const UnitData& unit);

// Makes room for a text of samples samples in all, so that appending its units copies each
// sample once.
void reserve_samples(Joined& joined, std::size_t samples);

// Scales each unit that has a level by (medtot - media(c)) / medtot; no unit is scaled when
// fewer than two units have a level or the sum of levels is 0.
void smooth_levels(Joined& joined);

}  // namespace quelvara::synthesis
