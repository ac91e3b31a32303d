#include "wave/wavwrite.h"

#include <cmath>

#include "wave/wavwrite_operations.h"

namespace quelvara::wave {

namespace {

void raise_if(const std::string& message) {
  if (!message.empty()) throw WavError(message);
}

}  // namespace

void wavwrite(const SampleMatrix& y, double fs, int nbits, const std::string& wavefile,
              const Warn& warn) {
  if (y.data.size() != y.rows * y.cols) {
    throw std::invalid_argument("wavwrite: the sample data does not hold rows * cols values");
  }
  // A single row is one channel: its elements become the frames.
  SampleMatrix samples = y;
  if (samples.rows == 1) samples = {y.cols, 1, y.data};

  // Sizes in double arithmetic: any bit depth reaches the header before it is refused.
  const double frames = static_cast<double>(samples.rows);
  const double channels = static_cast<double>(samples.cols);
  const double bytes_per_sample = std::ceil(nbits / 8.0);
  const double data_bytes = frames * channels * bytes_per_sample;
  const double pad_bytes = std::fmod(std::fabs(data_bytes), 2.0);
  const double riff_size = 36 + data_bytes + pad_bytes;

  OpenedWaveFile opened = OpenWaveWrite(wavefile);
  raise_if(opened.message);
  BinaryFile& fid = *opened.fid;

  ChunkDescriptor ck{&fid, wavefile, "RIFF", riff_size};
  raise_if(write_ckinfo(ck));
  ck.ID = "WAVE";
  ck.Size.reset();
  raise_if(write_ckinfo(ck));
  ck.ID = "fmt ";
  ck.Size = 16;
  raise_if(write_ckinfo(ck));

  WaveFormat format;
  format.filename = wavefile;
  format.wFormatTag = nbits == 32 ? 3 : 1;
  format.nChannels = channels;
  format.nSamplesPerSec = fs;
  format.nAvgBytesPerSec = channels * bytes_per_sample * fs;
  format.nBlockAlign = channels * bytes_per_sample;
  format.nBitsPerSample = nbits;
  raise_if(write_wavefmt(fid, format));

  ck.ID = "data";
  ck.Size = data_bytes;
  raise_if(write_ckinfo(ck));

  raise_if(write_wavedat(fid, format, samples, warn));

  // Until here nothing has touched an existing file; closing puts the new one in its place.
  if (std::error_code ec = fid.close()) {
    throw WavError("Failed to close WAVE file: " + wavefile + " (" + ec.message() + ")");
  }
}

void wavwrite(const SampleMatrix& y, double fs, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, fs, 16, wavefile, warn);
}

void wavwrite(const SampleMatrix& y, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, 8000, 16, wavefile, warn);
}

}  // namespace quelvara::wave
