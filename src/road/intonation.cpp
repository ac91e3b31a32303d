#include "road/intonation.h"

#include "prosody/planning.h"
#include "prosody/resynthesis.h"

namespace quelvara::road {

Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, const Mode& mode, char pontuacao) {
  const prosody::Plan plan =
      std::holds_alternative<FactorMode>(mode)
          ? prosody::plan_factor(pitch, vzmto, std::get<FactorMode>(mode).factor)
          : prosody::plan_contour(pitch, vzmto, pontuacao);
  prosody::Resynthesis resynthesis = prosody::resynthesize(orig, plan.analysis_marks, plan.synthesis_marks);
  return {std::move(resynthesis.sinal), plan.placeholder_mismatch, resynthesis.mark_count_mismatch};
}

}  // namespace quelvara::road
