#include "synthesis/concatenation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>

#include "synthesis/voicing.h"

namespace quelvara::synthesis {
namespace {

// Mean of the absolute sample values dfn[first .. last), summed in sample order. The plain
// mean of a pitch period is near zero and of either sign, so it cannot serve as a level.
double mean_level(const std::vector<double>& dfn, std::size_t first, std::size_t last) {
  double sum = 0;
  for (std::size_t k = first; k < last; ++k) sum += std::abs(dfn[k]);
  return sum / static_cast<double>(last - first);
}

// The level over the unit's last pitch period, or nullopt when the unit is unvoiced at both ends.
std::optional<double> unit_level(const UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  const bool ends_voiced = is_voiced(unit.vzmt.back());
  const bool begins_voiced = is_voiced(unit.vzmt.front());
  if (!ends_voiced && !begins_voiced) return std::nullopt;

  std::size_t ult = length;     // 0-based position of the last mark
  std::size_t penult = length;  // and of the one before it
  for (std::size_t k = length; k-- > 0;) {
    if (unit.trm[k] == 0) continue;
    if (ult == length) {
      ult = k;
      if (ends_voiced) break;
    } else {
      penult = k;
      break;
    }
  }
  if (ends_voiced) return mean_level(unit.dfn, ult, length);
  return mean_level(unit.dfn, penult, ult);
}

bool same_code(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

}  // namespace

double PitchMarks::operator[](std::size_t k) const {
  if (k >= length) throw std::out_of_range("PitchMarks: sample outside the row");
  const auto at = std::lower_bound(positions.begin(), positions.end(), k);
  return at != positions.end() && *at == k ? values[static_cast<std::size_t>(at - positions.begin())] : 0.0;
}

double VoicingCodes::operator[](std::size_t k) const {
  if (k >= length) throw std::out_of_range("VoicingCodes: sample outside the row");
  const auto after = std::upper_bound(starts.begin(), starts.end(), k);
  return codes[static_cast<std::size_t>(after - starts.begin()) - 1];
}

std::vector<double> PitchMarks::row() const {
  std::vector<double> row(length, 0.0);
  for (std::size_t k = 0; k < positions.size(); ++k) row[positions[k]] = values[k];
  return row;
}

void PitchMarks::append(std::span<const double> trm) {
  for (std::size_t k = 0; k < trm.size(); ++k) {
    if (trm[k] != 0) {
      positions.push_back(length + k);
      values.push_back(trm[k]);
    }
  }
  length += trm.size();
}

std::vector<double> VoicingCodes::row() const {
  std::vector<double> row;
  row.reserve(length);
  for (std::size_t r = 0; r < starts.size(); ++r) {
    const std::size_t end = r + 1 < starts.size() ? starts[r + 1] : length;
    row.insert(row.end(), end - starts[r], codes[r]);
  }
  return row;
}

void VoicingCodes::append(std::span<const double> vzmt) {
  for (std::size_t k = 0; k < vzmt.size(); ++k) {
    if (codes.empty() || !same_code(codes.back(), vzmt[k])) {
      starts.push_back(length + k);
      codes.push_back(vzmt[k]);
    }
  }
  length += vzmt.size();
}

void reserve_samples(Joined& joined, std::size_t samples) {
  // Only a saving: when the room cannot be had (lengths from damaged files), the rows grow as
  // the units come.
  try {
    joined.orig.reserve(samples);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

bool append_unit(Joined& joined, const UnitData& unit) {
  if (!unit_is_usable(unit)) throw std::invalid_argument("append_unit: unit is not usable");
  return append_usable_unit(joined, unit);
}

bool append_usable_unit(Joined& joined, const UnitData& unit) {
  const std::optional<double> level = unit_level(unit);
  if (level) {
    const double medtot = joined.medtot + *level;
    if (!std::isfinite(*level) || !std::isfinite(medtot)) return false;
    joined.medtot = medtot;
  }
  joined.media.push_back(level);
  joined.orig.insert(joined.orig.end(), unit.dfn.begin(), unit.dfn.end());
  joined.pitch.append(unit.trm);
  joined.vzmto.append(unit.vzmt);
  joined.limdf.push_back(unit.dfn.size());
  joined.fctalisa.push_back(1.0);
  return true;
}

void smooth_levels(Joined& joined) {
  std::size_t total_length = 0;
  for (std::size_t length : joined.limdf) total_length += length;
  if (joined.media.size() != joined.limdf.size() || joined.fctalisa.size() != joined.limdf.size() ||
      joined.orig.size() != total_length) {
    throw std::invalid_argument("smooth_levels: unit lengths do not match the joined rows");
  }

  double medtot = 0;  // summed in text order
  std::size_t units_with_level = 0;
  for (const auto& level : joined.media) {
    if (level) {
      medtot += *level;
      ++units_with_level;
    }
  }
  // With a single level the factor would silence that unit; with a zero sum it has no divisor.
  if (units_with_level < 2 || medtot == 0 || !std::isfinite(medtot)) return;

  std::size_t buf = 0;
  for (std::size_t c = 0; c < joined.limdf.size(); ++c) {
    const std::size_t aux = joined.limdf[c];
    if (joined.media[c]) {
      const double factor = (medtot - *joined.media[c]) / medtot;
      joined.fctalisa[c] = factor;
      for (std::size_t k = buf; k < buf + aux; ++k) joined.orig[k] *= factor;
    }
    buf += aux;
  }
}

}  // namespace quelvara::synthesis
