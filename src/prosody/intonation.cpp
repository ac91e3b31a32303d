#include "prosody/intonation.h"

#include "prosody/planning.h"
#include "prosody/resynthesis.h"

namespace quelvara::prosody {

Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, std::optional<double> factor, char pontuacao) {
  const Plan plan = factor ? plan_factor(pitch, vzmto, *factor) : plan_contour(pitch, vzmto, pontuacao);
  Resynthesis resynthesis = resynthesize(orig, plan.analysis_marks, plan.synthesis_marks);
  return {std::move(resynthesis.sinal), plan.placeholder_mismatch, resynthesis.mark_count_mismatch};
}

}  // namespace quelvara::prosody
