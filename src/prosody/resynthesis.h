#pragma once
// Pitch-synchronous overlap-add on a plan's analysis and synthesis marks.
#include <cstddef>
#include <functional>
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

// Receives the new signal stretch by stretch, in order; a stretch is valid only during the call.
using StretchSink = std::function<void(std::span<const double>)>;

// Stretches of at most this many samples are handed out as they are finished.
inline constexpr std::size_t stretch_samples = 8192;

// The overlap-add of resynthesize without ever holding the new signal whole: the stretches
// handed to take, joined, are its sinal bit for bit (the same additions in the same order).
// For a caller that writes the signal as it is made; memory stays at a few periods.
void resynthesize_in_stretches(std::span<const double> orig, std::span<const std::ptrdiff_t> analysis_marks,
                               std::span<const std::ptrdiff_t> synthesis_marks, std::size_t sinal_length,
                               const StretchSink& take);

// One step of the overlap-add: the period before centre (left samples) and the one after it
// (right samples) of orig, weighted by the rising and falling halves of their triangular
// windows, added so that centre lands on target (1-based positions). The mark-based forms
// take their steps from consecutive marks; a planner that repeats or skips periods gives its
// own.
struct OverlapStep {
  std::ptrdiff_t centre = 0;
  std::ptrdiff_t left = 0;
  std::ptrdiff_t right = 0;
  std::ptrdiff_t target = 0;
};

// The overlap-add of the steps, in their order, into a new signal of sinal_length samples,
// handed out in stretches as resynthesize_in_stretches does.
void resynthesize_steps(std::span<const double> orig, std::span<const OverlapStep> steps, std::size_t sinal_length,
                        const StretchSink& take);

}  // namespace quelvara::prosody
