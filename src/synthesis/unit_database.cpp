#include "synthesis/unit_database.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace quelvara::synthesis {

std::filesystem::path unit_path(int fonum1, int fonum2) {
  // Units beginning with "_", "p", "b" or "t" have a folder of their own, which keeps
  // the joined numbers of the two folders from colliding.
  const std::filesystem::path cam = fonum1 <= 4 ? std::filesystem::path("bd") / "oclus"
                                                : std::filesystem::path("bd");
  return cam / (std::to_string(fonum1) + std::to_string(fonum2) + ".mat");
}

bool unit_is_usable(const UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0 || unit.trm.size() != length || unit.vzmt.size() != length) return false;

  // One NaN would spread through the smoothing sum into every unit of the text.
  auto finite = [](double x) { return std::isfinite(x); };
  if (!std::all_of(unit.dfn.begin(), unit.dfn.end(), finite) ||
      !std::all_of(unit.trm.begin(), unit.trm.end(), finite) ||
      !std::all_of(unit.vzmt.begin(), unit.vzmt.end(), finite)) {
    return false;
  }

  const auto marks = std::count_if(unit.trm.begin(), unit.trm.end(), [](double x) { return x != 0; });
  if (unit.vzmt.back() > 2) return marks >= 1;
  if (unit.vzmt.front() > 2) return marks >= 2;
  return true;
}

}  // namespace quelvara::synthesis
