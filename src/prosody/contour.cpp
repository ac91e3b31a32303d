#include "prosody/contour.h"

#include <array>
#include <cstdint>
#include <span>

namespace quelvara::prosody {
namespace {

constexpr std::array<std::int64_t, 12> statement_contour{167, 147, 182, 167, 157, 152,
                                                         147, 142, 147, 147, 142, 132};
constexpr std::array<std::int64_t, 6> question_contour{170, 190, 160, 150, 155, 180};

// numerator / denominator (denominator > 0) rounded to the nearest integer, halves away from zero.
std::int64_t nearest_quotient(std::int64_t numerator, std::int64_t denominator) {
  if (numerator >= 0) return (2 * numerator + denominator) / (2 * denominator);
  return -((-2 * numerator + denominator) / (2 * denominator));
}

}  // namespace

std::vector<double> contour_periods(std::size_t count, char pontuacao) {
  const std::span<const std::int64_t> table =
      pontuacao == '.' || pontuacao == '!' ? std::span<const std::int64_t>(statement_contour)
                                           : std::span<const std::int64_t>(question_contour);
  std::vector<double> periods(count);
  if (count == 0) return periods;
  if (count == 1) {
    periods[0] = static_cast<double>(table[0]);
    return periods;
  }
  // Position q (0-based) lies at 1 + q (T - 1) / (count - 1) of the table; it and the linear
  // interpolation are kept as exact fractions over count - 1, so that values on a half round
  // the same way on every machine.
  const auto denominator = static_cast<std::int64_t>(count - 1);
  const auto steps = static_cast<std::int64_t>(table.size() - 1);
  for (std::size_t q = 0; q < count; ++q) {
    const std::int64_t offset = static_cast<std::int64_t>(q) * steps;  // (position - 1) * denominator
    const std::int64_t below = offset / denominator;                   // 0-based table point at or below
    const std::int64_t remainder = offset % denominator;
    std::int64_t numerator = table[below] * denominator;
    if (remainder != 0) numerator += (table[below + 1] - table[below]) * remainder;
    periods[q] = static_cast<double>(nearest_quotient(numerator, denominator));
  }
  return periods;
}

}  // namespace quelvara::prosody
