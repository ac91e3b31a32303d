#include "wave/binary_file.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace quelvara::wave {

BinaryFile BinaryFile::open_for_writing(const std::filesystem::path& path, std::error_code& ec) {
  BinaryFile file;
  file.output_ = ReplacingOutput::open(path, ec);
  return file;
}

BinaryFile BinaryFile::standard_output() {
  BinaryFile file;
  file.standard_output_ = true;
  return file;
}

std::size_t BinaryFile::write_bytes(std::span<const unsigned char> bytes) {
  if (!is_open()) {
    last_error_ = std::make_error_code(std::errc::bad_file_descriptor);
    return 0;
  }
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(descriptor(), bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) last_error_ = {errno, std::generic_category()};
    if (n == 0) last_error_ = std::make_error_code(std::errc::io_error);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  return written;
}

std::size_t BinaryFile::write(std::span<const double> values, ElementType type) {
  return write_bytes(encode_elements(values, type)) / element_size(type);
}

std::size_t BinaryFile::write_encoded(std::span<const unsigned char> bytes, ElementType type) {
  return write_bytes(bytes) / element_size(type);
}

std::size_t BinaryFile::write_text(std::string_view characters) {
  std::vector<double> codes;
  codes.reserve(characters.size());
  for (char c : characters) codes.push_back(static_cast<unsigned char>(c));
  return write(codes, ElementType::Char);
}

std::error_code BinaryFile::close() { return standard_output_ ? std::error_code() : output_.finish(); }

}  // namespace quelvara::wave
