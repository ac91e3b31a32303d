#pragma once
// One intonation run: plan the new marks in either mode, then resynthesise on them.
#include <optional>
#include <span>
#include <vector>

namespace quelvara::prosody {

struct Intonation {
  std::vector<double> sinal;
  bool placeholder_mismatch = false;  // planning found a different number of placeholders
  bool mark_count_mismatch = false;   // analysis and synthesis mark counts differ
};

// Mode "Factor" when factor is given, else "Gráfica" with the contour chosen by pontuacao.
Intonation reshape(std::span<const double> orig, std::span<const double> pitch,
                   std::span<const double> vzmto, std::optional<double> factor, char pontuacao);

}  // namespace quelvara::prosody
