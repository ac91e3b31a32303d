#include "audio/playback.h"

#include <portaudio.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace quelvara::audio {
namespace {

[[noreturn]] void fail(const std::string& what, PaError code) {
  throw PlaybackError(what + ": " + Pa_GetErrorText(code));
}

// While the audio libraries probe every host interface and device they know, they print a
// line on standard error for each one that is missing (no sound server, no such card). The
// user should see nothing; real failures come back as error codes.
class QuietStandardError {
 public:
  QuietStandardError() {
#ifndef _WIN32
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
#endif
  }
  ~QuietStandardError() {
#ifndef _WIN32
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
    }
#endif
  }
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  [[maybe_unused]] int saved_ = -1;
};

// PortAudio's library lifetime, ended on every way out.
class Session {
 public:
  Session() {
    PaError e;
    {
      QuietStandardError quiet;
      e = Pa_Initialize();
    }
    if (e != paNoError) fail("Cannot start the audio system", e);
  }
  ~Session() { Pa_Terminate(); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
};

class OutputStream {
 public:
  OutputStream(double rate, int channels) {
    if (Pa_GetDefaultOutputDevice() == paNoDevice)
      throw PlaybackError(no_output_device_message);
    if (PaError e = Pa_OpenDefaultStream(&stream_, 0, channels, paFloat32, rate,
                                         paFramesPerBufferUnspecified, nullptr, nullptr);
        e != paNoError)
      fail("Cannot open an audio output device", e);
  }
  ~OutputStream() {
    if (started_) Pa_AbortStream(stream_);
    Pa_CloseStream(stream_);
  }
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  void start() {
    if (PaError e = Pa_StartStream(stream_); e != paNoError) fail("Cannot start playback", e);
    started_ = true;
  }
  void write(const std::vector<float>& interleaved, unsigned long frames) {
    PaError e = Pa_WriteStream(stream_, interleaved.data(), frames);
    // A late write only means a short gap in the sound, not lost samples.
    if (e != paNoError && e != paOutputUnderflowed) fail("Playback failed", e);
  }
  // Returns when every written sample has been played.
  void drain() {
    started_ = false;
    if (PaError e = Pa_StopStream(stream_); e != paNoError) fail("Playback failed", e);
  }

 private:
  PaStream* stream_ = nullptr;
  bool started_ = false;
};

}  // namespace

void play_blocking(std::span<const double> samples, double rate, int channels) {
  if (channels < 1) throw PlaybackError("Cannot play samples with no channel");
  if (samples.size() % static_cast<std::size_t>(channels) != 0)
    throw PlaybackError("The samples do not make whole frames");
  if (samples.empty()) return;

  Session session;
  OutputStream stream(rate, channels);
  stream.start();
  constexpr std::size_t block_frames = 4096;
  const std::size_t block = block_frames * static_cast<std::size_t>(channels);
  std::vector<float> buffer;
  for (std::size_t start = 0; start < samples.size(); start += block) {
    const std::size_t count = std::min(block, samples.size() - start);
    buffer.assign(samples.begin() + start, samples.begin() + start + count);
    stream.write(buffer, count / static_cast<std::size_t>(channels));
  }
  stream.drain();
}

}  // namespace quelvara::audio
