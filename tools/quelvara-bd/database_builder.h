#pragma once
// Builds the whole diphone database (or a few of its units) into an output folder, spread
// over worker processes, with a progress bar and a plain-text index.
#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tools/quelvara-bd/database_index.h"
#include "tools/quelvara-bd/phone_table.h"
#include "tools/quelvara-bd/unit_builder.h"

namespace quelvara::tools {

struct BuildOptions {
  std::filesystem::path out;          // the folder that receives bd/ and the index
  std::filesystem::path phone_table;  // the SAMPA -> donor mapping
  std::filesystem::path voice;        // the donor's constant-pitch voice file
  std::vector<std::pair<int, int>> only;  // empty: every pair of the inventory
  int jobs = 2;
  bool progress = false;  // draw a progress bar (on a terminal)
};

// Returns the process exit status: 0 when every unit was built, checked and written; 1 after
// naming, on `messages`, every unit that was not and why.
int build_database(const BuildOptions& options, std::ostream& messages);

// Level targets: for every phone, the steady-part level of its unit before [a] and, for the
// sonorants, the steady period their unit edges are faded into, each measured in a fresh donor
// child (the donor must be open), over `workers` processes. Fails with messages naming each
// phone whose measure failed, and why.
std::variant<LevelTargets, std::vector<std::string>> measure_level_targets(const PhoneTable& table, int workers);

// "p-a,a-_" -> {(2,25),(25,1)}; throws std::invalid_argument naming the bad pair.
std::vector<std::pair<int, int>> parse_pairs(const std::string& text);

}  // namespace quelvara::tools
