#pragma once
// Spectrograms of a signal at 22050 samples per second: short-time power spectra under a
// Gaussian window, in decibels relative to the loudest point of the whole signal, kept as
// grey levels so that a picture of any size is drawn from them without computing again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quelvara::inspection {

struct SpectrogramSettings {
  double window_s = 0.005;         // the window's effective length; it spans twice that
  double max_hz = 5000;            // highest frequency kept
  double dynamic_range_db = 50;    // levels this far below the loudest are white
  double time_step_s = 0.00125;    // between frame centres
};
// The phonetician's two views: wideband (5 ms, formants as dark bands, periods as striations)
// and narrowband (30 ms, the harmonics as lines).
SpectrogramSettings wideband_settings();
SpectrogramSettings narrowband_settings();

struct Spectrogram {
  double time_step = 0;  // seconds between frames; frame k is centred at k * time_step
  double bin_hz = 0;     // Hz between bins; bin 0 is 0 Hz
  std::size_t frames = 0;
  std::size_t bins = 0;
  // frames x bins, frame after frame: 0 for the floor of the dynamic range or below, 255 for
  // the loudest point.
  std::vector<std::uint8_t> level;

  std::uint8_t at(std::size_t frame, std::size_t bin) const { return level[frame * bins + bin]; }
};

// The spectrogram of x; frames cover the signal from 0 to its end, the window padded with
// silence past both ends. An empty or silent signal gives levels of 0.
Spectrogram spectrogram(std::span<const double> x, const SpectrogramSettings& settings);

// A Gaussian window of n points, 1 in the middle, falling to 0 at the edges (from about -52 dB).
std::vector<double> gaussian_window(std::size_t n);

// The frame of x centred on sample centre (0-based), weighted by window (of odd length), into
// into[0 .. window.size()); samples outside x count as silence.
void windowed_frame(std::span<const double> x, long long centre, std::span<const double> window, double* into);

}  // namespace quelvara::inspection
