#pragma once
// The element types of the binary file layer and their little-endian encoding.
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quelvara::wave {

enum class ElementType { Char, UChar, Short, UShort, ULong, Bit24, Float };

// The type of a name "char", "uchar", "short", "ushort", "ulong", "bit24" or "float".
std::optional<ElementType> element_type_named(std::string_view name);

std::size_t element_size(ElementType type);

// The values as consecutive little-endian elements. Integer types take each value rounded to
// the nearest integer (halves away from zero) and saturated to the type's range; a NaN, which
// has no integer value, becomes 0. "float" takes the nearest single-precision value.
std::vector<unsigned char> encode_elements(std::span<const double> values, ElementType type);

}  // namespace quelvara::wave
