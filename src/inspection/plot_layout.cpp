#include "inspection/plot_layout.h"

#include <algorithm>
#include <cmath>

namespace quelvara::inspection {

PlotLayout plot_layout(double width, double height, double start, double end, double hz_top,
                       const PlotOptions& options) {
  constexpr double margin_left = 66, margin_right = 10, strip = 16, links = 30, gap = 10, axis = 18, status = 20;
  PlotLayout p;
  p.start = start;
  p.end = end > start ? end : start + 1;
  p.hz_top = hz_top > 0 ? hz_top : 400;
  p.semitones = options.semitones;
  const double w = std::max(1.0, width - margin_left - margin_right);
  const double free = std::max(30.0, height - 4 - 3 * strip - links - gap - axis - status - 4);
  // Shares of the free height: each signal, each spectrogram, and the pitch panel the rest.
  const double signal = std::floor(free * (options.spectrograms ? 0.14 : 0.34));
  const double spectrum = options.spectrograms ? std::floor(free * 0.19) : 0;
  const double pitch = free - 2 * signal - 2 * spectrum;
  double y = 4;
  const auto next = [&](double h) {
    Box b{margin_left, y, w, h};
    y += h;
    return b;
  };
  p.diphone_labels = next(strip);
  p.phone_labels = next(strip);
  p.orig = next(signal);
  p.orig_spectrum = next(spectrum);
  p.links = next(links);
  p.sinal = next(signal);
  p.sinal_spectrum = next(spectrum);
  p.result_phones = next(strip);
  y += gap;
  p.pitch = next(pitch);
  p.time_axis = next(axis);
  p.status = Box{4, y, std::max(1.0, width - 8), status};
  return p;
}

double pitch_scale(double highest) { return std::max(200.0, std::ceil(highest * 1.1 / 50) * 50); }

std::vector<ColumnExtremes> column_extremes(std::span<const double> x, double first, double per_column,
                                            std::size_t columns) {
  std::vector<ColumnExtremes> out(columns);
  if (x.empty() || per_column <= 0) return out;
  const auto n = static_cast<double>(x.size());
  for (std::size_t c = 0; c < columns; ++c) {
    const double from = std::floor(first + static_cast<double>(c) * per_column);
    double to = std::floor(first + static_cast<double>(c + 1) * per_column);
    if (to <= from) to = from + 1;  // zoomed in past one sample per column: its own sample
    const double begin = std::max(0.0, from), stop = std::min(n, to);
    if (stop <= begin) continue;
    const auto b = static_cast<std::size_t>(begin), e = static_cast<std::size_t>(stop);
    const auto [low, high] = std::minmax_element(x.begin() + static_cast<std::ptrdiff_t>(b),
                                                 x.begin() + static_cast<std::ptrdiff_t>(e));
    out[c] = {static_cast<float>(*low), static_cast<float>(*high), false};
  }
  return out;
}

}  // namespace quelvara::inspection
