#pragma once
// Where the analysis picture puts things: the label strips, the joined signal above with its
// spectrogram, the band of mark-to-mark lines, the result below with its spectrogram and its
// phones, the pitch panel, the time axis and the status line; and the mapping between time,
// frequency and pixels. Pixels count from the top left.
#include <cmath>
#include <cstddef>
#include <span>
#include <vector>

namespace quelvara::inspection {

struct Box {
  double left = 0, top = 0, width = 0, height = 0;
  double bottom() const { return top + height; }
  double right() const { return left + width; }
  double middle() const { return top + height / 2; }
};

// Pitch on a semitone scale counts from this frequency.
inline constexpr double semitone_reference_hz = 100;
inline double semitones(double hz) { return 12 * std::log2(hz / semitone_reference_hz); }
inline double hz_of_semitones(double st) { return semitone_reference_hz * std::exp2(st / 12); }

struct PlotOptions {
  bool spectrograms = true;  // a spectrogram panel under each signal
  bool semitones = false;    // the pitch panel in semitones from semitone_hz_bottom, else in Hz from 0
};
inline constexpr double semitone_hz_bottom = 50;

struct PlotLayout {
  // The spectrogram panels have no height without spectrograms.
  Box diphone_labels, phone_labels, orig, orig_spectrum, links, sinal, sinal_spectrum, result_phones, pitch,
      time_axis, status;
  double start = 0, end = 1;  // seconds shown, left edge to right edge
  double hz_top = 400;        // frequency at the top of the pitch panel
  bool semitones = false;

  // Pixel column of a time (the left edge of the plots is at start).
  double x_of(double time) const { return orig.left + (time - start) / (end - start) * orig.width; }
  double time_of(double x) const { return start + (x - orig.left) / orig.width * (end - start); }
  // The pitch panel's row of a frequency, and the frequency of a row.
  double pitch_y(double hz) const {
    if (!semitones) return pitch.bottom() - hz / hz_top * pitch.height;
    const double low = inspection::semitones(semitone_hz_bottom);
    return pitch.bottom() - (inspection::semitones(hz) - low) / (inspection::semitones(hz_top) - low) * pitch.height;
  }
  double pitch_hz(double y) const {
    const double share = (pitch.bottom() - y) / pitch.height;
    if (!semitones) return share * hz_top;
    const double low = inspection::semitones(semitone_hz_bottom);
    return hz_of_semitones(low + share * (inspection::semitones(hz_top) - low));
  }
  // A sample value (-1 to 1 fills the panel) in a signal panel.
  static double value_y(const Box& panel, double value) { return panel.middle() - value * panel.height / 2; }
};

// The layout of a picture width x height pixels showing start to end seconds, with a pitch
// panel reaching hz_top.
PlotLayout plot_layout(double width, double height, double start, double end, double hz_top,
                       const PlotOptions& options = {});

// A frequency scale that holds highest with some room, in steps of 50 Hz, at least 200 Hz.
double pitch_scale(double highest);

// The lowest and highest sample of each pixel column. Column c covers the samples from
// first + c * per_column up to first + (c + 1) * per_column (0-based, fractional bounds
// rounded down); a column that holds no sample of x is marked empty.
struct ColumnExtremes {
  float low = 0, high = 0;
  bool empty = true;
};
std::vector<ColumnExtremes> column_extremes(std::span<const double> x, double first, double per_column,
                                            std::size_t columns);

}  // namespace quelvara::inspection
