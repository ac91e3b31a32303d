#include "support/fixture_database.h"

#include <cmath>
#include <stdexcept>

#include "runtime/mat_file.h"

namespace quelvara::testing {

void append_voiced(synthesis::UnitData& unit, int periods, double amplitude) {
  for (int p = 0; p < periods; ++p)
    for (int k = 0; k < fixture_period; ++k) {
      const double phase = static_cast<double>(k) / fixture_period;
      unit.dfn.push_back(amplitude * std::sin(2 * M_PI * phase) * std::exp(-2.5 * phase));
      unit.trm.push_back(k == 0 ? 1.0 : 0.0);
      unit.vzmt.push_back(3.0);
    }
}

void append_noise(synthesis::UnitData& unit, int samples, double amplitude) {
  unsigned state = 12345;
  for (int k = 0; k < samples; ++k) {
    state = state * 1103515245u + 12345u;
    unit.dfn.push_back(amplitude * (static_cast<double>((state >> 16) & 0x7FFF) / 16384.0 - 1.0));
    unit.trm.push_back(0.0);
    unit.vzmt.push_back(1.0);
  }
}

void append_silence(synthesis::UnitData& unit, int samples) {
  unit.dfn.insert(unit.dfn.end(), static_cast<std::size_t>(samples), 0.0);
  unit.trm.insert(unit.trm.end(), static_cast<std::size_t>(samples), 0.0);
  unit.vzmt.insert(unit.vzmt.end(), static_cast<std::size_t>(samples), 0.0);
}

void write_fixture_database(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "bd" / "oclus");
  const auto write = [&](int n1, int n2, const synthesis::UnitData& unit) {
    if (!runtime::write_unit_file(root / synthesis::unit_path(n1, n2), unit))
      throw std::runtime_error("cannot write the fixture unit " + std::to_string(n1) + "-" +
                               std::to_string(n2));
  };
  constexpr int p = 2, a = 25, i = 22, pause = 1;
  synthesis::UnitData u;
  append_silence(u, 400);  // _p: silence, then the closure and burst of p
  append_noise(u, 300, 0.05);
  write(pause, p, u);

  for (const auto& [vowel, amplitude] : {std::pair{a, 0.5}, std::pair{i, 0.3}}) {
    u = {};  // pV: burst, then the vowel's first periods
    append_noise(u, 200, 0.05);
    append_voiced(u, 6, amplitude);
    write(p, vowel, u);

    u = {};  // V_: the vowel's last periods, then silence
    append_voiced(u, 5, amplitude);
    append_silence(u, 500);
    write(vowel, pause, u);
  }

  u = {};  // ap: vowel, closure, burst
  append_voiced(u, 5, 0.5);
  append_silence(u, 300);
  append_noise(u, 200, 0.05);
  write(a, p, u);
}

}  // namespace quelvara::testing
