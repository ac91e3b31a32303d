#pragma once
// Where a diphone unit lives in the database, and what a unit holds.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

namespace quelvara::synthesis {

// One unit: waveform, pitch marks (nonzero where a period begins), voicing codes (is_voiced).
struct UnitData {
  std::vector<double> dfn;
  std::vector<double> trm;
  std::vector<double> vzmt;
};

// "bd/oclus/<n1><n2>.mat" when fonum1 <= 4, else "bd/<n1><n2>.mat", relative to the folder
// that holds bd/.
std::filesystem::path unit_path(int fonum1, int fonum2);

// True when the unit satisfies what joining and smoothing need: equal non-zero lengths; when
// it ends voiced, at least one mark; when it ends unvoiced but begins voiced, at least two.
bool unit_is_usable(const UnitData& unit);

// Reads one unit file; nullopt when the file is absent, unreadable or malformed.
// The MAT-file implementation lives in runtime/ (read_unit_file); tests may pass their own.
using UnitReader = std::function<std::optional<UnitData>(const std::filesystem::path&)>;

// The number of samples a unit file holds, when that can be told cheaply from its first bytes;
// nullopt otherwise. Only a hint for reserving memory (runtime's unit_file_length).
using UnitLength = std::function<std::optional<std::size_t>(const std::filesystem::path&)>;

}  // namespace quelvara::synthesis
