#include "wave/element_type.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quelvara::wave {

namespace {

struct IntegerRange {
  double lowest;
  double highest;
};

IntegerRange range_of(ElementType type) {
  switch (type) {
    case ElementType::Char:
    case ElementType::UChar: return {0, 255};
    case ElementType::Short: return {-32768, 32767};
    case ElementType::UShort: return {0, 65535};
    case ElementType::ULong: return {0, 4294967295.0};
    case ElementType::Bit24: return {-8388608, 8388607};
    case ElementType::Float: break;
  }
  return {0, 0};
}

// Rounded and saturated before the conversion, so that no value is out of the integer's range.
std::int64_t to_integer(double x, IntegerRange range) {
  if (std::isnan(x)) return 0;
  return static_cast<std::int64_t>(std::clamp(std::round(x), range.lowest, range.highest));
}

void put_little_endian(std::uint32_t bits, std::size_t bytes, unsigned char* out) {
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(bits >> (8 * i));
}

}  // namespace

std::optional<ElementType> element_type_named(std::string_view name) {
  if (name == "char") return ElementType::Char;
  if (name == "uchar") return ElementType::UChar;
  if (name == "short") return ElementType::Short;
  if (name == "ushort") return ElementType::UShort;
  if (name == "ulong") return ElementType::ULong;
  if (name == "bit24") return ElementType::Bit24;
  if (name == "float") return ElementType::Float;
  return std::nullopt;
}

std::size_t element_size(ElementType type) {
  switch (type) {
    case ElementType::Char:
    case ElementType::UChar: return 1;
    case ElementType::Short:
    case ElementType::UShort: return 2;
    case ElementType::Bit24: return 3;
    case ElementType::ULong:
    case ElementType::Float: return 4;
  }
  return 1;
}

std::vector<unsigned char> encode_elements(std::span<const double> values, ElementType type) {
  const std::size_t size = element_size(type);
  std::vector<unsigned char> bytes(values.size() * size);
  unsigned char* out = bytes.data();
  if (type == ElementType::Float) {
    for (double x : values) {
      put_little_endian(std::bit_cast<std::uint32_t>(static_cast<float>(x)), size, out);
      out += size;
    }
    return bytes;
  }
  const IntegerRange range = range_of(type);
  for (double x : values) {
    // Two's complement of the low bytes gives the signed types' encoding.
    put_little_endian(static_cast<std::uint32_t>(to_integer(x, range)), size, out);
    out += size;
  }
  return bytes;
}

}  // namespace quelvara::wave
