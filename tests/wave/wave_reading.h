#pragma once
// Reading written WAVE files back in tests: the raw bytes, the header fields, and the samples
// through an independent reader.
#include <sndfile.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace quelvara::testing {

using Bytes = std::vector<unsigned char>;

inline Bytes file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), {}};
}

inline std::uint32_t le_at(const Bytes& b, std::size_t at, std::size_t n) {
  std::uint32_t v = 0;
  for (std::size_t i = n; i-- > 0;) v = (v << 8) | b.at(at + i);
  return v;
}

// The 44 header bytes: identifiers joined, then every number in file order.
struct Header {
  std::string ids;  // "RIFF" "WAVE" "fmt " "data"
  std::uint32_t riff_size, fmt_size, tag, channels, rate, avg_bytes, align, bits, data_size;
  friend bool operator==(const Header&, const Header&) = default;
  friend std::ostream& operator<<(std::ostream& o, const Header& h) {
    return o << h.ids << " riff " << h.riff_size << " fmt " << h.fmt_size << " tag " << h.tag << " ch "
             << h.channels << " rate " << h.rate << " avg " << h.avg_bytes << " align " << h.align
             << " bits " << h.bits << " data " << h.data_size;
  }
};

inline Header header_of(const Bytes& b) {
  auto text = [&](std::size_t at) { return std::string(b.begin() + long(at), b.begin() + long(at + 4)); };
  return {text(0) + text(8) + text(12) + text(36), le_at(b, 4, 4), le_at(b, 16, 4), le_at(b, 20, 2),
          le_at(b, 22, 2), le_at(b, 24, 4), le_at(b, 28, 4), le_at(b, 32, 2), le_at(b, 34, 2),
          le_at(b, 40, 4)};
}

inline Bytes data_bytes(const Bytes& b) { return {b.begin() + 44, b.end()}; }

// A WAVE file as the independent reader sees it; integer samples scaled to 32 bits.
struct ReadBack {
  SF_INFO info{};
  std::vector<int> samples;
  std::vector<float> floats;
};

inline ReadBack read_back(const std::filesystem::path& path) {
  ReadBack r;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &r.info);
  if (f == nullptr) throw std::runtime_error("reader refused " + path.string());
  const auto n = r.info.frames * r.info.channels;
  if ((r.info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
    r.floats.resize(std::size_t(n));
    sf_read_float(f, r.floats.data(), n);
  } else {
    r.samples.resize(std::size_t(n));
    sf_read_int(f, r.samples.data(), n);
  }
  sf_close(f);
  return r;
}

}  // namespace quelvara::testing
