#pragma once
// One intonation run: plan the new marks in the chosen mode, then resynthesise on them.
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "prosody/planning.h"
#include "prosody/praat_tiers.h"
#include "prosody/prosody_target.h"
#include "prosody/target_planning.h"

namespace quelvara::road {

// "Factor": every voiced period divided by factor (0.5 to 2).
struct FactorMode {
  double factor = 1.0;
};
// "Gráfica": every period replaced by the contour that the final punctuation chooses.
struct ContourMode {};
// "Natural": the intonation and rhythm rules of Lisbon Portuguese, on the text's stress marks.
struct NaturalMode {};
// A prosody given whole, as a .pho file gives it: its phones are the text.
struct PhoMode {
  prosody::ProsodyTarget target;
};
// Praat tiers on the joined signal's time axis: a PitchTier alone keeps the lengths, a
// DurationTier alone keeps the pitch.
struct TierMode {
  std::optional<prosody::Tier> pitch;
  std::optional<prosody::Tier> duration;
};
// The intonation type, as the main window's selector and quelvara-synth choose it.
using Mode = std::variant<FactorMode, ContourMode, NaturalMode, PhoMode, TierMode>;

// Whether the mode asks for a prosody target (Natural, .pho, tiers) rather than for the marks
// that "Factor" and "Gráfica" plan.
bool plans_a_target(const Mode& mode);

// A run on a prosody target: the target and the overlap-add steps planned for it.
struct TargetRun {
  prosody::ProsodyTarget target;
  prosody::TargetPlan plan;
};

struct Intonation {
  std::vector<double> sinal;
  std::vector<prosody::Position> analysis_marks;   // where the periods moved from (1-based)
  std::vector<prosody::Position> synthesis_marks;  // and where to, in sinal
  bool placeholder_mismatch = false;  // planning found a different number of placeholders
  bool mark_count_mismatch = false;   // analysis and synthesis mark counts differ
  std::optional<TargetRun> target;    // in a mode that plans a prosody target
};

// The marks in mode, "Factor" or "Gráfica" (the contour of pontuacao); std::invalid_argument
// for a mode that plans a target.
prosody::MarkPlan plan_in(const prosody::MarkedSignal& marks, const Mode& mode, char pontuacao);

// Plans in mode and resynthesises orig on the plan.
// A factor out of range throws std::invalid_argument with prosody::factor_range_message.
Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, const Mode& mode, char pontuacao);

// The same from the marks and voiced runs of orig, without rows of a number per sample.
Intonation reshape(std::span<const double> orig, const prosody::MarkedSignal& marks, const Mode& mode,
                   char pontuacao);

}  // namespace quelvara::road
