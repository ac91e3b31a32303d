#include "inspection/spectrogram.h"

#include <fftw3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>

#include "inspection/snapshot.h"

namespace quelvara::inspection {

namespace {

// The FFT of one real frame of n points, planned once for all frames of a spectrogram. The
// planner is not thread-safe; the program computes spectrograms on one thread.
class RealFft {
 public:
  explicit RealFft(std::size_t n)
      : n_(n),
        in_(fftw_alloc_real(n), fftw_free),
        out_(fftw_alloc_complex(n / 2 + 1), fftw_free),
        plan_(fftw_plan_dft_r2c_1d(static_cast<int>(n), in_.get(), out_.get(), FFTW_ESTIMATE), fftw_destroy_plan) {}
  double* input() { return in_.get(); }
  // |X(k)|^2 of the input, for k = 0 .. bins - 1.
  void power(std::size_t bins, float* into) {
    fftw_execute(plan_.get());
    for (std::size_t k = 0; k < bins; ++k) into[k] = static_cast<float>(out_.get()[k][0] * out_.get()[k][0] + out_.get()[k][1] * out_.get()[k][1]);
  }
  std::size_t size() const { return n_; }

 private:
  std::size_t n_;
  std::unique_ptr<double, decltype(&fftw_free)> in_;
  std::unique_ptr<fftw_complex, decltype(&fftw_free)> out_;
  std::unique_ptr<std::remove_pointer_t<fftw_plan>, decltype(&fftw_destroy_plan)> plan_;
};

}  // namespace

SpectrogramSettings wideband_settings() { return {}; }

SpectrogramSettings narrowband_settings() {
  SpectrogramSettings s;
  s.window_s = 0.030;
  s.time_step_s = 0.0025;
  return s;
}

std::vector<double> gaussian_window(std::size_t n) {
  std::vector<double> w(n);
  const double edge = std::exp(-12.0);
  for (std::size_t i = 0; i < n; ++i) {
    const double phase = (static_cast<double>(i) + 0.5) / static_cast<double>(n) - 0.5;
    w[i] = (std::exp(-48.0 * phase * phase) - edge) / (1 - edge);
  }
  return w;
}

void windowed_frame(std::span<const double> x, long long centre, std::span<const double> window, double* into) {
  const long long first = centre - static_cast<long long>(window.size() / 2);
  for (std::size_t i = 0; i < window.size(); ++i) {
    const long long k = first + static_cast<long long>(i);
    into[i] = k >= 0 && k < static_cast<long long>(x.size()) ? x[static_cast<std::size_t>(k)] * window[i] : 0.0;
  }
}

Spectrogram spectrogram(std::span<const double> x, const SpectrogramSettings& settings) {
  Spectrogram out;
  const auto span = static_cast<std::size_t>(std::lround(2 * settings.window_s * sample_rate)) | 1;  // odd: centred
  // Zero-padded to at least 512 points, so that wideband bands are drawn finer than 86 Hz.
  const std::size_t fft_size = std::bit_ceil(std::max<std::size_t>(span, 512));
  RealFft fft(fft_size);
  out.time_step = settings.time_step_s;
  out.bin_hz = sample_rate / static_cast<double>(fft_size);
  out.bins = std::min(fft_size / 2 + 1, static_cast<std::size_t>(std::floor(settings.max_hz / out.bin_hz)) + 1);
  const double duration = static_cast<double>(x.size()) / sample_rate;
  out.frames = x.empty() ? 0 : static_cast<std::size_t>(std::floor(duration / out.time_step)) + 1;

  const std::vector<double> window = gaussian_window(span);
  std::vector<float> power(out.frames * out.bins);
  double* in = fft.input();
  for (std::size_t f = 0; f < out.frames; ++f) {
    const auto centre = static_cast<long long>(std::lround(static_cast<double>(f) * out.time_step * sample_rate));
    windowed_frame(x, centre, window, in);
    std::fill(in + span, in + fft_size, 0.0);
    fft.power(out.bins, power.data() + f * out.bins);
  }

  const float loudest = power.empty() ? 0.0f : *std::max_element(power.begin(), power.end());
  out.level.assign(power.size(), 0);
  if (!(loudest > 0)) return out;
  // Level 255 at the loudest, 0 at dynamic_range_db below it; powers compared in dB.
  const double floor_ratio = std::pow(10.0, -settings.dynamic_range_db / 10);
  const double scale = 255 / settings.dynamic_range_db;
  for (std::size_t i = 0; i < power.size(); ++i) {
    const double ratio = power[i] / loudest;
    if (ratio <= floor_ratio) continue;
    const double db = 10 * std::log10(ratio);
    out.level[i] = static_cast<std::uint8_t>(std::clamp(std::lround((db + settings.dynamic_range_db) * scale), 0L, 255L));
  }
  return out;
}

}  // namespace quelvara::inspection
