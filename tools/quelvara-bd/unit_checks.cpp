#include "tools/quelvara-bd/unit_checks.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "prosody/planning.h"
#include "synthesis/voicing.h"

namespace quelvara::tools {
namespace {

constexpr std::size_t shortest_voiced_interval = 41;
constexpr std::size_t onset_tolerance = 10;

using synthesis::is_voiced;

}  // namespace

std::string check_unit(const synthesis::UnitData& unit, double period) {
  const std::size_t length = unit.dfn.size();
  if (length == 0) return "unidade vazia";
  if (unit.trm.size() != length || unit.vzmt.size() != length)
    return "dfn, trm e vzmt com comprimentos diferentes";

  std::vector<std::size_t> marks;
  for (std::size_t k = 0; k < length; ++k) {
    if (!std::isfinite(unit.dfn[k])) return "amostra não finita na posição " + std::to_string(k + 1);
    if (std::abs(unit.dfn[k]) >= peak_limit)
      return "pico " + std::to_string(unit.dfn[k]) + " na posição " + std::to_string(k + 1);
    if (unit.vzmt[k] != 0 && unit.vzmt[k] != 1 && unit.vzmt[k] != 3)
      return "código de vozeamento inválido na posição " + std::to_string(k + 1);
    if (unit.trm[k] == 0) continue;
    if (unit.trm[k] != 1) return "marca com valor diferente de 1 na posição " + std::to_string(k + 1);
    if (!is_voiced(unit.vzmt[k])) return "marca num trecho não vozeado na posição " + std::to_string(k + 1);
    marks.push_back(k);
  }

  const bool begins_voiced = is_voiced(unit.vzmt.front());
  const bool ends_voiced = is_voiced(unit.vzmt.back());
  if (ends_voiced && marks.empty()) return "termina vozeada sem marcas de pitch";
  if (!ends_voiced && begins_voiced && marks.size() < 2)
    return "começa vozeada e termina não vozeada com menos de duas marcas";
  if (begins_voiced && marks.front() != 0) return "começa vozeada sem marca na primeira amostra";
  if (ends_voiced) {
    const double last_period = static_cast<double>(length - marks.back());
    if (last_period < std::floor(period) || last_period > std::ceil(period))
      return "o último período (" + std::to_string(length - marks.back()) +
             " amostras) não chega à marca seguinte";
  }

  // A voiced stretch after silence or noise opens with a mark, so that the planner sees the
  // stretch before it as unvoiced; one too short for the look-ahead has none.
  for (std::size_t k = 1; k < length; ++k) {
    if (!is_voiced(unit.vzmt[k]) || is_voiced(unit.vzmt[k - 1])) continue;
    std::size_t end = k;
    while (end < length && is_voiced(unit.vzmt[end])) ++end;
    if (end - k > prosody::voicing_look_ahead) {
      const bool opened = std::any_of(marks.begin(), marks.end(),
                                      [&](std::size_t m) { return m >= k && m <= k + onset_tolerance; });
      if (!opened)
        return "trecho vozeado sem marca no início (posição " + std::to_string(k + 1) + ")";
    }
    k = end;
  }

  for (std::size_t j = 0; j < marks.size(); ++j) {
    const std::size_t mark = marks[j];
    const std::string where = " (marca na posição " + std::to_string(mark + 1) + ")";
    if (!ends_voiced && mark + prosody::voicing_look_ahead + 1 >= length)
      return "marca a menos de 21 amostras do fim de uma unidade que não termina vozeada" + where;
    for (std::size_t k = mark; k <= mark + prosody::voicing_look_ahead && k < length; ++k)
      if (!is_voiced(unit.vzmt[k])) return "trecho vozeado de 20 amostras ou menos depois da marca" + where;
    if (j + 1 < marks.size()) {
      const std::size_t next = marks[j + 1];
      if (next - mark < shortest_voiced_interval) return "intervalo entre marcas de 40 amostras ou menos" + where;
    }
  }
  return {};
}

}  // namespace quelvara::tools
