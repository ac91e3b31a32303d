#pragma once
// Planning new pitch marks: "Factor" (periods divided by a factor) and "Gráfica" (a fixed contour
// chosen by the final punctuation).
#include <span>
#include <string>
#include <vector>

namespace quelvara::prosody {

inline constexpr const char* mark_count_message = "Erro no número de marcas";
inline constexpr const char* factor_range_message = "Introduza um valor entre 0.5 e 2";

// Accepted factors: 0.5 to 2, both included; NaN is outside.
bool factor_in_range(double factor);

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
