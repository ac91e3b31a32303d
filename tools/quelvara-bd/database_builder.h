#pragma once
// Builds the whole diphone database (or a few of its units) into an output folder, spread
// over worker processes, with a progress bar and a plain-text index.
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quelvara::tools {

struct BuildOptions {
  std::filesystem::path out;          // the folder that receives bd/ and the index
  std::filesystem::path phone_table;  // the SAMPA -> donor mapping
  std::filesystem::path voice;        // the donor's constant-pitch voice file
  std::vector<std::pair<int, int>> only;  // empty: every pair of the inventory
  int jobs = 2;
  bool progress = false;  // draw a progress bar (on a terminal)
};

// The index file, beside bd/.
inline constexpr const char* index_name = "bd-index.txt";

// Returns the process exit status: 0 when every unit was built, checked and written.
int build_database(const BuildOptions& options, std::ostream& messages);

// "p-a,a-_" -> {(2,25),(25,1)}; throws std::invalid_argument naming the bad pair.
std::vector<std::pair<int, int>> parse_pairs(const std::string& text);

}  // namespace quelvara::tools
