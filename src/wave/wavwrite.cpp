#include "wave/wavwrite.h"

#include <cmath>

#include "wave/wavwrite_operations.h"

namespace quelvara::wave {

namespace {

void raise_if(const std::string& message) {
  if (!message.empty()) throw WavError(message);
}

// A step's message, with the reason of the write that fell short (read once the step is done).
void raise_if(const BinaryFile& fid, const std::string& message) {
  if (!message.empty()) throw WavError(message, fid.last_error());
}

// The samples as frames and the sizes derived from them, all known before anything is written.
struct Layout {
  SampleView samples;
  double channels = 0;
  double bytes_per_sample = 0;
  double data_bytes = 0;
  double riff_size = 0;
};

Layout layout_of(SampleView y, int nbits) {
  if (y.data.size() != y.rows * y.cols) {
    throw std::invalid_argument("wavwrite: the sample data does not hold rows * cols values");
  }
  Layout layout;
  // A single row is one channel: its elements, in the same order, become the frames.
  layout.samples = y.rows == 1 ? SampleView{y.cols, 1, y.data} : y;
  // Sizes in double arithmetic: any bit depth reaches the header before it is refused.
  const double frames = static_cast<double>(layout.samples.rows);
  layout.channels = static_cast<double>(layout.samples.cols);
  layout.bytes_per_sample = std::ceil(nbits / 8.0);
  layout.data_bytes = frames * layout.channels * layout.bytes_per_sample;
  const double pad_bytes = std::fmod(std::fabs(layout.data_bytes), 2.0);
  layout.riff_size = 36 + layout.data_bytes + pad_bytes;
  return layout;
}

// The chunks, header first, then the samples; a short write raises its message with the
// operating system's reason.
void write_chunks(BinaryFile& fid, const Layout& layout, double fs, int nbits,
                  const std::string& wavefile, const Warn& warn) {
  ChunkDescriptor ck{&fid, wavefile, "RIFF", layout.riff_size};
  raise_if(fid, write_ckinfo(ck));
  ck.ID = "WAVE";
  ck.Size.reset();
  raise_if(fid, write_ckinfo(ck));
  ck.ID = "fmt ";
  ck.Size = 16;
  raise_if(fid, write_ckinfo(ck));

  WaveFormat format;
  format.filename = wavefile;
  format.wFormatTag = nbits == 32 ? 3 : 1;
  format.nChannels = layout.channels;
  format.nSamplesPerSec = fs;
  format.nAvgBytesPerSec = layout.channels * layout.bytes_per_sample * fs;
  format.nBlockAlign = layout.channels * layout.bytes_per_sample;
  format.nBitsPerSample = nbits;
  raise_if(fid, write_wavefmt(fid, format));

  ck.ID = "data";
  ck.Size = layout.data_bytes;
  raise_if(fid, write_ckinfo(ck));

  raise_if(fid, write_wavedat(fid, format, layout.samples, warn));
}

}  // namespace

void wavwrite(SampleView y, double fs, int nbits, const std::string& wavefile,
              const Warn& warn) {
  const Layout layout = layout_of(y, nbits);
  OpenedWaveFile opened = OpenWaveWrite(wavefile);
  raise_if(opened.message);
  BinaryFile& fid = *opened.fid;
  write_chunks(fid, layout, fs, nbits, wavefile, warn);
  // Until here nothing has touched an existing file; closing puts the new one in its place.
  if (std::error_code ec = fid.close()) {
    throw WavError("Failed to close WAVE file: " + wavefile + " (" + ec.message() + ")", ec);
  }
}

void wavwrite(BinaryFile& out, SampleView y, double fs, int nbits, const std::string& name,
              const Warn& warn) {
  write_chunks(out, layout_of(y, nbits), fs, nbits, name, warn);
}

void wavwrite(SampleView y, double fs, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, fs, 16, wavefile, warn);
}

void wavwrite(SampleView y, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, 8000, 16, wavefile, warn);
}

}  // namespace quelvara::wave
