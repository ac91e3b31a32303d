#pragma once
// Synchronous playback on the default audio output device.
#include <span>
#include <stdexcept>

namespace quelvara::audio {

struct PlaybackError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The failure when the machine has no audio output device at all.
inline constexpr const char* no_output_device_message =
    "Cannot open an audio output device: no output device is available";

// Plays the samples, interleaved frame by frame when channels > 1, at rate samples per second
// and returns once the device has played them. The device receives 32-bit floats; values
// beyond -1..+1 are clipped where the device converts to integers. Nothing happens for no
// samples. Throws PlaybackError when no output device can be opened or the write fails.
void play_blocking(std::span<const double> samples, double rate, int channels = 1);

}  // namespace quelvara::audio
