#include "wave/wavwrite_operations.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "simd/lanes.h"

namespace quelvara::wave {

namespace {

std::size_t one(BinaryFile& fid, double value, ElementType type) {
  return fid.write(std::span<const double>(&value, 1), type);
}

void emit_warning(const Warn& warn, const std::string& text) {
  if (warn) {
    warn(text);
  } else {
    std::cout << "Warning: " << text << std::endl;
  }
}

}  // namespace

OpenedWaveFile OpenWaveWrite(const std::optional<std::string>& wavefile) {
  OpenedWaveFile opened;
  if (!wavefile) {
    opened.message = name_not_string_message;
    return opened;
  }
  // A "." anywhere, also in a folder name, counts as an extension already given.
  std::string name = *wavefile;
  if (name.find('.') == std::string::npos) name += ".wav";
  std::error_code ec;
  BinaryFile file = BinaryFile::open_for_writing(name, ec);
  if (ec) {
    opened.message = "Cannot open file for writing: " + *wavefile + " (" + ec.message() + ")";
    opened.reason = ec;
    return opened;
  }
  opened.fid = std::move(file);
  return opened;
}

std::string write_ckinfo(const ChunkDescriptor& ck) {
  const std::string failure = "Failed to write " + ck.ID + " chunk to WAVE file: " + ck.filename;
  if (ck.fid == nullptr || ck.fid->write_text(ck.ID) != 4) return failure;
  if (ck.Size && one(*ck.fid, *ck.Size, ElementType::ULong) != 1) return failure;
  return {};
}

std::string write_wavefmt(BinaryFile& fid, const WaveFormat& format) {
  const std::string failure = "Failed to write WAVE format chunk to file" + format.filename;
  // All five are written even after a short one, as the chunk's layout is fixed.
  bool complete = one(fid, format.wFormatTag, ElementType::UShort) == 1;
  complete = one(fid, format.nChannels, ElementType::UShort) == 1 && complete;
  complete = one(fid, format.nSamplesPerSec, ElementType::ULong) == 1 && complete;
  complete = one(fid, format.nAvgBytesPerSec, ElementType::ULong) == 1 && complete;
  complete = one(fid, format.nBlockAlign, ElementType::UShort) == 1 && complete;
  if (!complete) return failure;
  if (one(fid, format.nBitsPerSample, ElementType::UShort) != 1) return failure;
  return {};
}

namespace {

// Scaling, rounding to the nearest integer with halves away from zero, and clipping, in plain
// arithmetic: the integer part is taken by conversion and the remainder decides the rounding,
// which gives exactly what rounding each value would.
class Quantizer {
 public:
  static std::int32_t quantize(double x, double scale, double offset, std::int32_t lower, std::int32_t upper,
                               bool& clipped) {
    double t = scale * x + offset;
    t = t == t ? t : 0.0;  // a NaN has no integer value; it is written as 0
    // Beyond a step past the limits the result is clipped whatever the rounding; within, the
    // conversion below cannot overflow.
    t = t < lower - 1.0 ? lower - 1.0 : t;
    t = t > upper + 1.0 ? upper + 1.0 : t;
    auto y = static_cast<std::int32_t>(t);  // toward zero
    const double remainder = t - y;         // exact: y is t without its fraction
    y += remainder >= 0.5;
    y -= remainder <= -0.5;
    clipped |= (y < lower) | (y > upper);
    y = y < lower ? lower : y;
    return y > upper ? upper : y;
  }

  // nbits 8, 16 or 24; anything else raises the writer's error.
  explicit Quantizer(double nbits) {
    if (nbits == 8) {
      offset_ = 128;
    } else if (nbits == 16 || nbits == 24) {
      offset_ = 0;
    } else {
      throw WavError(invalid_bits_message);
    }
    scale_ = nbits == 8 ? 128.0 : nbits == 16 ? 32768.0 : 8388608.0;
    lower_ = static_cast<std::int32_t>(offset_ - scale_);
    upper_ = static_cast<std::int32_t>(offset_ + scale_ - 1);
  }

  std::int32_t operator()(double x) {
    bool clipped = false;
    const std::int32_t y = quantize(x, scale_, offset_, lower_, upper_, clipped);
    clipped_ = clipped_ || clipped;
    return y;
  }

  // count samples as 16-bit little-endian bytes into out. The parameters are copied to locals
  // first: stores through a byte pointer could otherwise change them, for all the compiler
  // knows, and it would reload them at every sample.
  void to_little_endian_16(const double* x, std::size_t count, unsigned char* out) {
    const double scale = scale_, offset = offset_;
    const std::int32_t lower = lower_, upper = upper_;
    bool clipped = false;
    std::size_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
      // Sixteen samples at a time where the processor has four lanes, then eight at a time,
      // then one by one.
#if defined(__x86_64__)
      static const bool four_lanes = simd::has_four_lanes();
      if (four_lanes) n = quantize_16_avx2(x, count, out, clipped);
#endif
#if defined(__SSE2__)
      n += quantize_16_sse2(x + n, count - n, out + 2 * n, clipped);
#endif
    }
    for (; n < count; ++n) {
      const auto bits = static_cast<std::uint16_t>(quantize(x[n], scale, offset, lower, upper, clipped));
      out[2 * n] = static_cast<unsigned char>(bits);
      out[2 * n + 1] = static_cast<unsigned char>(bits >> 8);
    }
    clipped_ = clipped_ || clipped;
  }

  bool clipped() const { return clipped_; }

 private:
#if defined(__SSE2__)
  // The same steps as quantize, on eight samples at a time, each lane an exact copy of the
  // scalar arithmetic (so the bytes are the same); returns how many samples it did, leaving the
  // last count % 8 to the caller.
  std::size_t quantize_16_sse2(const double* x, std::size_t count, unsigned char* out, bool& clipped) const {
    const __m128d scale = _mm_set1_pd(scale_), offset = _mm_set1_pd(offset_);
    const __m128d below = _mm_set1_pd(lower_ - 1.0), above = _mm_set1_pd(upper_ + 1.0);
    const __m128d lower = _mm_set1_pd(lower_), upper = _mm_set1_pd(upper_);
    const __m128d half = _mm_set1_pd(0.5), minus_half = _mm_set1_pd(-0.5), one = _mm_set1_pd(1.0);
    __m128d outside = _mm_setzero_pd();
    const auto two = [&](const double* p) {
      __m128d t = _mm_add_pd(_mm_mul_pd(scale, _mm_loadu_pd(p)), offset);
      t = _mm_and_pd(t, _mm_cmpeq_pd(t, t));  // NaN lanes become 0
      t = _mm_min_pd(_mm_max_pd(t, below), above);
      __m128d y = _mm_cvtepi32_pd(_mm_cvttpd_epi32(t));  // toward zero
      const __m128d remainder = _mm_sub_pd(t, y);
      y = _mm_add_pd(y, _mm_and_pd(_mm_cmpge_pd(remainder, half), one));
      y = _mm_sub_pd(y, _mm_and_pd(_mm_cmple_pd(remainder, minus_half), one));
      outside = _mm_or_pd(outside, _mm_or_pd(_mm_cmplt_pd(y, lower), _mm_cmpgt_pd(y, upper)));
      return _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(y, lower), upper));  // two int32 in the low half
    };
    std::size_t n = 0;
    for (; n + 8 <= count; n += 8) {
      const __m128i first = _mm_unpacklo_epi64(two(x + n), two(x + n + 2));
      const __m128i second = _mm_unpacklo_epi64(two(x + n + 4), two(x + n + 6));
      // Every value is within 16 bits already, so the saturating pack only narrows.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * n), _mm_packs_epi32(first, second));
    }
    clipped = clipped || _mm_movemask_pd(outside) != 0;
    return n;
  }
#endif

#if defined(__x86_64__)
  // The same with four lanes, sixteen samples at a time, leaving the last count % 16.
  __attribute__((target("avx2"))) std::size_t quantize_16_avx2(const double* x, std::size_t count,
                                                                unsigned char* out, bool& clipped) const {
    const __m256d scale = _mm256_set1_pd(scale_), offset = _mm256_set1_pd(offset_);
    const __m256d below = _mm256_set1_pd(lower_ - 1.0), above = _mm256_set1_pd(upper_ + 1.0);
    const __m256d lower = _mm256_set1_pd(lower_), upper = _mm256_set1_pd(upper_);
    const __m256d half = _mm256_set1_pd(0.5), minus_half = _mm256_set1_pd(-0.5), one = _mm256_set1_pd(1.0);
    __m256d outside = _mm256_setzero_pd();
    const auto four = [&](const double* p) __attribute__((target("avx2"))) {
      __m256d t = _mm256_add_pd(_mm256_mul_pd(scale, _mm256_loadu_pd(p)), offset);
      t = _mm256_and_pd(t, _mm256_cmp_pd(t, t, _CMP_EQ_OQ));  // NaN lanes become 0
      t = _mm256_min_pd(_mm256_max_pd(t, below), above);
      __m256d y = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(t));  // toward zero
      const __m256d remainder = _mm256_sub_pd(t, y);
      y = _mm256_add_pd(y, _mm256_and_pd(_mm256_cmp_pd(remainder, half, _CMP_GE_OQ), one));
      y = _mm256_sub_pd(y, _mm256_and_pd(_mm256_cmp_pd(remainder, minus_half, _CMP_LE_OQ), one));
      outside = _mm256_or_pd(outside, _mm256_cmp_pd(y, lower, _CMP_LT_OQ));
      outside = _mm256_or_pd(outside, _mm256_cmp_pd(y, upper, _CMP_GT_OQ));
      return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_max_pd(y, lower), upper));  // four int32
    };
    std::size_t n = 0;
    for (; n + 16 <= count; n += 16) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * n), _mm_packs_epi32(four(x + n), four(x + n + 4)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * n + 16),
                       _mm_packs_epi32(four(x + n + 8), four(x + n + 12)));
    }
    clipped = clipped || _mm256_movemask_pd(outside) != 0;
    return n;
  }
#endif

  double scale_ = 0;
  double offset_ = 0;
  std::int32_t lower_ = 0;
  std::int32_t upper_ = 0;
  bool clipped_ = false;
};

std::string clipping_warning(const WaveFormat& format) {
  return "Data clipped during write to file:" + format.filename;
}

// Samples, in the order they come and in any number of pieces, as the bytes of element type:
// quantised for 8, 16 and 24 bits, single-precision floats for 32.
class SampleEncoder {
 public:
  SampleEncoder(const WaveFormat& format, ElementType type, unsigned char* bytes)
      : size_(element_size(type)), out_(bytes) {
    if (type != ElementType::Float) quantize_.emplace(format.nBitsPerSample);
  }

  // count samples, sample(k) being the k-th.
  template <typename Sample>
  void add(std::size_t count, Sample sample) {
    if (!quantize_) {
      for (std::size_t n = 0; n < count; ++n) {
        const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(sample(n)));
        for (std::size_t i = 0; i < 4; ++i) out_[n * 4 + i] = static_cast<unsigned char>(bits >> (8 * i));
      }
    } else {
      for (std::size_t n = 0; n < count; ++n) {
        // Two's complement of the low bytes gives the signed types' encoding.
        const auto bits = static_cast<std::uint32_t>((*quantize_)(sample(n)));
        for (std::size_t i = 0; i < size_; ++i) out_[n * size_ + i] = static_cast<unsigned char>(bits >> (8 * i));
      }
    }
    out_ += count * size_;
  }

  // Samples that lie side by side.
  void add(std::span<const double> x) {
    if (quantize_ && size_ == 2) {  // what the system saves: 16-bit samples
      quantize_->to_little_endian_16(x.data(), x.size(), out_);
      out_ += 2 * x.size();
    } else {
      add(x.size(), [x](std::size_t n) { return x[n]; });
    }
  }

  bool clipped() const { return quantize_ && quantize_->clipped(); }

 private:
  std::optional<Quantizer> quantize_;  // none for floats, which go out unscaled and unclipped
  std::size_t size_;
  unsigned char* out_;
};

// Bytes that are not cleared first: every byte is written before they go out.
struct EncodedFrames {
  std::unique_ptr<unsigned char[]> bytes;
  std::size_t size = 0;
  explicit EncodedFrames(std::size_t size) : bytes(new unsigned char[size]), size(size) {}
  std::span<const unsigned char> view() const { return {bytes.get(), size}; }
};

// The element type of format's depth; any depth but 8, 16, 24 and 32 fails here, after the
// header.
ElementType data_type(const WaveFormat& format) {
  const double nbits = format.nBitsPerSample;
  if (nbits == 8) return ElementType::UChar;
  if (nbits == 16) return ElementType::Short;
  if (nbits == 24) return ElementType::Bit24;
  if (nbits == 32) return ElementType::Float;
  throw WavError(invalid_bits_message);
}

// Warns of clipping, then writes the samples in one request and the pad byte when needed.
std::string write_encoded_samples(BinaryFile& fid, const WaveFormat& format, const EncodedFrames& encoded,
                                  ElementType type, bool clipped, const Warn& warn) {
  if (clipped) emit_warning(warn, clipping_warning(format));
  const std::size_t count = encoded.size / element_size(type);
  if (fid.write_encoded(encoded.view(), type) != count) return "Failed to write PCM data samples.";
  // The data chunk ends on an even byte; its size does not count the pad.
  if (encoded.size % 2 == 1) one(fid, 0, ElementType::UChar);
  return {};
}

}  // namespace

SampleMatrix PCM_Quantize(const SampleMatrix& x, const WaveFormat& format, const Warn& warn) {
  Quantizer quantize(format.nBitsPerSample);
  SampleMatrix y = x;
  for (double& v : y.data) v = quantize(v);
  if (quantize.clipped()) emit_warning(warn, clipping_warning(format));
  return y;
}

std::string write_wavedat(BinaryFile& fid, const WaveFormat& format, SampleView data, const Warn& warn) {
  const ElementType type = data_type(format);
  const std::size_t frames = data.rows;
  const std::size_t channels = data.cols;
  const std::size_t count = frames * channels;
  if (data.data.size() != count) return "Failed to write PCM data samples.";
  EncodedFrames encoded(count * element_size(type));
  SampleEncoder encoder(format, type, encoded.bytes.get());
  if (channels == 1) {
    encoder.add(data.data);
  } else {  // frame by frame, and within a frame channel by channel
    encoder.add(count, [&](std::size_t n) { return data.data[(n % channels) * frames + n / channels]; });
  }
  return write_encoded_samples(fid, format, encoded, type, encoder.clipped(), warn);
}

std::string write_wavedat(BinaryFile& fid, const WaveFormat& format, const MadeRow& data, const Warn& warn) {
  const ElementType type = data_type(format);
  EncodedFrames encoded(data.frames * element_size(type));
  SampleEncoder encoder(format, type, encoded.bytes.get());
  std::size_t done = 0;
  data.make([&](std::span<const double> stretch) {
    if (stretch.size() > data.frames - done) throw std::invalid_argument("wavwrite: the row is longer than announced");
    encoder.add(stretch);
    done += stretch.size();
  });
  if (done != data.frames) throw std::invalid_argument("wavwrite: the row is shorter than announced");
  return write_encoded_samples(fid, format, encoded, type, encoder.clipped(), warn);
}

}  // namespace quelvara::wave
