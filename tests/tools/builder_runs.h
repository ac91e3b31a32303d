#pragma once
// Running the database builder from the tests, on the units a few texts need.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "synthesis/text_reader.h"

namespace quelvara::testing {

// "a-b,c-d,..." for every diphone of the texts, each once.
inline std::string pairs_of(const std::vector<std::string>& texts) {
  std::set<std::string> pairs;
  for (const auto& text : texts) {
    const auto reading = synthesis::read_text(text);
    for (const auto& d : reading->diphones) pairs.insert(d.fone1 + "-" + d.fone2);
  }
  std::string list;
  for (const auto& p : pairs) list += (list.empty() ? "" : ",") + p;
  return list;
}

// Runs the builder on those pairs into `out`, its messages into out/log.txt; its exit status.
inline int run_builder(const std::filesystem::path& out, const std::string& only, const std::string& extra = "") {
  const std::string command = std::string("'") + QUELVARA_BD + "' --out '" + out.string() + "' --only '" + only +
                              "' " + extra + " > '" + (out / "log.txt").string() + "' 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::string read_all(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace quelvara::testing
