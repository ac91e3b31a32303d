#pragma once
// The binary file layer the WAVE writer writes through: a file opened for binary writing,
// little-endian, that writes arrays as elements of a named type and tells how many elements
// reached the file. Every write goes straight to the operating system, so a count is never
// hidden by a buffer that fails later.
#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

#include "wave/element_type.h"
#include "wave/replacing_output.h"

namespace quelvara::wave {

class BinaryFile {
 public:
  // Opens path for binary writing, creating it or replacing an existing file when the file is
  // closed (see ReplacingOutput). On failure ec is set and the file is not open.
  static BinaryFile open_for_writing(const std::filesystem::path& path, std::error_code& ec);
  // The process's standard output, written directly; closing it does not close it.
  static BinaryFile standard_output();

  bool is_open() const { return descriptor() >= 0; }

  // Writes the values as elements of type in one request; gives the number of whole elements
  // written (0 when the file is not open).
  std::size_t write(std::span<const double> values, ElementType type);
  // Writes elements already encoded as type (little-endian) in one request; gives the number of
  // whole elements written.
  std::size_t write_encoded(std::span<const unsigned char> bytes, ElementType type);
  // Writes the characters as 8-bit "char" elements.
  std::size_t write_text(std::string_view characters);

  // The operating system's reason for the last write that fell short; empty when none did.
  std::error_code last_error() const { return last_error_; }

  // Completes the file and puts it in place; an empty code on success.
  std::error_code close();

 private:
  int descriptor() const { return standard_output_ ? 1 : output_.descriptor(); }
  std::size_t write_bytes(std::span<const unsigned char> bytes);

  ReplacingOutput output_;
  bool standard_output_ = false;
  std::error_code last_error_;
};

}  // namespace quelvara::wave
