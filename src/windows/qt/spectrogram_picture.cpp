#include "windows/qt/spectrogram_picture.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quelvara::windows {

double spectrogram_top_hz(const inspection::Spectrogram& s) {
  return s.bins > 1 ? static_cast<double>(s.bins - 1) * s.bin_hz : 1;
}

void draw_spectrogram(QPainter& p, const inspection::PlotLayout& l, const inspection::Box& panel,
                      const inspection::Spectrogram& s) {
  // One image pixel per device pixel, so that the picture stays sharp on a scaled screen.
  const double ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
  const int width = static_cast<int>(panel.width * ratio), height = static_cast<int>(panel.height * ratio);
  if (width <= 0 || height <= 0 || s.frames == 0 || s.bins == 0) return;
  QImage image(width, height, QImage::Format_Grayscale8);
  image.fill(255);
  // The bin of every row, worked out once for all columns.
  const double top = spectrogram_top_hz(s);
  std::vector<std::size_t> bin_of_row(static_cast<std::size_t>(height));
  for (int r = 0; r < height; ++r) {
    const double hz = top * (1 - (r + 0.5) / height);
    bin_of_row[static_cast<std::size_t>(r)] = std::min(s.bins - 1, static_cast<std::size_t>(std::lround(hz / s.bin_hz)));
  }
  const double seconds_per_column = (l.end - l.start) / width;
  std::vector<unsigned> sums(s.bins);
  for (int c = 0; c < width; ++c) {
    const double from = l.start + c * seconds_per_column, to = from + seconds_per_column;
    if (from > static_cast<double>(s.frames - 1) * s.time_step + s.time_step / 2) break;  // past the signal
    auto first = static_cast<long long>(std::ceil(from / s.time_step));
    auto last = static_cast<long long>(std::ceil(to / s.time_step)) - 1;
    if (last < first) first = last = std::lround((from + to) / 2 / s.time_step);  // zoomed in past the frames
    first = std::clamp<long long>(first, 0, static_cast<long long>(s.frames) - 1);
    last = std::clamp<long long>(last, first, static_cast<long long>(s.frames) - 1);
    const auto count = static_cast<unsigned>(last - first + 1);
    std::fill(sums.begin(), sums.end(), 0u);
    for (auto f = static_cast<std::size_t>(first); f <= static_cast<std::size_t>(last); ++f) {
      const std::uint8_t* frame = s.level.data() + f * s.bins;
      for (std::size_t b = 0; b < s.bins; ++b) sums[b] += frame[b];
    }
    for (int r = 0; r < height; ++r)
      image.scanLine(r)[c] = static_cast<uchar>(255 - sums[bin_of_row[static_cast<std::size_t>(r)]] / count);
  }
  image.setDevicePixelRatio(ratio);
  p.drawImage(QPointF(panel.left, panel.top), image);
}

void draw_formants(QPainter& p, const inspection::PlotLayout& l, const inspection::Box& panel, double top_hz,
                   const std::vector<inspection::FormantFrame>& frames, const QColor& colour) {
  const auto from = std::lower_bound(frames.begin(), frames.end(), l.start,
                                     [](const inspection::FormantFrame& f, double t) { return f.time < t; });
  for (auto it = from; it != frames.end() && it->time <= l.end; ++it) {
    const double x = l.x_of(it->time);
    for (double hz : it->hz) {
      if (hz <= 0 || hz >= top_hz) continue;
      const double y = panel.bottom() - hz / top_hz * panel.height;
      p.fillRect(QRectF(std::floor(x) - 1, std::floor(y) - 1, 3, 3), colour);
    }
  }
}

}  // namespace quelvara::windows
