#pragma once
// Reading written WAVE files back in tests: raw bytes and little-endian fields, and the
// samples through an independent reader.
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace quelvara::testing {

inline std::vector<unsigned char> file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), {}};
}

inline std::uint32_t u16_at(const std::vector<unsigned char>& b, std::size_t at) {
  return b.at(at) | (b.at(at + 1) << 8);
}

inline std::uint32_t u32_at(const std::vector<unsigned char>& b, std::size_t at) {
  return u16_at(b, at) | (u16_at(b, at + 2) << 16);
}

inline std::string text_at(const std::vector<unsigned char>& b, std::size_t at, std::size_t n) {
  return {b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + n)};
}

// A WAVE file as the independent reader sees it.
struct ReadBack {
  SF_INFO info{};
  std::vector<int> samples;      // interleaved, scaled to 32 bits as the reader does
  std::vector<float> floats;     // interleaved, for floating-point files
};

inline ReadBack read_back(const std::filesystem::path& path) {
  ReadBack r;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &r.info);
  if (f == nullptr) throw std::runtime_error("reader refused " + path.string() + ": " + sf_strerror(nullptr));
  const auto n = static_cast<std::size_t>(r.info.frames * r.info.channels);
  if ((r.info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
    r.floats.resize(n);
    sf_read_float(f, r.floats.data(), static_cast<sf_count_t>(n));
  } else {
    r.samples.resize(n);
    sf_read_int(f, r.samples.data(), static_cast<sf_count_t>(n));
  }
  sf_close(f);
  return r;
}

}  // namespace quelvara::testing
