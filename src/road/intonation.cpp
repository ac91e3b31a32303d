#include "road/intonation.h"

#include <stdexcept>

#include "prosody/resynthesis.h"

namespace quelvara::road {

bool plans_a_target(const Mode& mode) {
  return !std::holds_alternative<FactorMode>(mode) && !std::holds_alternative<ContourMode>(mode);
}

prosody::MarkPlan plan_in(const prosody::MarkedSignal& marks, const Mode& mode, char pontuacao) {
  if (const auto* factor = std::get_if<FactorMode>(&mode)) return prosody::plan_factor(marks, factor->factor);
  if (std::holds_alternative<ContourMode>(mode)) return prosody::plan_contour(marks, pontuacao);
  throw std::invalid_argument("this intonation plans a prosody target, not marks");
}

Intonation reshape(std::span<const double> orig, const prosody::MarkedSignal& marks, const Mode& mode,
                   char pontuacao) {
  prosody::MarkPlan plan = plan_in(marks, mode, pontuacao);
  prosody::Resynthesis resynthesis =
      prosody::resynthesize(orig, plan.analysis_marks, plan.synthesis_marks, plan.synthesis_length);
  return {std::move(resynthesis.sinal), std::move(plan.analysis_marks), std::move(plan.synthesis_marks),
          plan.placeholder_mismatch, resynthesis.mark_count_mismatch, std::nullopt};
}

Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, const Mode& mode, char pontuacao) {
  // A factor out of range is refused before the rows are read, as planning itself does.
  if (const auto* factor = std::get_if<FactorMode>(&mode); factor && !prosody::factor_in_range(factor->factor)) {
    throw std::invalid_argument(prosody::factor_range_message);
  }
  return reshape(orig, prosody::marked_signal(pitch, vzmto), mode, pontuacao);
}

}  // namespace quelvara::road
