#include "synthesis/analysis.h"

namespace quelvara::synthesis {

namespace {

// The samples of the whole text, as far as the unit files tell them; counting stops at the
// first unit that cannot tell, since the analysis may end there.
std::size_t announced_samples(const std::vector<Diphone>& diphones, const UnitLength& unit_length,
                              const std::filesystem::path& database_root) {
  std::size_t total = 0;
  for (const Diphone& diphone : diphones) {
    if (!diphone.fonum1 || !diphone.fonum2) break;
    const auto length = unit_length(database_root / unit_path(*diphone.fonum1, *diphone.fonum2));
    if (!length) break;
    total += *length;
  }
  return total;
}

}  // namespace

Analysis analyse(std::string_view texto, const UnitReader& reader,
                 const std::filesystem::path& database_root, const UnitLength& unit_length) {
  Analysis analysis;
  auto reading = read_text(texto);
  if (!reading) {
    analysis.status = Analysis::Status::empty_text;
    return analysis;
  }
  analysis.reading = std::move(*reading);
  if (unit_length) {
    reserve_samples(analysis.joined, announced_samples(analysis.reading.diphones, unit_length, database_root));
  }

  for (const Diphone& diphone : analysis.reading.diphones) {
    std::optional<UnitData> unit;
    // A symbol outside the inventory names no unit file, so it fails like a missing unit.
    if (diphone.fonum1 && diphone.fonum2) {
      unit = reader(database_root / unit_path(*diphone.fonum1, *diphone.fonum2));
    }
    // A unit whose level is no finite number cannot be smoothed; it fails like a missing one.
    if (!unit || !(unit->checked_usable || unit_is_usable(*unit)) || !append_usable_unit(analysis.joined, *unit)) {
      analysis.status = Analysis::Status::missing_unit;
      analysis.failed = diphone;
      analysis.joined = Joined{};  // units loaded before it are discarded
      return analysis;
    }
  }
  smooth_levels(analysis.joined);
  return analysis;
}

}  // namespace quelvara::synthesis
