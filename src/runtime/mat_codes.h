#pragma once
// The codes of the published level-5 MAT-file layout that unit files use: the data types of
// elements, the classes of arrays and the complex flag of an array's flags word.
#include <cstdint>

namespace quelvara::runtime::mat_codes {

inline constexpr std::uint32_t type_int8 = 1;
inline constexpr std::uint32_t type_uint8 = 2;
inline constexpr std::uint32_t type_int16 = 3;
inline constexpr std::uint32_t type_uint16 = 4;
inline constexpr std::uint32_t type_int32 = 5;
inline constexpr std::uint32_t type_uint32 = 6;
inline constexpr std::uint32_t type_single = 7;
inline constexpr std::uint32_t type_double = 9;
inline constexpr std::uint32_t type_int64 = 12;
inline constexpr std::uint32_t type_uint64 = 13;
inline constexpr std::uint32_t type_matrix = 14;
inline constexpr std::uint32_t type_compressed = 15;
inline constexpr std::uint32_t type_utf8 = 16;
inline constexpr std::uint32_t type_utf16 = 17;
inline constexpr std::uint32_t type_utf32 = 18;

inline constexpr std::uint32_t class_char = 4;
inline constexpr std::uint32_t class_double = 6;   // the numeric classes run from here ...
inline constexpr std::uint32_t class_uint64 = 15;  // ... to here

inline constexpr std::uint32_t flag_complex = 0x0800;

}  // namespace quelvara::runtime::mat_codes
