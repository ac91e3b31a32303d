#include <matio.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

#include "runtime/mat_file.h"

namespace quelvara::runtime {
namespace {

// No diphone lasts a minute; anything longer is a damaged or foreign file, and its size is
// not worth allocating.
constexpr std::size_t max_unit_samples = 22050 * 60;
constexpr std::uintmax_t max_file_bytes = 64u << 20;

struct MatCloser {
  void operator()(mat_t* mat) const { Mat_Close(mat); }
};
struct VarFreer {
  void operator()(matvar_t* var) const { Mat_VarFree(var); }
};
using MatFile = std::unique_ptr<mat_t, MatCloser>;
using MatVar = std::unique_ptr<matvar_t, VarFreer>;

// --- Whole-file check -------------------------------------------------------------------
// The library reads a variable whose data runs past the end of a cut file as if the missing
// bytes were there. Walking the file's top-level elements first rejects such files.

std::uint32_t load32(const unsigned char* p, bool big_endian) {
  return big_endian ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]
                    : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Level 5: a 128-byte header, then tagged elements (type, byte count, data).
bool level5_is_whole(const std::vector<unsigned char>& bytes, bool big_endian) {
  std::size_t pos = 128;
  while (bytes.size() - pos >= 8) {
    const std::uint32_t type = load32(&bytes[pos], big_endian);
    if (type >> 16 != 0) {  // small element: tag and data in 8 bytes
      pos += 8;
      continue;
    }
    const std::uint32_t count = load32(&bytes[pos + 4], big_endian);
    if (count > bytes.size() - pos - 8) return false;
    pos += 8 + count;
  }
  return true;
}

// Level 4: each matrix is a 20-byte header (type, rows, columns, imaginary flag, name length),
// its name and its data, with no padding.
bool level4_is_whole(const std::vector<unsigned char>& bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < 20) return false;
    bool big_endian = false;
    std::uint32_t type = load32(&bytes[pos], false);
    if (type / 1000 != 0) {
      big_endian = true;
      type = load32(&bytes[pos], true);
      if (type / 1000 != 1) return false;
    }
    static constexpr std::uint64_t element_bytes[] = {8, 4, 4, 2, 2, 1};
    const std::uint32_t precision = type / 10 % 10;
    if (precision > 5) return false;
    const std::uint64_t rows = load32(&bytes[pos + 4], big_endian);
    const std::uint64_t columns = load32(&bytes[pos + 8], big_endian);
    const std::uint64_t parts = load32(&bytes[pos + 12], big_endian) != 0 ? 2 : 1;
    const std::uint64_t name_length = load32(&bytes[pos + 16], big_endian);
    if (rows > 0x7fffffff || columns > 0x7fffffff) return false;
    const std::uint64_t remaining = bytes.size() - pos - 20;
    if (name_length > remaining) return false;
    // rows * columns < 2^62 and element size * parts <= 16, so the product cannot overflow.
    const std::uint64_t data = rows * columns;
    if (data > remaining || data * element_bytes[precision] * parts > remaining - name_length) {
      return false;
    }
    pos += 20 + name_length + data * element_bytes[precision] * parts;
  }
  return true;
}

// False when the file is cut short, or is of the HDF5-based level 7.3, which units never use
// and whose decoder is far too large to trust with a damaged file.
bool file_is_whole(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  if (bytes.size() >= 128 && ((bytes[126] == 'I' && bytes[127] == 'M') ||
                              (bytes[126] == 'M' && bytes[127] == 'I'))) {
    const bool big_endian = bytes[126] == 'M';
    const unsigned version = big_endian ? bytes[124] << 8 | bytes[125] : bytes[125] << 8 | bytes[124];
    return version == 0x0100 && level5_is_whole(bytes, big_endian);
  }
  return level4_is_whole(bytes);
}

// --- Variables ---------------------------------------------------------------------------

bool is_numeric_class(matio_classes class_type) {
  switch (class_type) {
    case MAT_C_DOUBLE: case MAT_C_SINGLE:
    case MAT_C_INT8: case MAT_C_UINT8: case MAT_C_INT16: case MAT_C_UINT16:
    case MAT_C_INT32: case MAT_C_UINT32: case MAT_C_INT64: case MAT_C_UINT64:
      return true;
    default:
      return false;
  }
}

std::size_t element_size(matio_classes class_type) {
  switch (class_type) {
    case MAT_C_DOUBLE: case MAT_C_INT64: case MAT_C_UINT64: return 8;
    case MAT_C_SINGLE: case MAT_C_INT32: case MAT_C_UINT32: return 4;
    case MAT_C_INT16: case MAT_C_UINT16: return 2;
    case MAT_C_INT8: case MAT_C_UINT8: return 1;
    default: return 0;
  }
}

// Number of elements of a real numeric vector (either orientation) of plausible length, or 0
// when the variable is anything else. Judged from the header alone, before any data is read.
std::size_t vector_length(const matvar_t& var) {
  if (!is_numeric_class(var.class_type) || var.isComplex || var.rank < 2 || var.dims == nullptr) {
    return 0;
  }
  std::size_t length = 1;
  int long_dimensions = 0;
  for (int d = 0; d < var.rank; ++d) {
    const std::size_t extent = var.dims[d];
    if (extent == 0 || extent > max_unit_samples) return 0;
    if (extent != 1) {
      ++long_dimensions;
      length = extent;
    }
  }
  return long_dimensions <= 1 ? length : 0;
}

template <typename T>
void convert(const unsigned char* bytes, std::size_t length, std::vector<double>& out) {
  out.resize(length);
  for (std::size_t k = 0; k < length; ++k) {
    T value;
    std::memcpy(&value, bytes + k * sizeof(T), sizeof(T));
    out[k] = static_cast<double>(value);
  }
}

void to_doubles(matio_classes class_type, const unsigned char* bytes, std::size_t length,
                std::vector<double>& out) {
  switch (class_type) {
    case MAT_C_DOUBLE: convert<double>(bytes, length, out); break;
    case MAT_C_SINGLE: convert<float>(bytes, length, out); break;
    case MAT_C_INT8: convert<std::int8_t>(bytes, length, out); break;
    case MAT_C_UINT8: convert<std::uint8_t>(bytes, length, out); break;
    case MAT_C_INT16: convert<std::int16_t>(bytes, length, out); break;
    case MAT_C_UINT16: convert<std::uint16_t>(bytes, length, out); break;
    case MAT_C_INT32: convert<std::int32_t>(bytes, length, out); break;
    case MAT_C_UINT32: convert<std::uint32_t>(bytes, length, out); break;
    case MAT_C_INT64: convert<std::int64_t>(bytes, length, out); break;
    case MAT_C_UINT64: convert<std::uint64_t>(bytes, length, out); break;
    default: out.clear(); break;
  }
}

// Reads one variable as a row of doubles. The header is checked first, so that a damaged
// file never makes the library allocate or decode more than a unit can hold; the data goes
// into a zeroed buffer of our own.
bool read_vector(mat_t* mat, const char* name, std::vector<double>& out) {
  const MatVar info(Mat_VarReadInfo(mat, name));
  if (!info) return false;
  const std::size_t length = vector_length(*info);
  if (length == 0) return false;

  std::vector<unsigned char> buffer(length * element_size(info->class_type), 0);
  if (Mat_VarReadDataLinear(mat, info.get(), buffer.data(), 0, 1, static_cast<int>(length)) != 0) {
    return false;
  }
  to_doubles(info->class_type, buffer.data(), length, out);
  return out.size() == length;
}

}  // namespace

std::optional<synthesis::UnitData> read_unit_file(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size > max_file_bytes || !file_is_whole(file)) return std::nullopt;

  const MatFile mat(Mat_Open(file.string().c_str(), MAT_ACC_RDONLY));
  if (!mat) return std::nullopt;

  synthesis::UnitData unit;
  if (!read_vector(mat.get(), "dfn", unit.dfn) || !read_vector(mat.get(), "trm", unit.trm) ||
      !read_vector(mat.get(), "vzmt", unit.vzmt) || !synthesis::unit_is_usable(unit)) {
    return std::nullopt;
  }
  return unit;
}

}  // namespace quelvara::runtime
