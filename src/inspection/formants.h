#pragma once
// Formant tracks of a signal at 22050 samples per second, by linear prediction (Burg's method):
// each frame is halved in rate, pre-emphasised and windowed, its all-pole model is fitted and
// the poles' angles give the formants.
#include <array>
#include <cstddef>
#include <span>
#include <vector>

namespace quelvara::inspection {

struct FormantSettings {
  int poles = 12;                // order of the model: a male voice has some six formants below 5512 Hz
  double window_s = 0.025;       // effective length of the Gaussian window; it spans twice that
  double time_step_s = 0.01;     // between frame centres
  double pre_emphasis_hz = 50;   // the spectrum is tilted up by 6 dB per octave above this
  double dynamic_range_db = 30;  // frames this far below the loudest frame get no formants
};

struct FormantFrame {
  double time = 0;              // seconds, the frame's centre
  std::array<double, 3> hz{};   // F1, F2, F3; 0 where the frame has fewer
};

// One frame every time_step_s from 0 that is loud enough; frames too quiet are left out.
std::vector<FormantFrame> formant_tracks(std::span<const double> x, const FormantSettings& settings = {});

// The prediction coefficients a(1..order) of Burg's method for x, so that x[n] is predicted
// as -(a1 x[n-1] + ... + ap x[n-p]); empty when x is shorter than order + 1 or silent.
std::vector<double> burg(std::span<const double> x, int order);

// The frequencies (Hz, ascending) of the complex pole pairs of 1 + a1 z^-1 + ... + ap z^-p at
// rate, between 50 Hz and rate/2 - 50 Hz, whose bandwidth is below max_bandwidth_hz.
std::vector<double> pole_frequencies(std::span<const double> a, double rate, double max_bandwidth_hz);

}  // namespace quelvara::inspection
