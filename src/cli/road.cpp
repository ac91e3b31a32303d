#include "cli/road.h"

#include "prosody/planning.h"
#include "prosody/resynthesis.h"

namespace quelvara::cli {

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root) {
  RoadResult result;
  result.analysis = synthesis::analyse(texto, reader, database_root);
  if (result.analysis.status != synthesis::Analysis::Status::ok) return result;

  const auto& joined = result.analysis.joined;
  const prosody::Plan plan =
      std::holds_alternative<FactorMode>(mode)
          ? prosody::plan_factor(joined.pitch, joined.vzmto, std::get<FactorMode>(mode).factor)
          : prosody::plan_contour(joined.pitch, joined.vzmto, result.analysis.reading.pontuacao);
  if (plan.placeholder_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);

  prosody::Resynthesis resynthesis =
      prosody::resynthesize(joined.orig, plan.analysis_marks, plan.synthesis_marks);
  if (resynthesis.mark_count_mismatch) result.diagnostics.emplace_back(prosody::mark_count_message);
  result.sinal = std::move(resynthesis.sinal);
  return result;
}

}  // namespace quelvara::cli
