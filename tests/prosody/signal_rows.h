#pragma once
// Small synthetic pitch-mark and voicing rows for the prosody tests.
#include <cstddef>
#include <utility>
#include <vector>

namespace quelvara::prosody::testing {

struct Rows {
  std::vector<double> pitch;
  std::vector<double> vzmto;
};

// A signal of `size` samples with pitch marks at the given 1-based positions, voiced (code 5)
// except in the given 1-based inclusive ranges (code 1).
inline Rows make_rows(std::size_t size, const std::vector<std::size_t>& marks,
                      const std::vector<std::pair<std::size_t, std::size_t>>& unvoiced = {}) {
  Rows rows{std::vector<double>(size, 0.0), std::vector<double>(size, 5.0)};
  for (std::size_t mark : marks) rows.pitch.at(mark - 1) = 1.0;
  for (auto [first, last] : unvoiced) {
    for (std::size_t j = first; j <= last; ++j) rows.vzmto.at(j - 1) = 1.0;
  }
  return rows;
}

// The 1-based positions of the nonzero entries of a row.
inline std::vector<std::size_t> positions(const std::vector<double>& row) {
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < row.size(); ++i) {
    if (row[i] != 0) found.push_back(i + 1);
  }
  return found;
}

}  // namespace quelvara::prosody::testing
