#pragma once
// wavplay: sends a sample array to the platform's wave-audio output. It checks and arranges its
// arguments; the platform's playback routines make the sound.
#include <functional>
#include <string>
#include <vector>

#include "runtime/value.h"

namespace quelvara::audio {

// The platform-type query, as wavplay asks it.
struct PlatformQueries {
  std::function<std::string()> platform_type;
};

// A playback routine run by name: called with its inputs, its results are discarded.
using PlaybackRoutine = runtime::Function;

// wavplay(y), wavplay(y, fs), wavplay(y, mode), wavplay(y, fs, mode): fs defaults to 11025 and
// mode to "sync". The synchronous routine gets (transpose of y, fs); the asynchronous one gets
// (y as columns, scaled, fs, bits per sample). Errors are runtime::RuntimeError with the
// messages of wavplay; the routines' own errors pass through.
void wavplay(const std::vector<runtime::Value>& args, const PlatformQueries& platform,
             const PlaybackRoutine& playsndb, const PlaybackRoutine& playsnd);

// wavplay on this program's platform layer, with its routines below.
void wavplay(const std::vector<runtime::Value>& args);

// The platform layer of this program. It carries its own synchronous playback routine, so it
// answers the platform-type query with "PCWIN", the one answer for which wavplay plays.
PlatformQueries host_platform();

// "audio/private/playsndb"(samples, rate): plays a column (or row) of samples as one channel,
// or a channels-by-frames matrix, on the default output device and returns when it is heard.
std::vector<runtime::Value> playsndb(int nargout, std::vector<runtime::Value> args);

// "audio/private/playsnd"(samples, rate, bits): the asynchronous routine. This platform has no
// background writer, so it plays the already scaled columns the synchronous way.
std::vector<runtime::Value> playsnd(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::audio
