#pragma once
// Measures of a synthesised voice, taken on its samples (22050 per second): joins, stop
// closures, voiceless fricatives and pitch. The report tool and the builder's tests share them.
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "prosody/planning.h"
#include "synthesis/analysis.h"

namespace quelvara::tools {

inline constexpr double sample_rate = 22050;

// How far apart the sound is just before and just after a point: the RMS difference, in dB,
// between the smoothed log spectra (cepstrally smoothed, so that harmonics do not count) of
// the 20 ms before and the 20 ms after it, over 50 Hz to 8 kHz. Silence sits at a floor
// 100 dB under full scale. The point needs 20 ms of signal on each side.
inline constexpr std::size_t spectral_frame = 441;
double spectral_distance(std::span<const double> x, std::size_t point);

// The smoothed log spectrum (dB) of x[first, first + spectral_frame), and the RMS difference
// of two such spectra over 50 Hz to 8 kHz.
std::vector<double> smoothed_spectrum(std::span<const double> x, std::size_t first);
double spectrum_distance(const std::vector<double>& a, const std::vector<double>& b);

struct Stretch {
  std::size_t first = 0;  // first sample
  std::size_t last = 0;   // one past the last
  std::size_t length() const { return last - first; }
};

// Stop closures: runs of exact zeros of at least 10 ms between the first and the last
// non-zero sample.
std::vector<Stretch> closures(std::span<const double> x);

// Voiceless fricatives: stretches of at least 20 ms where the signal is noise, told by its
// zero-crossing rate over 10 ms, and not silent.
std::vector<Stretch> noise_stretches(std::span<const double> x);

// Where a sample of the analysed signal lands in the resynthesised one: carried linearly
// between the analysis marks of the plan and the synthesis marks that stand for them.
double output_position(const prosody::Plan& plan, double sample);

// The voiceless fricatives ([s], [S], [f]) of a synthesised text: for each one the text holds,
// the noise stretch of the output that covers the middle of the phone (where its two units
// meet, carried through the plan); nullopt when no noise stretch covers it.
std::vector<std::optional<Stretch>> voiceless_fricatives(const synthesis::Analysis& analysis,
                                                         const prosody::Plan& plan,
                                                         std::span<const double> sinal);

// F0 of each clearly periodic 40 ms frame, 10 ms apart, by normalised autocorrelation; the
// shortest lag that comes close to the best one wins, so that a period multiple is not taken
// for the period. Frames whose best correlation is under 0.8 are left out.
struct PitchFrame {
  std::size_t centre = 0;
  double f0 = 0;
};
std::vector<PitchFrame> pitch_track(std::span<const double> x);

double median(std::vector<double> values);

}  // namespace quelvara::tools
