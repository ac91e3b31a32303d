#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <optional>
#include <span>
#include <system_error>
#include <type_traits>
#include <vector>

#include "runtime/mat_codes.h"
#include "runtime/mat_file.h"

namespace quelvara::runtime {
namespace {

using namespace mat_codes;

// No diphone lasts a minute; anything longer is a damaged or foreign file, and its size is
// not worth allocating. The file cap also bounds what one compressed element may inflate to.
constexpr std::size_t max_unit_samples = 22050 * 60;
constexpr std::size_t max_file_bytes = 64u << 20;

using Bytes = std::span<const unsigned char>;

// A buffer that is not cleared first: every byte of it is written before it is read. Its
// storage is an array of doubles, so that the doubles a file stores at a multiple of 8 bytes
// (level 5 puts every element there) can be read in place.
struct Buffer {
  std::unique_ptr<double[]> storage;
  std::size_t size = 0;
  explicit Buffer(std::size_t n) : storage(new double[(n + 7) / 8]), size(n) {}
  unsigned char* data() { return reinterpret_cast<unsigned char*>(storage.get()); }
  Bytes bytes() const { return {reinterpret_cast<const unsigned char*>(storage.get()), size}; }
};

// --- Structure walk ----------------------------------------------------------------------
// Unit files are read by a walk of our own over the published level-4/level-5 layout. A
// general-purpose reader of the format trusts the sizes a file declares (data past the end of
// a cut file, whatever a damaged name or dimension tag asks for), and checking a file before
// handing it on would mean inflating every variable twice. So every element of the file is
// checked here, a file is accepted only when each tag fits inside its parent and each numeric
// array holds exactly the data its dimensions say, and the checked data are then decoded
// directly.

std::uint32_t load32(const unsigned char* p, bool big_endian) {
  return big_endian ? std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3]
                    : std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

// Bytes per element of a level-5 data type; 0 for the types an array's data never has.
std::size_t data_type_size(std::uint32_t type) {
  switch (type) {
    case type_int8: case type_uint8: case type_utf8: return 1;
    case type_int16: case type_uint16: case type_utf16: return 2;
    case type_int32: case type_uint32: case type_single: case type_utf32: return 4;
    case type_double: case type_int64: case type_uint64: return 8;
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
std::optional<Tag> read_tag(Bytes bytes, std::size_t pos, std::size_t end, bool big_endian) {
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

// A numeric array as the file stores it: where its real data lie and in which type.
struct ArrayView {
  std::string name;
  std::uint32_t class_type = 0;
  bool complex = false;
  std::vector<std::uint64_t> dims;
  std::uint32_t data_type = 0;  // level-5 type of the stored elements
  const unsigned char* data = nullptr;
  std::size_t elements = 0;
  bool big_endian = false;
};

// An array element's body: flags, dimensions, name, then the real (and imaginary) data.
// Only numeric, logical and character arrays are accepted; a unit file holds nothing else.
std::optional<ArrayView> parse_array(Bytes bytes, std::size_t pos, std::size_t end,
                                     bool big_endian) {
  const auto flags = read_tag(bytes, pos, end, big_endian);
  if (!flags || flags->type != type_uint32 || flags->count != 8) return std::nullopt;
  const std::uint32_t word = load32(&bytes[flags->data], big_endian);
  ArrayView view;
  view.big_endian = big_endian;
  view.class_type = word & 0xff;
  view.complex = (word & flag_complex) != 0;
  if (view.class_type != class_char &&
      (view.class_type < class_double || view.class_type > class_uint64)) {
    return std::nullopt;
  }

  const auto dims = read_tag(bytes, flags->next, end, big_endian);
  if (!dims || dims->type != type_int32 || dims->count < 8 || dims->count % 4 != 0) {
    return std::nullopt;
  }
  std::uint64_t elements = 1;
  for (std::size_t d = dims->data; d < dims->data + dims->count; d += 4) {
    const std::uint32_t extent = load32(&bytes[d], big_endian);
    if (extent > 0x7fffffff) return std::nullopt;
    elements *= extent;
    if (elements > max_file_bytes) return std::nullopt;  // more than the file could hold
    view.dims.push_back(extent);
  }
  view.elements = static_cast<std::size_t>(elements);

  const auto name = read_tag(bytes, dims->next, end, big_endian);
  if (!name || (name->type != type_int8 && name->type != type_uint8)) return std::nullopt;
  view.name.assign(reinterpret_cast<const char*>(bytes.data() + name->data), name->count);

  std::size_t pos_part = name->next;
  if (elements == 0 && pos_part == end) return view;  // an empty array may omit its data
  for (int part = 0; part < (view.complex ? 2 : 1); ++part) {
    const auto data = read_tag(bytes, pos_part, end, big_endian);
    if (!data) return std::nullopt;
    const std::size_t size = data_type_size(data->type);
    // Text may be stored as UTF-8, whose length differs from its number of characters.
    const bool exact = view.class_type != class_char || data->type != type_utf8;
    if (size == 0 || (exact && data->count != elements * size)) return std::nullopt;
    if (part == 0) {
      view.data_type = data->type;
      view.data = bytes.data() + data->data;  // may be the end, for no elements
    }
    pos_part = data->next;
  }
  return view;
}

// Inflates one compressed element completely, checksum included, within the size cap. The
// element must fill the output exactly: its own tag, the first 8 bytes, says how large it is.
// The whole stream is decoded in one call (libdeflate, about twice zlib's speed: inflating is
// most of the time of an analysis), into a buffer that grows only when it was too small.
std::optional<Buffer> inflate_element(const unsigned char* data, std::size_t count,
                                      bool big_endian) {
  const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> decompressor(
      libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
  if (!decompressor) return std::nullopt;
  std::size_t capacity = std::min(max_file_bytes, std::max<std::size_t>(64 * 1024, 16 * count));
  for (;;) {
    Buffer out(capacity);
    std::size_t produced = 0;
    const auto result = libdeflate_zlib_decompress(decompressor.get(), data, count, out.data(),
                                                   out.size, &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE && capacity < max_file_bytes) {
      capacity = std::min(max_file_bytes, 4 * capacity);
      continue;
    }
    if (result != LIBDEFLATE_SUCCESS || produced < 8) return std::nullopt;
    if (load32(out.data() + 4, big_endian) != produced - 8) return std::nullopt;
    out.size = produced;
    return out;
  }
}

using Visitor = std::function<void(const ArrayView&)>;

bool visit_matrix_element(Bytes bytes, std::size_t pos, std::size_t end, bool big_endian,
                          const Visitor& visit) {
  const auto tag = read_tag(bytes, pos, end, big_endian);
  if (!tag || tag->type != type_matrix) return false;
  const auto view = parse_array(bytes, tag->data, tag->data + tag->count, big_endian);
  if (!view) return false;
  visit(*view);
  return true;
}

// Level 5: a 128-byte header, then one element per variable, each an array or a compressed
// array. Every variable is checked before any is handed on, so a file is taken whole or not
// at all.
bool walk_level5(Bytes bytes, bool big_endian, const Visitor& visit) {
  std::vector<Buffer> inflated;  // keeps the views' data alive until the walk ends
  std::vector<ArrayView> views;
  const Visitor keep = [&](const ArrayView& v) { views.push_back(v); };
  std::size_t pos = 128;
  while (bytes.size() - pos >= 8) {
    const std::uint32_t type = load32(&bytes[pos], big_endian);
    const std::size_t count = load32(&bytes[pos + 4], big_endian);
    if (count > bytes.size() - pos - 8) return false;
    if (type == type_compressed) {
      auto body = inflate_element(bytes.data() + pos + 8, count, big_endian);
      if (!body) return false;
      inflated.push_back(std::move(*body));
      const Bytes element = inflated.back().bytes();
      if (!visit_matrix_element(element, 0, element.size(), big_endian, keep)) return false;
    } else if (!visit_matrix_element(bytes, pos, pos + 8 + count, big_endian, keep)) {
      return false;
    }
    pos += 8 + count;
  }
  for (const auto& v : views) visit(v);
  return true;
}

// Level 4: each matrix is a 20-byte header (type, rows, columns, imaginary flag, name length),
// its name and its data, with no padding.
bool walk_level4(Bytes bytes, const Visitor& visit) {
  // Level-4 precisions in the level-5 types that hold the same elements.
  static constexpr std::uint32_t element_type[] = {type_double, type_single, type_int32,
                                                   type_int16,  type_uint16, type_uint8};
  static constexpr std::uint64_t element_bytes[] = {8, 4, 4, 2, 2, 1};
  std::vector<ArrayView> views;
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
    const std::uint32_t precision = type / 10 % 10;
    if (type / 100 % 10 != 0 || precision > 5 || type % 10 > 2) return false;
    const std::uint64_t rows = load32(&bytes[pos + 4], big_endian);
    const std::uint64_t columns = load32(&bytes[pos + 8], big_endian);
    const bool complex = load32(&bytes[pos + 12], big_endian) != 0;
    const std::uint64_t name_length = load32(&bytes[pos + 16], big_endian);
    const std::uint64_t remaining = bytes.size() - pos - 20;
    if (rows > remaining || columns > remaining || name_length > remaining) return false;
    // rows * columns < 2^52 here, so neither product overflows.
    const std::uint64_t data = rows * columns * element_bytes[precision] * (complex ? 2 : 1);
    if (data > remaining - name_length) return false;

    ArrayView view;
    const char* name = reinterpret_cast<const char*>(bytes.data() + pos + 20);
    view.name.assign(name, strnlen(name, static_cast<std::size_t>(name_length)));
    // Text and sparse matrices are never unit data; keep them out of the numeric path.
    view.class_type = type % 10 == 0 ? class_double : class_char;
    view.complex = complex;
    view.dims = {rows, columns};
    view.data_type = element_type[precision];
    view.data = bytes.data() + pos + 20 + name_length;
    view.elements = static_cast<std::size_t>(rows * columns);
    view.big_endian = big_endian;
    views.push_back(std::move(view));
    pos += 20 + name_length + data;
  }
  for (const auto& v : views) visit(v);
  return true;
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
  int fd = -1;
  explicit Descriptor(int fd) : fd(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

int open_unit(const std::filesystem::path& file) {
  // Not blocking: a pipe named like a unit is refused below rather than waited on.
  return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

// The whole of a regular file of at most max_file_bytes; nullopt for anything else.
std::optional<Buffer> read_whole_file(const Descriptor& descriptor) {
  struct stat status {};
  if (descriptor.fd < 0 || ::fstat(descriptor.fd, &status) != 0 || !S_ISREG(status.st_mode) ||
      status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > max_file_bytes) {
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  Buffer buffer(size + 1);  // one byte more shows a file that grew while being read
  ssize_t n = 0;
  do {
    n = ::pread(descriptor.fd, buffer.data(), buffer.size, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0 || static_cast<std::size_t>(n) != size) return std::nullopt;
  buffer.size = size;
  return buffer;
}

bool is_level5(Bytes bytes, bool& big_endian) {
  if (bytes.size() < 128 || !((bytes[126] == 'I' && bytes[127] == 'M') ||
                              (bytes[126] == 'M' && bytes[127] == 'I'))) {
    return false;
  }
  big_endian = bytes[126] == 'M';
  return true;
}

// Also false for level 7.3, which is HDF5 underneath: units never use it, and its decoder is
// far too large to trust with a damaged file.
bool walk_file(Bytes bytes, const Visitor& visit) {
  bool big_endian = false;
  if (is_level5(bytes, big_endian)) {
    const unsigned version = big_endian ? bytes[124] << 8 | bytes[125] : bytes[125] << 8 | bytes[124];
    return version == 0x0100 && walk_level5(bytes, big_endian, visit);
  }
  return walk_level4(bytes, visit);
}

// --- Variables ---------------------------------------------------------------------------

// Number of elements of a real numeric vector (either orientation) of plausible length, or 0
// when the array is anything else.
std::size_t vector_length(const ArrayView& view) {
  if (view.class_type == class_char || view.complex || view.dims.size() < 2) return 0;
  std::size_t length = 1;
  int long_dimensions = 0;
  for (const auto extent : view.dims) {
    if (extent == 0 || extent > max_unit_samples) return 0;
    if (extent != 1) {
      ++long_dimensions;
      length = static_cast<std::size_t>(extent);
    }
  }
  return long_dimensions <= 1 ? length : 0;
}

template <typename T>
void convert(const unsigned char* bytes, std::size_t length, bool big_endian,
             std::vector<double>& out) {
  if constexpr (sizeof(T) == 1) {  // bytes have no order, and any address suits them: the
                                   // builder's marks and codes
    const T* values = reinterpret_cast<const T*>(bytes);
    out.assign(values, values + length);
    return;
  }
  if constexpr (std::is_same_v<T, double>) {
    // The usual case: doubles of this machine's order, in place in a Buffer's storage.
    if (!big_endian && reinterpret_cast<std::uintptr_t>(bytes) % alignof(double) == 0) {
      const double* values = reinterpret_cast<const double*>(bytes);
      out.assign(values, values + length);
      return;
    }
  }
  out.resize(length);
  for (std::size_t k = 0; k < length; ++k) {
    unsigned char element[sizeof(T)];
    std::memcpy(element, bytes + k * sizeof(T), sizeof(T));
    if (big_endian) std::reverse(element, element + sizeof(T));
    T value;
    std::memcpy(&value, element, sizeof(T));
    out[k] = static_cast<double>(value);
  }
}

// The stored elements as doubles, whatever type the file chose to store them in.
bool to_doubles(const ArrayView& view, std::size_t length, std::vector<double>& out) {
  const bool be = view.big_endian;
  switch (view.data_type) {
    case type_double: convert<double>(view.data, length, be, out); break;
    case type_single: convert<float>(view.data, length, be, out); break;
    case type_int8: convert<std::int8_t>(view.data, length, be, out); break;
    case type_uint8: convert<std::uint8_t>(view.data, length, be, out); break;
    case type_int16: convert<std::int16_t>(view.data, length, be, out); break;
    case type_uint16: convert<std::uint16_t>(view.data, length, be, out); break;
    case type_int32: convert<std::int32_t>(view.data, length, be, out); break;
    case type_uint32: convert<std::uint32_t>(view.data, length, be, out); break;
    case type_int64: convert<std::int64_t>(view.data, length, be, out); break;
    case type_uint64: convert<std::uint64_t>(view.data, length, be, out); break;
    default: return false;
  }
  return true;
}

}  // namespace

std::optional<synthesis::UnitData> read_unit_file(const std::filesystem::path& file) {
  const auto buffer = read_whole_file(Descriptor(open_unit(file)));
  if (!buffer) return std::nullopt;

  // A later variable of the same name wins, as when a file's variables are loaded in order.
  synthesis::UnitData unit;
  bool found[3] = {false, false, false};
  const auto take = [&](const ArrayView& view) {
    const int slot = view.name == "dfn" ? 0 : view.name == "trm" ? 1 : view.name == "vzmt" ? 2 : -1;
    if (slot < 0) return;
    std::vector<double>& target = slot == 0 ? unit.dfn : slot == 1 ? unit.trm : unit.vzmt;
    const std::size_t length = vector_length(view);
    found[slot] = length > 0 && view.data != nullptr && to_doubles(view, length, target);
  };
  if (!walk_file(buffer->bytes(), take) || !found[0] || !found[1] || !found[2]) return std::nullopt;
  const std::size_t length = unit.dfn.size();
  if (unit.trm.size() != length || unit.vzmt.size() != length) return std::nullopt;
  return unit;
}

std::optional<std::size_t> unit_file_length(const std::filesystem::path& file) {
  // Header, the matrix tag, flags, dimensions and the name of the first variable.
  constexpr std::size_t prefix = 128 + 8 + 16 + 16 + 8;
  const Descriptor descriptor(open_unit(file));
  if (descriptor.fd < 0) return std::nullopt;
  unsigned char bytes[prefix];
  if (::pread(descriptor.fd, bytes, prefix, 0) != static_cast<ssize_t>(prefix)) return std::nullopt;

  bool big_endian = false;
  if (!is_level5({bytes, prefix}, big_endian) || big_endian) return std::nullopt;
  const auto word = [&](std::size_t at) { return load32(bytes + at, false); };
  if (word(128) != type_matrix || word(136) != type_uint32 || word(140) != 8 ||
      (word(144) & 0xff) != class_double || word(152) != type_int32 || word(156) != 8 ||
      word(168) != (3u << 16 | type_int8) || std::memcmp(bytes + 172, "dfn", 3) != 0) {
    return std::nullopt;
  }
  const std::size_t rows = word(160);
  const std::size_t columns = word(164);
  const std::size_t length = columns == 1 ? rows : rows == 1 ? columns : 0;
  // The claim is not checked against the file here (that is the reader's work): a damaged file
  // can at most make the caller reserve too much, never read too much.
  if (length == 0 || length > max_unit_samples) return std::nullopt;
  return length;
}

}  // namespace quelvara::runtime
