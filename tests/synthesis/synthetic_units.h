#pragma once
// Small synthetic units for tests: voiced pulse trains with their marks, and noise.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "synthesis/mat_writer.h"
#include "synthesis/phones.h"
#include "synthesis/unit_database.h"

namespace quelvara::testing {

inline constexpr double voiced_code = 5;    // > 2
inline constexpr double unvoiced_code = 1;  // <= 2

// A voiced unit: one decaying pulse per period, a mark where each period begins.
inline synthesis::UnitData voiced_unit(std::size_t length, std::size_t period, double amplitude) {
  synthesis::UnitData unit;
  unit.dfn.resize(length);
  unit.trm.assign(length, 0);
  unit.vzmt.assign(length, voiced_code);
  for (std::size_t k = 0; k < length; ++k) {
    const std::size_t phase = k % period;
    if (phase == 0) unit.trm[k] = 1;
    unit.dfn[k] = amplitude * std::exp(-0.3 * static_cast<double>(phase)) *
                  std::cos(0.9 * static_cast<double>(phase));
  }
  return unit;
}

// An unvoiced unit: reproducible noise, no marks.
inline synthesis::UnitData noise_unit(std::size_t length, double amplitude, std::uint32_t seed = 1) {
  synthesis::UnitData unit;
  unit.dfn.resize(length);
  unit.trm.assign(length, 0);
  unit.vzmt.assign(length, unvoiced_code);
  for (auto& x : unit.dfn) {
    seed = seed * 1664525u + 1013904223u;
    x = amplitude * (static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2 - 1);
  }
  return unit;
}

// A unit of constant magnitude |value| whose samples alternate in sign, so that its plain mean
// over a period is near 0 while its level is exactly |value|.
inline synthesis::UnitData alternating_unit(std::size_t length, std::size_t period, double value) {
  synthesis::UnitData unit = voiced_unit(length, period, 1);
  for (std::size_t k = 0; k < length; ++k) unit.dfn[k] = k % 2 ? -value : value;
  return unit;
}

// Writes units keyed by their two phone symbols into root/bd/... as the database names them.
inline void write_database(const std::filesystem::path& root,
                           const std::vector<std::pair<std::pair<std::string, std::string>,
                                                       synthesis::UnitData>>& units) {
  for (const auto& [phones, unit] : units) {
    const auto n1 = synthesis::phone_number(phones.first);
    const auto n2 = synthesis::phone_number(phones.second);
    if (!n1 || !n2) throw std::invalid_argument("not a phone: " + phones.first + phones.second);
    write_unit(root / synthesis::unit_path(*n1, *n2), unit);
  }
}

}  // namespace quelvara::testing
