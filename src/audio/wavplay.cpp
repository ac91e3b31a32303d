#include "audio/wavplay.h"

#include "runtime/platform.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "audio/playback.h"
#include "runtime/argument_count.h"
#include "runtime/error.h"

namespace quelvara::audio {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

namespace {

constexpr double default_rate = 11025;

// The first entry of the list that begins with mode, case-sensitive; "" when none does.
std::string_view matching_mode(const std::string& mode) {
  constexpr std::array<std::string_view, 2> modes = {"sync", "async"};
  for (std::string_view entry : modes)
    if (entry.starts_with(mode)) return entry;
  return {};
}

// The asynchronous arrangement: columns of samples scaled for the writer, with its word size.
std::vector<Value> asynchronous_inputs(const Value& y, const Value& fs) {
  if (!y.is_array() || y.array().is_char())
    throw RuntimeError("Data must be of type 'double', 'single', 'int16', or 'uint8'.");
  Array samples = y.array().rows() == 1 ? y.array().transposed() : y.array();
  for (double& x : samples.data()) x = std::clamp(x, -1.0, 1.0);
  return {Value(std::move(samples)), fs, Value(16)};
}

// The samples of a playback routine's input, with the channel count its shape gives.
struct Frames {
  std::vector<double> interleaved;
  int channels;
};

Frames frames_of(const Value& samples, std::string_view routine) {
  if (!samples.is_array() || samples.array().is_char())
    throw RuntimeError(std::string(routine) + ": the samples must be an array of numbers.");
  const Array& a = samples.array();
  // A vector is one channel; a matrix has one row per channel, so its column-by-column
  // storage is already frame by frame.
  const int channels = a.is_vector() || a.is_empty() ? 1 : static_cast<int>(a.rows());
  return {a.data(), channels};
}

double rate_of(const Value& rate, std::string_view routine) {
  if (!rate.is_number() || !std::isfinite(rate.number()) || rate.number() <= 0)
    throw RuntimeError(std::string(routine) + ": the rate must be a positive number.");
  return rate.number();
}

void play(const Frames& frames, double rate) {
  try {
    play_blocking(frames.interleaved, rate, frames.channels);
  } catch (const PlaybackError& e) {
    throw RuntimeError(e.what());
  }
}

}  // namespace

void wavplay(const std::vector<Value>& args, const PlatformQueries& platform,
             const PlaybackRoutine& playsndb, const PlaybackRoutine& playsnd) {
  if (platform.platform_type() != "PCWIN")
    throw RuntimeError("WAVPLAY is only for use with Windows 95/98/NT machines.");
  runtime::check_argument_count(1, 3, static_cast<int>(args.size()));

  std::vector<Value> rest = args;
  std::string mode = "sync";
  if (rest.back().is_text()) {
    mode = rest.back().text();
    rest.pop_back();
  } else if (rest.size() == 3) {
    throw RuntimeError("Invalid input arguments.");
  }
  // A mode alone leaves no samples to play.
  if (rest.empty()) throw RuntimeError(runtime::not_enough_inputs);
  const Value fs = rest.size() < 2 ? Value(default_rate) : rest[1];
  const Value& y = rest[0];
  // Our arrays have two dimensions, so the runtime's "Input must be a 2-D matrix." test cannot
  // fail here.

  const std::string_view match = matching_mode(mode);
  if (match.empty()) throw RuntimeError("Unrecognized option: " + mode);
  if (match == "async") {
    playsnd(0, asynchronous_inputs(y, fs));
    return;
  }
  // Only arrays have a transpose; anything else goes as it is, for the routine to judge.
  playsndb(0, {y.is_array() ? Value(y.array().transposed()) : y, fs});
}

void wavplay(const std::vector<Value>& args) {
  static const PlaybackRoutine sync = playsndb;
  static const PlaybackRoutine async = playsnd;
  wavplay(args, host_platform(), sync, async);
}

PlatformQueries host_platform() {
  return {[] { return runtime::platform_type(); }};
}

std::vector<Value> playsndb(int, std::vector<Value> args) {
  if (args.size() != 2) throw RuntimeError("playsndb: expected the samples and the rate.");
  play(frames_of(args[0], "playsndb"), rate_of(args[1], "playsndb"));
  return {};
}

std::vector<Value> playsnd(int, std::vector<Value> args) {
  if (args.size() != 3)
    throw RuntimeError("playsnd: expected the samples, the rate and the bits per sample.");
  // The columns of the asynchronous arrangement are channels; as a routine input that is the
  // transpose of the synchronous layout.
  Value columns = args[0];
  if (columns.is_array() && !columns.array().is_vector())
    columns = Value(columns.array().transposed());
  play(frames_of(columns, "playsnd"), rate_of(args[1], "playsnd"));
  return {};
}

}  // namespace quelvara::audio
