#include <matio.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "runtime/mat_file.h"

namespace quelvara::runtime {
namespace {

// No diphone lasts a minute; anything longer is a damaged or foreign file, and its size is
// not worth allocating. The file cap also bounds what one compressed element may inflate to.
constexpr std::size_t max_unit_samples = 22050 * 60;
constexpr std::size_t max_file_bytes = 64u << 20;

using Bytes = std::vector<unsigned char>;

// --- Structure check ---------------------------------------------------------------------
// The MAT library trusts the sizes a file declares: it reads data past the end of a cut file
// as if it were there, and allocates whatever a damaged name or dimension tag asks for.
// So every element of the file is walked first, and a file is accepted only when each tag
// fits inside its parent, and each numeric array holds exactly the data its dimensions say.

std::uint32_t load32(const unsigned char* p, bool big_endian) {
  return big_endian ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]
                    : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Bytes per element of a level-5 data type; 0 for the types an array's data never has.
std::size_t data_type_size(std::uint32_t type) {
  switch (type) {
    case MAT_T_INT8: case MAT_T_UINT8: case MAT_T_UTF8: return 1;
    case MAT_T_INT16: case MAT_T_UINT16: case MAT_T_UTF16: return 2;
    case MAT_T_INT32: case MAT_T_UINT32: case MAT_T_SINGLE: case MAT_T_UTF32: return 4;
    case MAT_T_DOUBLE: case MAT_T_INT64: case MAT_T_UINT64: return 8;
    default: return 0;
  }
}

struct Tag {
  std::uint32_t type;
  std::size_t data;   // offset of the element's data
  std::size_t count;  // its byte count
  std::size_t next;   // offset of the element that follows (padding included)
};

// The level-5 element at pos within [pos, end), in either the normal or the small format.
std::optional<Tag> read_tag(const Bytes& bytes, std::size_t pos, std::size_t end, bool big_endian) {
  if (end - pos < 8) return std::nullopt;
  const std::uint32_t first = load32(&bytes[pos], big_endian);
  if (first >> 16 != 0) {  // small element: type and count share the first word, data the second
    const std::size_t count = first >> 16;
    if (count > 4) return std::nullopt;
    return Tag{first & 0xffff, pos + 4, count, pos + 8};
  }
  const std::size_t count = load32(&bytes[pos + 4], big_endian);
  if (count > end - pos - 8) return std::nullopt;
  const std::size_t padded = (count + 7) / 8 * 8;
  return Tag{first, pos + 8, count, std::min(end, pos + 8 + padded)};
}

// An array element's body: flags, dimensions, name, then the real (and imaginary) data.
// Only numeric, logical and character arrays are accepted; a unit file holds nothing else,
// and the library's readers of cells, structures and objects allocate from unchecked counts.
bool array_is_sound(const Bytes& bytes, std::size_t pos, std::size_t end, bool big_endian) {
  const auto flags = read_tag(bytes, pos, end, big_endian);
  if (!flags || flags->type != MAT_T_UINT32 || flags->count != 8) return false;
  const std::uint32_t word = load32(&bytes[flags->data], big_endian);
  const std::uint32_t class_type = word & 0xff;
  const bool complex = (word & MAT_F_COMPLEX) != 0;
  if (class_type != MAT_C_CHAR && (class_type < MAT_C_DOUBLE || class_type > MAT_C_UINT64)) {
    return false;
  }

  const auto dims = read_tag(bytes, flags->next, end, big_endian);
  if (!dims || dims->type != MAT_T_INT32 || dims->count < 8 || dims->count % 4 != 0) return false;
  std::uint64_t elements = 1;
  for (std::size_t d = dims->data; d < dims->data + dims->count; d += 4) {
    const std::uint32_t extent = load32(&bytes[d], big_endian);
    if (extent > 0x7fffffff) return false;
    elements *= extent;
    if (elements > max_file_bytes) return false;  // more than the file could hold
  }

  const auto name = read_tag(bytes, dims->next, end, big_endian);
  if (!name || (name->type != MAT_T_INT8 && name->type != MAT_T_UINT8)) return false;

  std::size_t pos_part = name->next;
  if (elements == 0 && pos_part == end) return true;  // an empty array may omit its data
  for (int part = 0; part < (complex ? 2 : 1); ++part) {
    const auto data = read_tag(bytes, pos_part, end, big_endian);
    if (!data) return false;
    const std::size_t size = data_type_size(data->type);
    // Text may be stored as UTF-8, whose length differs from its number of characters.
    const bool exact = class_type != MAT_C_CHAR || data->type != MAT_T_UTF8;
    if (size == 0 || (exact && data->count != elements * size)) return false;
    pos_part = data->next;
  }
  return true;
}

// Inflates one compressed element completely, checksum included, within the size cap.
std::optional<Bytes> inflate_element(const unsigned char* data, std::size_t count) {
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return std::nullopt;
  Bytes out;
  z.next_in = const_cast<unsigned char*>(data);
  z.avail_in = static_cast<uInt>(count);
  int status = Z_OK;
  while (status == Z_OK) {
    if (out.size() >= max_file_bytes) break;
    const std::size_t done = out.size();
    out.resize(std::min(max_file_bytes, done + 64 * 1024));
    z.next_out = out.data() + done;
    z.avail_out = static_cast<uInt>(out.size() - done);
    status = inflate(&z, Z_NO_FLUSH);
    out.resize(out.size() - z.avail_out);
  }
  inflateEnd(&z);
  if (status != Z_STREAM_END) return std::nullopt;
  return out;
}

bool matrix_element_is_sound(const Bytes& bytes, std::size_t pos, std::size_t end, bool big_endian) {
  const auto tag = read_tag(bytes, pos, end, big_endian);
  return tag && tag->type == MAT_T_MATRIX &&
         array_is_sound(bytes, tag->data, tag->data + tag->count, big_endian);
}

// Level 5: a 128-byte header, then one element per variable, each an array or a compressed
// array.
bool level5_is_sound(const Bytes& bytes, bool big_endian) {
  std::size_t pos = 128;
  while (bytes.size() - pos >= 8) {
    const std::uint32_t type = load32(&bytes[pos], big_endian);
    const std::size_t count = load32(&bytes[pos + 4], big_endian);
    if (count > bytes.size() - pos - 8) return false;
    if (type == MAT_T_COMPRESSED) {
      const auto inflated = inflate_element(&bytes[pos + 8], count);
      if (!inflated || !matrix_element_is_sound(*inflated, 0, inflated->size(), big_endian)) {
        return false;
      }
    } else if (!matrix_element_is_sound(bytes, pos, pos + 8 + count, big_endian)) {
      return false;
    }
    pos += 8 + count;
  }
  return true;
}

// Level 4: each matrix is a 20-byte header (type, rows, columns, imaginary flag, name length),
// its name and its data, with no padding.
bool level4_is_sound(const Bytes& bytes) {
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
    if (type / 100 % 10 != 0 || precision > 5 || type % 10 > 2) return false;
    const std::uint64_t rows = load32(&bytes[pos + 4], big_endian);
    const std::uint64_t columns = load32(&bytes[pos + 8], big_endian);
    const std::uint64_t parts = load32(&bytes[pos + 12], big_endian) != 0 ? 2 : 1;
    const std::uint64_t name_length = load32(&bytes[pos + 16], big_endian);
    const std::uint64_t remaining = bytes.size() - pos - 20;
    if (rows > remaining || columns > remaining || name_length > remaining) return false;
    // rows * columns < 2^52 here, so neither product overflows.
    const std::uint64_t data = rows * columns * element_bytes[precision] * parts;
    if (data > remaining - name_length) return false;
    pos += 20 + name_length + data;
  }
  return true;
}

// Also false for level 7.3, which is HDF5 underneath: units never use it, and its decoder is
// far too large to trust with a damaged file.
bool file_is_sound(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const Bytes bytes{std::istreambuf_iterator<char>(in), {}};
  if (bytes.size() >= 128 && ((bytes[126] == 'I' && bytes[127] == 'M') ||
                              (bytes[126] == 'M' && bytes[127] == 'I'))) {
    const bool big_endian = bytes[126] == 'M';
    const unsigned version = big_endian ? bytes[124] << 8 | bytes[125] : bytes[125] << 8 | bytes[124];
    return version == 0x0100 && level5_is_sound(bytes, big_endian);
  }
  return level4_is_sound(bytes);
}

// --- Variables ---------------------------------------------------------------------------

struct MatCloser {
  void operator()(mat_t* mat) const { Mat_Close(mat); }
};
struct VarFreer {
  void operator()(matvar_t* var) const { Mat_VarFree(var); }
};
using MatFile = std::unique_ptr<mat_t, MatCloser>;
using MatVar = std::unique_ptr<matvar_t, VarFreer>;

// Bytes per element of a numeric class in memory; 0 for the other classes.
std::size_t class_size(matio_classes class_type) {
  switch (class_type) {
    case MAT_C_DOUBLE: case MAT_C_INT64: case MAT_C_UINT64: return 8;
    case MAT_C_SINGLE: case MAT_C_INT32: case MAT_C_UINT32: return 4;
    case MAT_C_INT16: case MAT_C_UINT16: return 2;
    case MAT_C_INT8: case MAT_C_UINT8: return 1;  // logical arrays too
    default: return 0;
  }
}

// Number of elements of a real numeric vector (either orientation) of plausible length, or 0
// when the variable is anything else.
std::size_t vector_length(const matvar_t& var) {
  if (class_size(var.class_type) == 0 || var.isComplex || var.rank < 2 || var.dims == nullptr) {
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

// Reads one variable as a row of doubles: its header first, then, when it is a plausible
// vector, its data into a zeroed buffer of our own (converted by the library to its class).
bool read_vector(mat_t* mat, const char* name, std::vector<double>& out) {
  const MatVar info(Mat_VarReadInfo(mat, name));
  if (!info) return false;
  const std::size_t length = vector_length(*info);
  if (length == 0) return false;

  Bytes buffer(length * class_size(info->class_type), 0);
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
  if (error || size > max_file_bytes || !file_is_sound(file)) return std::nullopt;

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
