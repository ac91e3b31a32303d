// Any byte string as a typed text: the reader and the whole analysis must hold their
// invariants and stay inside their rows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "synthesis/analysis.h"

namespace {

using namespace quelvara::synthesis;

void require(bool condition) {
  if (!condition) __builtin_trap();
}

// A small unit whose shape depends on its file name, so that every kind of level occurs.
std::optional<UnitData> synthetic_unit(const std::filesystem::path& file) {
  const std::size_t seed = std::hash<std::string>{}(file.filename().string());
  const std::size_t length = 1 + seed % 40;
  UnitData unit{std::vector<double>(length), std::vector<double>(length, 0),
                std::vector<double>(length, seed % 3 == 0 ? 1 : 5)};
  for (std::size_t k = 0; k < length; ++k) unit.dfn[k] = ((seed >> (k % 32)) & 1) ? 0.5 : -0.25;
  unit.trm[0] = 1;
  unit.trm[length / 2] = 1;
  if (seed % 7 == 0) unit.vzmt.back() = 1;  // begins voiced, ends unvoiced
  if (seed % 11 == 0) return std::nullopt;
  return unit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const auto reading = read_text(text);
  require(reading.has_value() == !text.empty());
  if (!reading) return 0;
  for (const Diphone& d : reading->diphones) {
    require(d.dif.size() >= 2 && d.dif.size() <= 4);
    require(d.fone1 + d.fone2 == d.dif && !d.fone1.empty() && !d.fone2.empty());
  }

  const Analysis analysis = analyse(text, synthetic_unit, "db");
  if (analysis.status == Analysis::Status::ok) {
    const Joined& j = analysis.joined;
    std::size_t total = 0;
    for (std::size_t length : j.limdf) total += length;
    require(j.orig.size() == total && j.pitch.size() == total && j.vzmto.size() == total);
    require(j.media.size() == j.limdf.size() && j.fctalisa.size() == j.limdf.size());
    for (double f : j.fctalisa) require(f >= 0 && f <= 1);
  }
  return 0;
}
