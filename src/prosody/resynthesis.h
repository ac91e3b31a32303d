#pragma once
// Pitch-synchronous overlap-add on a plan's analysis and synthesis marks.
#include <span>
#include <vector>

namespace quelvara::prosody {

struct Resynthesis {
  std::vector<double> sinal;
  bool mark_count_mismatch = false;  // analysis and synthesis mark counts differ
};

Resynthesis resynthesize(std::span<const double> orig, std::span<const double> analysis_marks,
                         std::span<const double> synthesis_marks);

}  // namespace quelvara::prosody
