#pragma once
// What the WAVE writer and its inner operations share: the samples as they take them, the
// error they raise and the receiver of their warning.
#include <cstddef>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace quelvara::wave {

// An error of the writer: its exact message, and the operating system's reason when a write
// or the open failed ("No space left on device"), empty otherwise.
struct WavError : std::runtime_error {
  explicit WavError(const std::string& message, std::error_code reason = {})
      : std::runtime_error(message), reason(reason) {}
  std::error_code reason;
};

// Samples as the writer takes them: rows are frames, columns are channels, stored column by
// column. A single row is one channel.
struct SampleMatrix {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::vector<double> data;  // column-major, rows * cols values
  static SampleMatrix row(std::span<const double> samples) {
    return {1, samples.size(), std::vector<double>(samples.begin(), samples.end())};
  }
};

// Samples the writer reads in place, laid out as in SampleMatrix.
struct SampleView {
  std::size_t rows = 0;
  std::size_t cols = 0;
  std::span<const double> data;  // column-major, rows * cols values
  SampleView() = default;
  SampleView(std::size_t rows, std::size_t cols, std::span<const double> data)
      : rows(rows), cols(cols), data(data) {}
  SampleView(const SampleMatrix& m) : rows(m.rows), cols(m.cols), data(m.data) {}  // NOLINT: a view of it
  static SampleView row(std::span<const double> samples) { return {1, samples.size(), samples}; }
};

// Receives each stretch of a made row, in order; a stretch is valid only during the call.
using StretchSink = std::function<void(std::span<const double>)>;

// A single row of `frames` samples (one channel) that is made while it is written: make hands
// its stretches, in order, to the sink it is given, so the row is never whole in memory.
struct MadeRow {
  std::size_t frames = 0;
  std::function<void(const StretchSink&)> make;
};

// Receives a warning's text. An empty Warn prints "Warning: " and the text on standard output.
using Warn = std::function<void(const std::string&)>;

}  // namespace quelvara::wave
