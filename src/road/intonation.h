#pragma once
// One intonation run: plan the new marks in the chosen mode, then resynthesise on them.
#include <span>
#include <variant>
#include <vector>

#include "prosody/planning.h"

namespace quelvara::road {

// "Factor": every voiced period divided by factor (0.5 to 2).
struct FactorMode {
  double factor = 1.0;
};
// "Gráfica": every period replaced by the contour that the final punctuation chooses.
struct ContourMode {};
// The intonation type, as the main window's selector and quelvara-synth choose it.
using Mode = std::variant<FactorMode, ContourMode>;

struct Intonation {
  std::vector<double> sinal;
  std::vector<prosody::Position> analysis_marks;   // where the periods moved from (1-based)
  std::vector<prosody::Position> synthesis_marks;  // and where to, in sinal
  bool placeholder_mismatch = false;  // planning found a different number of placeholders
  bool mark_count_mismatch = false;   // analysis and synthesis mark counts differ
};

// The marks in mode (the contour of pontuacao for ContourMode).
prosody::MarkPlan plan_in(const prosody::MarkedSignal& marks, const Mode& mode, char pontuacao);

// Plans in mode and resynthesises orig on the plan.
// A factor out of range throws std::invalid_argument with prosody::factor_range_message.
Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, const Mode& mode, char pontuacao);

// The same from the marks and voiced runs of orig, without rows of a number per sample.
Intonation reshape(std::span<const double> orig, const prosody::MarkedSignal& marks, const Mode& mode,
                   char pontuacao);

}  // namespace quelvara::road
