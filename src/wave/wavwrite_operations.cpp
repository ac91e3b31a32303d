#include "wave/wavwrite_operations.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <vector>

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

SampleMatrix PCM_Quantize(const SampleMatrix& x, const WaveFormat& format, const Warn& warn) {
  const std::string warning = "Data clipped during write to file:" + format.filename;
  const double nbits = format.nBitsPerSample;
  double offset;
  if (nbits == 8) {
    offset = 128;
  } else if (nbits == 16 || nbits == 24) {
    offset = 0;
  } else {
    throw WavError(invalid_bits_message);
  }
  const double scale = std::ldexp(1.0, static_cast<int>(nbits) - 1);
  const double lower = offset - scale;
  const double upper = offset + scale - 1;

  SampleMatrix y = x;
  bool below = false;
  bool above = false;
  for (double& v : y.data) {
    // A NaN has no integer value; it is written as 0 rather than left to the conversion.
    if (std::isnan(v)) {
      v = 0;
      continue;
    }
    v = std::round(scale * v + offset);  // halves away from zero
    if (v < lower) {
      below = true;
      v = lower;
    } else if (v > upper) {
      above = true;
      v = upper;
    }
  }
  if (below || above) emit_warning(warn, warning);
  return y;
}

std::string write_wavedat(BinaryFile& fid, const WaveFormat& format, const SampleMatrix& data,
                          const Warn& warn) {
  const double nbits = format.nBitsPerSample;
  // 32-bit samples are floating point and go out unscaled and unclipped.
  const SampleMatrix samples = nbits == 32 ? data : PCM_Quantize(data, format, warn);
  ElementType type = ElementType::Float;
  if (nbits == 8) type = ElementType::UChar;
  if (nbits == 16) type = ElementType::Short;
  if (nbits == 24) type = ElementType::Bit24;

  // Frame by frame, and within a frame channel by channel.
  const std::size_t frames = samples.rows;
  const std::size_t channels = samples.cols;
  const std::size_t count = frames * channels;
  if (samples.data.size() != count) return "Failed to write PCM data samples.";
  std::vector<double> interleaved(count);
  for (std::size_t c = 0; c < channels; ++c) {
    for (std::size_t f = 0; f < frames; ++f) interleaved[f * channels + c] = samples.data[c * frames + f];
  }
  if (fid.write(interleaved, type) != count) return "Failed to write PCM data samples.";

  // The data chunk ends on an even byte; its size does not count the pad.
  if ((count * element_size(type)) % 2 == 1) one(fid, 0, ElementType::UChar);
  return {};
}

}  // namespace quelvara::wave
