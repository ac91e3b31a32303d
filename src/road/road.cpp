#include "road/road.h"

#include "prosody/planning.h"

namespace quelvara::road {

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root) {
  RoadResult result;
  result.analysis = synthesis::analyse(texto, reader, database_root);
  if (result.analysis.status != synthesis::Analysis::Status::ok) return result;

  const auto& joined = result.analysis.joined;
  Intonation intonation = reshape(joined.orig, joined.pitch, joined.vzmto, mode,
                                  result.analysis.reading.pontuacao);
  if (intonation.placeholder_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);
  if (intonation.mark_count_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);
  result.sinal = std::move(intonation.sinal);
  return result;
}

}  // namespace quelvara::road
