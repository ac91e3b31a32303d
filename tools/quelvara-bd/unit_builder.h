#pragma once
// Builds one diphone unit: synthesises its carrier, cuts it from the steady middle of the first
// phone to the steady middle of the second on pitch-period boundaries, and derives its pitch
// marks, voicing codes and levels.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "synthesis/unit_database.h"
#include "tools/quelvara-bd/phone_table.h"

namespace quelvara::tools {

// The stretch of silence that "_" contributes to each unit it is part of.
inline constexpr std::size_t pause_samples = 1102;

// Steady-part RMS (in donor sample units) that each phone is brought to, and the overall scale
// from donor units to the unit files' range.
struct LevelTargets {
  std::array<std::optional<double>, 46> rms{};
  double scale = 1.0;
  // For sonorants: one steady period at the target level, into which every unit's edge
  // period in that phone is faded (empty: no fading).
  std::array<std::vector<double>, 46> edge_period{};
};

struct BuiltUnit {
  synthesis::UnitData data;
  std::string carrier;         // the donor's input, without [[ ]]; empty for "_" + "_"
  std::size_t begin = 0;       // the cut, in carrier samples: first sample taken
  std::size_t end = 0;         // one past the last
  std::size_t marks = 0;
  std::size_t boundary = 0;    // unit sample where the second phone begins
  // Lowest correlation between consecutive settled periods cut at the marks; nullopt when the
  // unit has no two such periods.
  std::optional<double> grid_coherence;
};

// The unit of (fonum1, fonum2). Without targets the unit keeps the donor's own levels (used to
// measure them). Fails with a message naming what went wrong.
std::variant<BuiltUnit, std::string> build_unit(const PhoneTable& table, int fonum1, int fonum2,
                                                const LevelTargets* targets);

// The steady-part RMS of a phone at the start of its unit (the phone followed by [a]), in donor
// units; the reference the phone's level is normalised to. nullopt for phones cut in silence.
std::optional<double> reference_level(const PhoneTable& table, int fonum);

// The steady period a sonorant's unit edges are faded into: the first period of the phone
// followed by [a], at the target level. Empty for other phones.
std::vector<double> reference_period(const PhoneTable& table, int fonum, const LevelTargets& targets);

}  // namespace quelvara::tools
