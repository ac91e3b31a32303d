// Any byte string as a unit file: the loader must reject it or give a unit that the analysis
// either refuses or joins.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/mat_file.h"
#include "synthesis/concatenation.h"

namespace {

std::filesystem::path unit_file;

void remove_unit_file() {
  std::error_code error;
  std::filesystem::remove(unit_file, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  unit_file = std::filesystem::temp_directory_path() /
              ("quelvara-fuzz-unit-" + std::to_string(getpid()) + ".mat");
  std::atexit(remove_unit_file);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(unit_file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const auto unit = quelvara::runtime::read_unit_file(unit_file);
  if (unit && quelvara::synthesis::unit_is_usable(*unit)) {
    quelvara::synthesis::Joined joined;
    quelvara::synthesis::append_unit(joined, *unit);
    quelvara::synthesis::append_unit(joined, *unit);
    quelvara::synthesis::smooth_levels(joined);
  }
  return 0;
}
