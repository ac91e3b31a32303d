#pragma once
// Pitch-synchronous overlap-add on a plan's analysis and synthesis marks.
#include <cstddef>
#include <span>
#include <vector>

namespace quelvara::prosody {

struct Resynthesis {
  std::vector<double> sinal;
  bool mark_count_mismatch = false;  // analysis and synthesis mark counts differ
};

// sinal has the length of synthesis_marks. Parts of a segment that would fall outside orig or
// sinal are left out; steps without a synthesis mark are skipped. Without an analysis mark inside
// orig there is nothing to move and sinal is orig (cut or padded with zeros to that length).
Resynthesis resynthesize(std::span<const double> orig, std::span<const double> analysis_marks,
                         std::span<const double> synthesis_marks);

// The same on marks given as 1-based ascending positions, for a new signal of sinal_length
// samples.
Resynthesis resynthesize(std::span<const double> orig, std::span<const std::ptrdiff_t> analysis_marks,
                         std::span<const std::ptrdiff_t> synthesis_marks, std::size_t sinal_length);

}  // namespace quelvara::prosody
