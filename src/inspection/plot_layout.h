#pragma once
// Where the analysis picture puts things: the label strips, the joined signal above, the band
// of mark-to-mark lines, the result below, the pitch panel, the time axis and the status line;
// and the mapping between time, frequency and pixels. Pixels count from the top left.
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

struct PlotLayout {
  Box diphone_labels, phone_labels, orig, links, sinal, pitch, time_axis, status;
  double start = 0, end = 1;  // seconds shown, left edge to right edge
  double hz_top = 400;        // frequency at the top of the pitch panel; its bottom is 0 Hz

  // Pixel column of a time (the left edge of the plots is at start).
  double x_of(double time) const { return orig.left + (time - start) / (end - start) * orig.width; }
  double time_of(double x) const { return start + (x - orig.left) / orig.width * (end - start); }
  double pitch_y(double hz) const { return pitch.bottom() - hz / hz_top * pitch.height; }
  // A sample value (-1 to 1 fills the panel) in a signal panel.
  static double value_y(const Box& panel, double value) { return panel.middle() - value * panel.height / 2; }
};

// The layout of a picture width x height pixels showing start to end seconds, with a pitch
// panel reaching hz_top.
PlotLayout plot_layout(double width, double height, double start, double end, double hz_top);

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
