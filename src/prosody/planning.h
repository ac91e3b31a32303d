#pragma once
// Planning new pitch marks: "Factor" (periods divided by a factor) and "Gráfica" (a fixed contour
// chosen by the final punctuation).
#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace quelvara::prosody {

inline constexpr const char* mark_count_message = "Erro no número de marcas";
inline constexpr const char* factor_range_message = "Introduza um valor entre 0.5 e 2";

// Accepted factors: 0.5 to 2, both included; NaN is outside.
bool factor_in_range(double factor);

using Position = std::ptrdiff_t;  // 1-based sample position

// Planning tells whether a mark interval is voiced by the samples this far after its first mark
// and this far before the next one.
inline constexpr Position voicing_look_ahead = 20;

// Whether the period from mark a to mark b is voiced, as planning decides it; voiced(p) tells
// whether the 1-based position p is voiced (false outside the signal).
template <typename Voiced>
bool voiced_period(const Voiced& voiced, Position a, Position b) {
  return voiced(a + voicing_look_ahead) && voiced(b - voicing_look_ahead);
}

// Samples first..last (1-based, both included) are voiced (synthesis::is_voiced).
struct VoicedRun {
  Position first;
  Position last;
};

// What planning reads of a signal of length samples: where its pitch marks are (1-based,
// ascending) and which samples are voiced (ascending runs that neither overlap nor touch).
struct MarkedSignal {
  std::size_t length = 0;
  std::vector<Position> marks;
  std::vector<VoicedRun> voiced;
};

// The marks and voiced runs of a pitch row and a voicing row of the same length
// (std::invalid_argument otherwise).
MarkedSignal marked_signal(std::span<const double> pitch, std::span<const double> vzmto);

// A plan with its marks as positions: the rows of Plan without their zeros.
struct MarkPlan {
  std::vector<Position> analysis_marks;   // 1-based, ascending; the last one is length + 1
  std::vector<Position> synthesis_marks;  // 1-based, ascending; the last one is synthesis_length
  std::size_t synthesis_length = 0;       // length of the new signal
  std::vector<double> periods;
  std::vector<double> spacing;
  bool placeholder_mismatch = false;
};

MarkPlan plan_factor(const MarkedSignal& signal, double factor);
MarkPlan plan_contour(const MarkedSignal& signal, char pontuacao);

struct Plan {
  std::vector<double> analysis_marks;   // working pitch-mark row, N + 1 entries
  std::vector<double> synthesis_marks;  // 0/1 row; its length is the length of the new signal
  std::vector<double> periods;          // new periods p(1..n)
  std::vector<double> spacing;          // spacing list after filling the placeholders
  bool placeholder_mismatch = false;    // step P found a different number of placeholders
};

// pitch and vzmto have the same length N (std::invalid_argument otherwise). Voicing outside the
// signal counts as unvoiced. A signal without pitch marks gets a plan that keeps it unchanged:
// no period, its only analysis mark at N + 1 and its only synthesis mark at N.
// plan_factor throws std::invalid_argument with factor_range_message for a factor out of range.
Plan plan_factor(std::span<const double> pitch, std::span<const double> vzmto, double factor);
Plan plan_contour(std::span<const double> pitch, std::span<const double> vzmto, char pontuacao);

}  // namespace quelvara::prosody
