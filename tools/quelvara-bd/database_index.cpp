#include "tools/quelvara-bd/database_index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "synthesis/phones.h"
#include "synthesis/unit_database.h"

namespace quelvara::tools {

std::string index_line(int fonum1, int fonum2, const BuiltUnit& unit) {
  const auto symbol = [](int fonum) { return synthesis::fonemas[static_cast<std::size_t>(fonum - 1)]; };
  std::ostringstream line;
  line << fonum1 << '-' << fonum2 << '\t' << symbol(fonum1) << ' ' << symbol(fonum2) << '\t'
       << synthesis::unit_path(fonum1, fonum2).generic_string() << '\t' << unit.data.dfn.size() << '\t'
       << unit.marks << '\t' << unit.begin << '\t' << unit.end << '\t'
       << (unit.carrier.empty() ? "-" : unit.carrier) << '\t';
  if (unit.grid_coherence) line << *unit.grid_coherence; else line << '-';
  double peak = 0;
  for (double x : unit.data.dfn) peak = std::max(peak, std::abs(x));
  line << '\t' << peak << '\t' << unit.boundary;
  return line.str();
}

IndexLines read_index(const std::filesystem::path& file) {
  IndexLines lines;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    int fonum1 = 0, fonum2 = 0;
    if (line.empty() || line[0] == '#' || std::sscanf(line.c_str(), "%d-%d", &fonum1, &fonum2) != 2) continue;
    lines[{fonum1, fonum2}] = line;
  }
  return lines;
}

bool write_index(const std::filesystem::path& file, const IndexLines& lines) {
  const std::filesystem::path temporary = file.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    out << "# par\tsímbolos\tficheiro\tamostras\tmarcas\tinício\tfim\tportador\tcoerência\tpico\tfronteira\n";
    for (const auto& [pair, line] : lines) out << line << '\n';
    if (!out.flush()) return false;
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  return !error;
}

}  // namespace quelvara::tools
