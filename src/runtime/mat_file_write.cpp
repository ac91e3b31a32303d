// Writing diphone units as level-5 MAT-files, laid out for reading: no compression, each
// variable in the smallest element type that gives back its values exactly, and the three
// variables always in the order dfn, trm, vzmt.

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>
#include <span>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/mat_codes.h"
#include "runtime/mat_file.h"

namespace quelvara::runtime {
namespace {

using namespace mat_codes;

// A fixed header text instead of one with the creation time: rebuilding the same unit must
// give the same bytes.
constexpr const char* kHeader = "MATLAB 5.0 MAT-file, diphone unit";

// True when every value survives a round trip through T bit for bit (so -0 and NaN stay
// doubles).
template <typename T>
bool holds_exactly(std::span<const double> values) {
  for (const double v : values) {
    if constexpr (std::is_integral_v<T>) {
      if (!(v >= static_cast<double>(std::numeric_limits<T>::lowest()) &&
            v <= static_cast<double>(std::numeric_limits<T>::max()))) {
        return false;
      }
    }
    if (std::bit_cast<std::uint64_t>(static_cast<double>(static_cast<T>(v))) !=
        std::bit_cast<std::uint64_t>(v)) {
      return false;
    }
  }
  return true;
}

class ElementWriter {
 public:
  void word(std::uint32_t value) {
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    out_.insert(out_.end(), bytes, bytes + 4);
  }
  void raw(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    out_.insert(out_.end(), bytes, bytes + count);
  }
  void pad() { out_.resize((out_.size() + 7) / 8 * 8, 0); }
  std::size_t size() const { return out_.size(); }
  void patch(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<unsigned char>(value >> (8 * i));
  }
  std::vector<unsigned char>& bytes() { return out_; }

 private:
  std::vector<unsigned char> out_;
};

template <typename T>
void put_values(ElementWriter& out, std::uint32_t type, std::span<const double> values) {
  std::vector<T> stored(values.begin(), values.end());
  out.word(type);
  out.word(static_cast<std::uint32_t>(stored.size() * sizeof(T)));
  out.raw(stored.data(), stored.size() * sizeof(T));
  out.pad();
}

// The real data of a double array in the narrowest type that holds it exactly.
void put_data(ElementWriter& out, std::span<const double> values) {
  if (holds_exactly<std::uint8_t>(values)) return put_values<std::uint8_t>(out, type_uint8, values);
  if (holds_exactly<std::int8_t>(values)) return put_values<std::int8_t>(out, type_int8, values);
  if (holds_exactly<std::uint16_t>(values)) return put_values<std::uint16_t>(out, type_uint16, values);
  if (holds_exactly<std::int16_t>(values)) return put_values<std::int16_t>(out, type_int16, values);
  if (holds_exactly<std::int32_t>(values)) return put_values<std::int32_t>(out, type_int32, values);
  if (holds_exactly<float>(values)) return put_values<float>(out, type_single, values);
  put_values<double>(out, type_double, values);
}

// One uncompressed double array: flags, dimensions, the name as a small element (our names
// have at most four characters), the data.
void put_variable(ElementWriter& out, const char* name, std::span<const double> values, bool as_column) {
  out.word(type_matrix);
  const std::size_t size_at = out.size();
  out.word(0);
  out.word(type_uint32);
  out.word(8);
  out.word(class_double);
  out.word(0);
  out.word(type_int32);
  out.word(8);
  const auto length = static_cast<std::uint32_t>(values.size());
  out.word(as_column ? length : 1);
  out.word(as_column ? 1 : length);
  const std::size_t name_length = std::strlen(name);
  out.word(static_cast<std::uint32_t>(name_length) << 16 | type_int8);
  char padded[4] = {0, 0, 0, 0};
  std::memcpy(padded, name, name_length);
  out.raw(padded, 4);
  put_data(out, values);
  out.patch(size_at, static_cast<std::uint32_t>(out.size() - size_at - 4));
}

}  // namespace

bool write_unit_file(const std::filesystem::path& file, const synthesis::UnitData& unit) {
  const std::size_t length = unit.dfn.size();
  if (length == 0 || unit.trm.size() != length || unit.vzmt.size() != length) return false;
  // A variable's byte count must fit the tag's 32 bits.
  if (length > (std::numeric_limits<std::uint32_t>::max() - 64) / sizeof(double)) return false;

  ElementWriter out;
  std::string header(116, ' ');
  header.replace(0, std::strlen(kHeader), kHeader);
  out.raw(header.data(), header.size());
  out.raw(std::string(8, '\0').data(), 8);  // no subsystem data
  const unsigned char version_and_endian[4] = {0x00, 0x01, 'I', 'M'};
  out.raw(version_and_endian, 4);
  put_variable(out, "dfn", unit.dfn, true);
  put_variable(out, "trm", unit.trm, false);
  put_variable(out, "vzmt", unit.vzmt, false);

  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  const auto& bytes = out.bytes();
  stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (stream) return true;
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return false;
}

}  // namespace quelvara::runtime
