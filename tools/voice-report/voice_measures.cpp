#include "voice_measures.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace quelvara::tools {
namespace {

using Complex = std::complex<double>;
constexpr std::size_t fft_size = 1024;
constexpr std::size_t lifter = 30;  // quefrencies kept: well under the 170-sample period
constexpr double power_floor = 1e-6;

// In-place radix-2 transform; inverse without the 1/n scale.
void fft(std::vector<Complex>& a, bool inverse) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const double angle = 2 * std::numbers::pi / static_cast<double>(len) * (inverse ? 1 : -1);
    const Complex step(std::cos(angle), std::sin(angle));
    for (std::size_t i = 0; i < n; i += len) {
      Complex w(1);
      for (std::size_t k = 0; k < len / 2; ++k) {
        const Complex u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

}  // namespace

// Cepstrally smoothed log power spectrum, in dB re a full-scale sine.
std::vector<double> smoothed_spectrum(std::span<const double> x, std::size_t first) {
  std::vector<Complex> a(fft_size);
  double window_sum = 0;
  for (std::size_t k = 0; k < spectral_frame; ++k) {
    const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(k) + 0.5) /
                                          static_cast<double>(spectral_frame));
    a[k] = x[first + k] * w;
    window_sum += w;
  }
  fft(a, false);
  const double scale = 2.0 / window_sum;
  for (auto& v : a) v = 10 * std::log10(std::norm(v * scale) + power_floor);
  fft(a, true);  // cepstrum (times fft_size)
  for (std::size_t q = lifter + 1; q < fft_size - lifter; ++q) a[q] = 0;
  fft(a, false);
  std::vector<double> spectrum(fft_size / 2);
  for (std::size_t k = 0; k < spectrum.size(); ++k) spectrum[k] = a[k].real() / static_cast<double>(fft_size);
  return spectrum;
}

double spectral_distance(std::span<const double> x, std::size_t point) {
  if (point < spectral_frame || point + spectral_frame > x.size()) return 0;
  return spectrum_distance(smoothed_spectrum(x, point - spectral_frame), smoothed_spectrum(x, point));
}

double spectrum_distance(const std::vector<double>& before, const std::vector<double>& after) {
  const double bin = sample_rate / static_cast<double>(fft_size);
  double sum = 0;
  std::size_t count = 0;
  for (std::size_t k = 0; k < before.size(); ++k) {
    const double f = static_cast<double>(k) * bin;
    if (f < 50 || f > 8000) continue;
    sum += (before[k] - after[k]) * (before[k] - after[k]);
    ++count;
  }
  return std::sqrt(sum / static_cast<double>(count));
}

std::vector<Stretch> closures(std::span<const double> x) {
  constexpr std::size_t shortest = 220;  // 10 ms
  std::vector<Stretch> found;
  const auto first_sound = std::find_if(x.begin(), x.end(), [](double v) { return v != 0; });
  if (first_sound == x.end()) return found;
  const std::size_t begin = static_cast<std::size_t>(first_sound - x.begin());
  std::size_t end = x.size();
  while (x[end - 1] == 0) --end;
  for (std::size_t k = begin; k < end;) {
    if (x[k] != 0) {
      ++k;
      continue;
    }
    std::size_t run = k;
    while (run < end && x[run] == 0) ++run;
    if (run - k >= shortest) found.push_back({k, run});
    k = run;
  }
  return found;
}

std::vector<Stretch> noise_stretches(std::span<const double> x) {
  constexpr std::size_t half = 110;          // 10 ms window
  constexpr double noisy_crossings = 0.27;   // crossings per sample
  constexpr double quietest = 1e-4;          // RMS under which a stretch is silence
  constexpr std::size_t bridged = 110;       // 5 ms gaps are bridged
  constexpr std::size_t shortest = 441;      // 20 ms
  const std::size_t n = x.size();
  std::vector<bool> noisy(n, false);
  if (n > 2 * half + 1) {
    for (std::size_t k = half; k + half < n; ++k) {
      std::size_t crossings = 0;
      double energy = 0;
      for (std::size_t j = k - half; j < k + half; ++j) {
        crossings += (x[j] >= 0) != (x[j + 1] >= 0);
        energy += x[j] * x[j];
      }
      const double rate = static_cast<double>(crossings) / static_cast<double>(2 * half);
      noisy[k] = rate >= noisy_crossings && std::sqrt(energy / static_cast<double>(2 * half)) > quietest;
    }
  }
  std::vector<Stretch> runs;
  for (std::size_t k = 0; k < n;) {
    if (!noisy[k]) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < n && noisy[end]) ++end;
    if (!runs.empty() && k - runs.back().last <= bridged) {
      runs.back().last = end;
    } else {
      runs.push_back({k, end});
    }
    k = end;
  }
  std::erase_if(runs, [](const Stretch& s) { return s.length() < shortest; });
  return runs;
}

double output_position(const prosody::Plan& plan, double sample) {
  std::vector<double> a, s;
  for (std::size_t k = 0; k < plan.analysis_marks.size(); ++k)
    if (plan.analysis_marks[k] != 0) a.push_back(static_cast<double>(k));
  for (std::size_t k = 0; k < plan.synthesis_marks.size(); ++k)
    if (plan.synthesis_marks[k] != 0) s.push_back(static_cast<double>(k));
  const std::size_t n = std::min(a.size(), s.size());
  if (n == 0 || sample < a[0]) return sample;
  for (std::size_t i = 0; i + 1 < n; ++i)
    if (sample < a[i + 1]) return s[i] + (sample - a[i]) * (s[i + 1] - s[i]) / (a[i + 1] - a[i]);
  return s[n - 1] + (sample - a[n - 1]);
}

std::vector<std::optional<Stretch>> voiceless_fricatives(const synthesis::Analysis& analysis,
                                                         const prosody::Plan& plan,
                                                         std::span<const double> sinal) {
  constexpr double reach = 220;  // a stretch ending within 10 ms of the point still counts
  const auto stretches = noise_stretches(sinal);
  std::vector<std::optional<Stretch>> found;
  std::size_t join = 0;
  const auto& diphones = analysis.reading.diphones;
  for (std::size_t u = 0; u + 1 < analysis.joined.limdf.size() && u + 1 < diphones.size(); ++u) {
    join += analysis.joined.limdf[u];
    const std::string& phone = diphones[u].fone2;
    if (phone != "s" && phone != "S" && phone != "f") continue;
    const double at = output_position(plan, static_cast<double>(join));
    std::optional<Stretch> covering;
    for (const auto& stretch : stretches)
      if (static_cast<double>(stretch.first) - reach <= at && at <= static_cast<double>(stretch.last) + reach)
        covering = stretch;
    found.push_back(covering);
  }
  return found;
}

std::vector<PitchFrame> pitch_track(std::span<const double> x) {
  constexpr std::size_t frame = 882, hop = 220, shortest = 40, longest = 420;
  std::vector<PitchFrame> track;
  std::vector<double> r(longest + 1);
  for (std::size_t start = 0; start + frame + longest <= x.size(); start += hop) {
    std::fill(r.begin(), r.end(), 0.0);
    for (std::size_t lag = shortest; lag <= longest; ++lag) {
      double xy = 0, xx = 0, yy = 0;
      for (std::size_t k = start; k < start + frame; ++k) {
        xy += x[k] * x[k + lag];
        xx += x[k] * x[k];
        yy += x[k + lag] * x[k + lag];
      }
      r[lag] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0;
    }
    const double best = *std::max_element(r.begin(), r.end());
    if (best < 0.8) continue;
    for (std::size_t lag = shortest + 1; lag < longest; ++lag) {
      if (r[lag] < 0.95 * best || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) continue;
      const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
      const double shift = (a - 2 * b + c) != 0 ? 0.5 * (a - c) / (a - 2 * b + c) : 0;
      track.push_back({start + frame / 2, sample_rate / (static_cast<double>(lag) + shift)});
      break;
    }
  }
  return track;
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace quelvara::tools
