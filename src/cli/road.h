#pragma once
// The whole signal road for one text, as the main window runs it: analysis, planning in one of
// the two intonation modes, overlap-add. Shared by the command-line synthesizer and the
// benchmarks.
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "synthesis/analysis.h"

namespace quelvara::cli {

struct FactorMode {
  double factor = 1.0;
};
struct ContourMode {};
using Mode = std::variant<FactorMode, ContourMode>;

struct RoadResult {
  synthesis::Analysis analysis;
  std::vector<double> sinal;             // empty unless analysis.status is ok
  std::vector<std::string> diagnostics;  // "Erro no número de marcas" lines, in order
};

RoadResult run_road(std::string_view texto, const Mode& mode, const synthesis::UnitReader& reader,
                    const std::filesystem::path& database_root);

}  // namespace quelvara::cli
