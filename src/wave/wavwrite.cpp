#include "wave/wavwrite.h"

#include <cmath>

#include "wave/wavwrite_operations.h"

namespace quelvara::wave {

namespace {

// A step's message, with the reason of the write that fell short (read once the step is done).
void raise_if(const BinaryFile& fid, const std::string& message) {
  if (!message.empty()) throw WavError(message, fid.last_error());
}

// The sizes that frames of channels samples give, all known before anything is written.
struct Layout {
  double channels = 0;
  double bytes_per_sample = 0;
  double data_bytes = 0;
  double riff_size = 0;
};

Layout layout_of(std::size_t frame_count, std::size_t channel_count, int nbits) {
  Layout layout;
  // Sizes in double arithmetic: any bit depth reaches the header before it is refused.
  const double frames = static_cast<double>(frame_count);
  layout.channels = static_cast<double>(channel_count);
  layout.bytes_per_sample = std::ceil(nbits / 8.0);
  layout.data_bytes = frames * layout.channels * layout.bytes_per_sample;
  const double pad_bytes = std::fmod(std::fabs(layout.data_bytes), 2.0);
  layout.riff_size = 36 + layout.data_bytes + pad_bytes;
  return layout;
}

// The samples as frames: a single row is one channel, its elements, in the same order, the
// frames.
SampleView as_frames(SampleView y) {
  if (y.data.size() != y.rows * y.cols) {
    throw std::invalid_argument("wavwrite: the sample data does not hold rows * cols values");
  }
  return y.rows == 1 ? SampleView{y.cols, 1, y.data} : y;
}

// The chunks, header first, then the samples; a short write raises its message with the
// operating system's reason.
template <typename Samples>
void write_chunks(BinaryFile& fid, const Layout& layout, const Samples& samples, double fs, int nbits,
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

  raise_if(fid, write_wavedat(fid, format, samples, warn));
}

// Opens wavefile, writes the chunks and puts the new file in place.
template <typename Samples>
void write_file(const Layout& layout, const Samples& samples, double fs, int nbits, const std::string& wavefile,
                const Warn& warn) {
  OpenedWaveFile opened = OpenWaveWrite(wavefile);
  if (!opened.message.empty()) throw WavError(opened.message, opened.reason);
  BinaryFile& fid = *opened.fid;
  write_chunks(fid, layout, samples, fs, nbits, wavefile, warn);
  // Until here nothing has touched an existing file; closing puts the new one in its place.
  if (std::error_code ec = fid.close()) {
    throw WavError("Failed to close WAVE file: " + wavefile + " (" + ec.message() + ")", ec);
  }
}

}  // namespace

void wavwrite(SampleView y, double fs, int nbits, const std::string& wavefile,
              const Warn& warn) {
  const SampleView frames = as_frames(y);
  write_file(layout_of(frames.rows, frames.cols, nbits), frames, fs, nbits, wavefile, warn);
}

void wavwrite(BinaryFile& out, SampleView y, double fs, int nbits, const std::string& name,
              const Warn& warn) {
  const SampleView frames = as_frames(y);
  write_chunks(out, layout_of(frames.rows, frames.cols, nbits), frames, fs, nbits, name, warn);
}

void wavwrite(const MadeRow& y, double fs, int nbits, const std::string& wavefile, const Warn& warn) {
  write_file(layout_of(y.frames, 1, nbits), y, fs, nbits, wavefile, warn);
}

void wavwrite(BinaryFile& out, const MadeRow& y, double fs, int nbits, const std::string& name,
              const Warn& warn) {
  write_chunks(out, layout_of(y.frames, 1, nbits), y, fs, nbits, name, warn);
}

void wavwrite(SampleView y, double fs, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, fs, 16, wavefile, warn);
}

void wavwrite(SampleView y, const std::string& wavefile, const Warn& warn) {
  wavwrite(y, 8000, 16, wavefile, warn);
}

}  // namespace quelvara::wave
