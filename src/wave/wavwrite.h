#pragma once
// RIFF WAVE writer: 8, 16, 24-bit PCM and 32-bit float, any number of channels.
#include <string>

#include "wave/binary_file.h"
#include "wave/samples.h"

namespace quelvara::wave {

// Writes y at Fs samples per second with nbits bits to wavefile (".wav" is appended to a name
// that has no "." anywhere). Throws WavError with the writer's exact message; an existing file
// is replaced only by a complete write and is otherwise left as it was. The clipping warning
// goes to warn. A write that falls short carries the operating system's reason in
// WavError::reason. Throws std::invalid_argument when y.data does not hold rows * cols values.
void wavwrite(SampleView y, double fs, int nbits, const std::string& wavefile,
              const Warn& warn = {});

// The same bytes into an output that is already open, such as standard output; name only
// appears in messages. The output is not closed.
void wavwrite(BinaryFile& out, SampleView y, double fs, int nbits, const std::string& name,
              const Warn& warn = {});

// The same for a row made while it is written: the bytes are those of the whole row. Throws
// std::invalid_argument when its stretches do not come to y.frames samples.
void wavwrite(const MadeRow& y, double fs, int nbits, const std::string& wavefile, const Warn& warn = {});
void wavwrite(BinaryFile& out, const MadeRow& y, double fs, int nbits, const std::string& name,
              const Warn& warn = {});

// The shorter call forms: 16 bits, and 8000 samples per second when fs is not given.
void wavwrite(SampleView y, double fs, const std::string& wavefile, const Warn& warn = {});
void wavwrite(SampleView y, const std::string& wavefile, const Warn& warn = {});

}  // namespace quelvara::wave
