#include "synthesis/analysis.h"

namespace quelvara::synthesis {

namespace {

// Each diphone's unit file; empty for a symbol outside the inventory, which names none.
std::vector<std::filesystem::path> unit_files(const std::vector<Diphone>& diphones,
                                              const std::filesystem::path& database_root) {
  std::vector<std::filesystem::path> files;
  files.reserve(diphones.size());
  for (const Diphone& diphone : diphones) {
    files.push_back(diphone.fonum1 && diphone.fonum2 ? database_root / unit_path(*diphone.fonum1, *diphone.fonum2)
                                                     : std::filesystem::path());
  }
  return files;
}

// The samples of the whole text, as far as the unit files tell them; counting stops at the
// first unit that cannot tell, since the analysis may end there.
std::size_t announced_samples(const std::vector<std::filesystem::path>& files, const UnitLength& unit_length) {
  std::size_t total = 0;
  for (const auto& file : files) {
    const auto length = file.empty() ? std::nullopt : unit_length(file);
    if (!length) break;
    total += *length;
  }
  return total;
}

}  // namespace

Analysis analyse(std::string_view texto, const UnitReader& reader,
                 const std::filesystem::path& database_root, const UnitLength& unit_length) {
  auto reading = read_text(texto);
  if (!reading) {
    Analysis analysis;
    analysis.status = Analysis::Status::empty_text;
    return analysis;
  }
  return analyse(std::move(*reading), reader, database_root, unit_length);
}

Analysis analyse(Reading reading, const UnitReader& reader, const std::filesystem::path& database_root,
                 const UnitLength& unit_length) {
  Analysis analysis;
  analysis.reading = std::move(reading);
  const std::vector<std::filesystem::path> files = unit_files(analysis.reading.diphones, database_root);
  if (unit_length) reserve_samples(analysis.joined, announced_samples(files, unit_length));

  for (std::size_t k = 0; k < files.size(); ++k) {
    const Diphone& diphone = analysis.reading.diphones[k];
    // A symbol outside the inventory names no unit file, so it fails like a missing unit.
    std::optional<UnitData> unit;
    if (!files[k].empty()) unit = reader(files[k]);
    // A unit whose level is no finite number cannot be smoothed; it fails like a missing one.
    if (!unit || !unit_is_usable(*unit) || !append_usable_unit(analysis.joined, *unit)) {
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
