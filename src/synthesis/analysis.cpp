#include "synthesis/analysis.h"

namespace quelvara::synthesis {

Analysis analyse(std::string_view texto, const UnitReader& reader,
                 const std::filesystem::path& database_root) {
  Analysis analysis;
  auto reading = read_text(texto);
  if (!reading) {
    analysis.status = Analysis::Status::empty_text;
    return analysis;
  }
  analysis.reading = std::move(*reading);

  for (const Diphone& diphone : analysis.reading.diphones) {
    std::optional<UnitData> unit;
    // A symbol outside the inventory names no unit file, so it fails like a missing unit.
    if (diphone.fonum1 && diphone.fonum2) {
      unit = reader(database_root / unit_path(*diphone.fonum1, *diphone.fonum2));
    }
    // A unit whose level is no finite number cannot be smoothed; it fails like a missing one.
    if (!unit || !unit_is_usable(*unit) || !append_unit(analysis.joined, *unit)) {
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
