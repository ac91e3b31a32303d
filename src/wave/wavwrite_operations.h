#pragma once
// The inner operations of the WAVE writer. Each reports failure by giving back a message text,
// empty on success; the writer turns a non-empty text into a WavError with exactly that text.
#include <optional>
#include <string>

#include "wave/binary_file.h"
#include "wave/samples.h"

namespace quelvara::wave {

// Messages of the writer that the typed interface cannot reach itself: a caller that starts
// from dynamic values raises them when y has more than two dimensions or the name is no text.
inline constexpr const char* nd_array_message = "Data array cannot be an N-D array.";
inline constexpr const char* name_not_string_message = "Wave file name must be a string.";
inline constexpr const char* invalid_bits_message = "Invalid number of bits specified.";

// One chunk identifier and the size that follows it. filename is the name as the caller of
// wavwrite passed it and only appears in messages.
struct ChunkDescriptor {
  BinaryFile* fid = nullptr;
  std::string filename;
  std::string ID;
  std::optional<double> Size;  // none for an identifier without a size ("WAVE")
};

// The fields of the format chunk, plus the name for messages.
struct WaveFormat {
  std::string filename;
  double wFormatTag = 1;
  double nChannels = 0;
  double nSamplesPerSec = 0;
  double nAvgBytesPerSec = 0;
  double nBlockAlign = 0;
  double nBitsPerSample = 0;
};

struct OpenedWaveFile {
  std::optional<BinaryFile> fid;  // none on failure
  std::string message;
  std::error_code reason;  // the operating system's, when the file could not be opened
};

// Checks the name (none: the argument was not a character string), appends ".wav" to a name
// without any "." and opens the file for binary writing.
OpenedWaveFile OpenWaveWrite(const std::optional<std::string>& wavefile);

std::string write_ckinfo(const ChunkDescriptor& ck);

std::string write_wavefmt(BinaryFile& fid, const WaveFormat& format);

// Scales, rounds and clips x for format.nBitsPerSample (8, 16 or 24; any other depth throws
// WavError with invalid_bits_message). At most one clipping warning goes to warn.
SampleMatrix PCM_Quantize(const SampleMatrix& x, const WaveFormat& format, const Warn& warn);

// Writes the samples, frame by frame, in one request, then the pad byte when needed.
// The samples are scaled, rounded and clipped straight into the bytes of the file, in one pass
// of plain arithmetic.
std::string write_wavedat(BinaryFile& fid, const WaveFormat& format, SampleView data, const Warn& warn);

// The same for a row made while it is written, each stretch encoded as it comes. Throws
// std::invalid_argument when the stretches do not come to data.frames samples.
std::string write_wavedat(BinaryFile& fid, const WaveFormat& format, const MadeRow& data, const Warn& warn);

}  // namespace quelvara::wave
