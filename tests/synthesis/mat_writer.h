#pragma once
// Test-only MAT-file writer over libmatio, able to write what a real database never should:
// odd classes, either orientation, matrices, missing variables.
#include <matio.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "synthesis/unit_database.h"

namespace quelvara::testing {

struct MatVariable {
  std::string name;
  matio_classes class_type = MAT_C_DOUBLE;
  matio_types data_type = MAT_T_DOUBLE;
  std::vector<std::size_t> dims;
  std::vector<unsigned char> bytes;  // column-major elements of the class's C type
  int flags = 0;                     // MAT_F_LOGICAL, ...
};

namespace detail {
template <typename T>
struct MatTypeOf;
template <> struct MatTypeOf<double> { static constexpr auto c = MAT_C_DOUBLE; static constexpr auto t = MAT_T_DOUBLE; };
template <> struct MatTypeOf<float> { static constexpr auto c = MAT_C_SINGLE; static constexpr auto t = MAT_T_SINGLE; };
template <> struct MatTypeOf<std::int8_t> { static constexpr auto c = MAT_C_INT8; static constexpr auto t = MAT_T_INT8; };
template <> struct MatTypeOf<std::uint8_t> { static constexpr auto c = MAT_C_UINT8; static constexpr auto t = MAT_T_UINT8; };
template <> struct MatTypeOf<std::int16_t> { static constexpr auto c = MAT_C_INT16; static constexpr auto t = MAT_T_INT16; };
template <> struct MatTypeOf<std::uint16_t> { static constexpr auto c = MAT_C_UINT16; static constexpr auto t = MAT_T_UINT16; };
template <> struct MatTypeOf<std::int32_t> { static constexpr auto c = MAT_C_INT32; static constexpr auto t = MAT_T_INT32; };
template <> struct MatTypeOf<std::uint32_t> { static constexpr auto c = MAT_C_UINT32; static constexpr auto t = MAT_T_UINT32; };
template <> struct MatTypeOf<std::int64_t> { static constexpr auto c = MAT_C_INT64; static constexpr auto t = MAT_T_INT64; };
template <> struct MatTypeOf<std::uint64_t> { static constexpr auto c = MAT_C_UINT64; static constexpr auto t = MAT_T_UINT64; };
}  // namespace detail

// A numeric variable of element type T with the given dims (column-major values).
template <typename T>
MatVariable numeric(std::string name, const std::vector<T>& values, std::vector<std::size_t> dims) {
  MatVariable var{std::move(name), detail::MatTypeOf<T>::c, detail::MatTypeOf<T>::t, std::move(dims), {}, 0};
  var.bytes.resize(values.size() * sizeof(T));
  if (!values.empty()) std::memcpy(var.bytes.data(), values.data(), var.bytes.size());
  return var;
}

inline MatVariable row(std::string name, const std::vector<double>& values) {
  return numeric(std::move(name), values, {1, values.size()});
}
inline MatVariable column(std::string name, const std::vector<double>& values) {
  return numeric(std::move(name), values, {values.size(), 1});
}
inline MatVariable logical_row(std::string name, const std::vector<std::uint8_t>& values) {
  MatVariable var = numeric(std::move(name), values, {1, values.size()});
  var.flags = MAT_F_LOGICAL;
  return var;
}
inline MatVariable char_row(std::string name, const std::string& text) {
  MatVariable var{std::move(name), MAT_C_CHAR, MAT_T_UINT8, {1, text.size()}, {}, 0};
  var.bytes.assign(text.begin(), text.end());
  return var;
}

// Writes the variables into a new MAT-file; throws when libmatio refuses.
inline void write_mat_file(const std::filesystem::path& file, const std::vector<MatVariable>& variables,
                           mat_ft version = MAT_FT_MAT5,
                           matio_compression compression = MAT_COMPRESSION_NONE) {
  mat_t* mat = Mat_CreateVer(file.string().c_str(), nullptr, version);
  if (mat == nullptr) throw std::runtime_error("cannot create " + file.string());
  for (const MatVariable& v : variables) {
    std::vector<std::size_t> dims = v.dims;
    matvar_t* var = Mat_VarCreate(v.name.c_str(), v.class_type, v.data_type, static_cast<int>(dims.size()),
                                  dims.data(), const_cast<unsigned char*>(v.bytes.data()),
                                  v.flags | MAT_F_DONT_COPY_DATA);
    const int failed = var == nullptr || Mat_VarWrite(mat, var, compression) != 0;
    Mat_VarFree(var);
    if (failed) {
      Mat_Close(mat);
      throw std::runtime_error("cannot write " + v.name + " to " + file.string());
    }
  }
  Mat_Close(mat);
}

// A unit the way the database stores it: dfn a column, trm and vzmt rows, all doubles.
inline void write_unit(const std::filesystem::path& file, const synthesis::UnitData& unit,
                       matio_compression compression = MAT_COMPRESSION_ZLIB) {
  std::filesystem::create_directories(file.parent_path());
  write_mat_file(file, {column("dfn", unit.dfn), row("trm", unit.trm), row("vzmt", unit.vzmt)},
                 MAT_FT_MAT5, compression);
}

}  // namespace quelvara::testing
