#pragma once
// Planning the overlap-add for a prosody target: which period of the joined signal goes where
// in the new one, so that every phone lasts its target length and the voiced periods follow
// the target's F0 curve.
#include <cstddef>
#include <span>
#include <vector>

#include "prosody/planning.h"
#include "prosody/prosody_target.h"
#include "prosody/resynthesis.h"

namespace quelvara::prosody {

// The spacing of the pseudo-marks in unvoiced stretches: two periods of the voice, so that
// noise repeated to stretch it does not buzz at a pitch of its own.
inline constexpr std::ptrdiff_t unvoiced_spacing = 340;

// The joined signal as the planner reads it.
struct JoinedPhones {
  MarkedSignal signal;               // pitch marks and voiced runs, 1-based
  std::vector<std::size_t> bounds;   // 0-based sample where each phone starts, then the signal's length
  // Per phone, the 0-based sample from which it keeps its own length (a stop's burst and what
  // follows it, which stretching must not repeat); its end when all of it may stretch.
  std::vector<std::size_t> releases;
};

struct TargetPlan {
  std::vector<OverlapStep> steps;  // in the order of their targets
  std::size_t length = 0;          // samples of the new signal
  std::vector<Position> analysis_marks() const;   // the steps' centres (1-based, ascending, may repeat)
  std::vector<Position> synthesis_marks() const;  // their targets
};

// The plan for target on joined, which must have as many phones as the target
// (std::invalid_argument otherwise). Stretched stretches repeat periods and shortened ones
// skip them; unvoiced stretches are cut at pseudo-marks unvoiced_spacing apart and keep
// their spacing, so that their spectrum stays as it was.
TargetPlan plan_target(const JoinedPhones& joined, const ProsodyTarget& target);

// Where a sample of the joined signal (0-based, fractional) lands in the new one: carried
// linearly between the analysis marks and the synthesis marks they moved to (pairs in order,
// analysis marks ascending). Of a mark used several times, its own sample is heard first where
// it is first used, and what follows it from its last use on.
double carried_position(std::span<const Position> analysis_marks, std::span<const Position> synthesis_marks,
                        double sample);

}  // namespace quelvara::prosody
