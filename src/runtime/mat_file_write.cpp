// Writing diphone units as level-5 MAT-files.
#include <matio.h>

#include <cstddef>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/mat_file.h"

namespace quelvara::runtime {
namespace {

// A fixed header text instead of the library's default, which carries the creation time:
// rebuilding the same unit must give the same bytes.
constexpr const char* kHeader = "MATLAB 5.0 MAT-file, diphone unit";

bool write_double_variable(mat_t* file, const char* name, const std::vector<double>& values,
                           bool as_column) {
  size_t dims[2] = {1, values.size()};
  if (as_column) std::swap(dims[0], dims[1]);
  // matio wants a non-const pointer even for writing; it does not modify the data.
  auto* data = const_cast<double*>(values.data());
  matvar_t* variable = Mat_VarCreate(name, MAT_C_DOUBLE, MAT_T_DOUBLE, 2, dims, data,
                                     MAT_F_DONT_COPY_DATA);
  if (variable == nullptr) return false;
  const bool written = Mat_VarWrite(file, variable, MAT_COMPRESSION_ZLIB) == 0;
  Mat_VarFree(variable);
  return written;
}

}  // namespace

bool write_unit_file(const std::filesystem::path& file, const synthesis::UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0 || unit.trm.size() != length || unit.vzmt.size() != length) return false;

  mat_t* mat = Mat_CreateVer(file.string().c_str(), kHeader, MAT_FT_MAT5);
  if (mat == nullptr) return false;
  const bool written = write_double_variable(mat, "dfn", unit.dfn, true) &&
                       write_double_variable(mat, "trm", unit.trm, false) &&
                       write_double_variable(mat, "vzmt", unit.vzmt, false);
  const bool closed = Mat_Close(mat) == 0;
  if (written && closed) return true;
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return false;
}

}  // namespace quelvara::runtime
