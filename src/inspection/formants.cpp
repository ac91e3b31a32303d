#include "inspection/formants.h"

#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "inspection/snapshot.h"
#include "inspection/spectrogram.h"

namespace quelvara::inspection {

namespace {

constexpr double half_rate = sample_rate / 2;
// Candidates wider than this are the model's fill between formants, not resonances.
constexpr double widest_formant_hz = 700;

// x at half the rate, low-passed below the new Nyquist frequency by a windowed sinc, so that
// the poles spread over 0 to 5512 Hz, where a voice's formants lie.
std::vector<double> halved(std::span<const double> x) {
  constexpr int taps = 31;  // each side of the centre
  static const std::vector<double> kernel = [] {
    std::vector<double> h(2 * taps + 1);
    const double cutoff = 0.45;  // of the original rate's half, a little below the new Nyquist
    for (int i = -taps; i <= taps; ++i) {
      const double sinc = i == 0 ? cutoff : std::sin(std::numbers::pi * cutoff * i) / (std::numbers::pi * i);
      const double hann = 0.5 + 0.5 * std::cos(std::numbers::pi * i / (taps + 1));
      h[static_cast<std::size_t>(i + taps)] = sinc * hann;
    }
    return h;
  }();
  std::vector<double> y((x.size() + 1) / 2);
  for (std::size_t m = 0; m < y.size(); ++m) {
    const auto centre = static_cast<long long>(2 * m);
    double sum = 0;
    for (int i = -taps; i <= taps; ++i) {
      const long long k = centre + i;
      if (k >= 0 && k < static_cast<long long>(x.size())) sum += kernel[static_cast<std::size_t>(i + taps)] * x[static_cast<std::size_t>(k)];
    }
    y[m] = sum;
  }
  return y;
}

}  // namespace

std::vector<double> burg(std::span<const double> x, int order) {
  const std::size_t n = x.size();
  if (order < 1 || n <= static_cast<std::size_t>(order)) return {};
  // Forward and backward prediction errors, updated in place stage by stage.
  std::vector<double> f(x.begin(), x.end()), b(x.begin(), x.end());
  std::vector<double> a(static_cast<std::size_t>(order) + 1, 0.0), previous;
  a[0] = 1;
  for (std::size_t k = 1; k <= static_cast<std::size_t>(order); ++k) {
    double num = 0, den = 0;
    for (std::size_t i = k; i < n; ++i) {
      num += f[i] * b[i - 1];
      den += f[i] * f[i] + b[i - 1] * b[i - 1];
    }
    if (!(den > 0)) return {};
    const double mu = -2 * num / den;
    previous = a;
    for (std::size_t i = 1; i <= k; ++i) a[i] = previous[i] + mu * previous[k - i];
    for (std::size_t i = n - 1; i >= k; --i) {
      const double fi = f[i];
      f[i] = fi + mu * b[i - 1];
      b[i] = b[i - 1] + mu * fi;
    }
  }
  return {a.begin() + 1, a.end()};
}

std::vector<double> pole_frequencies(std::span<const double> a, double rate, double max_bandwidth_hz) {
  const auto p = static_cast<Eigen::Index>(a.size());
  if (p == 0) return {};
  // The roots of z^p + a1 z^(p-1) + ... + ap are the eigenvalues of its companion matrix.
  Eigen::MatrixXd companion = Eigen::MatrixXd::Zero(p, p);
  for (Eigen::Index j = 0; j < p; ++j) companion(0, j) = -a[static_cast<std::size_t>(j)];
  for (Eigen::Index i = 1; i < p; ++i) companion(i, i - 1) = 1;
  const Eigen::EigenSolver<Eigen::MatrixXd> solver(companion, false);
  if (solver.info() != Eigen::Success) return {};
  std::vector<double> out;
  for (const auto& root : solver.eigenvalues()) {
    if (root.imag() <= 0) continue;  // one of each conjugate pair; real poles shape the tilt
    const double hz = std::arg(root) * rate / (2 * std::numbers::pi);
    // A pole outside the unit circle stands for its mirror image inside, of the same width.
    const double radius = std::abs(root) > 1 ? 1 / std::abs(root) : std::abs(root);
    const double bandwidth = -std::log(radius) * rate / std::numbers::pi;
    if (hz > 50 && hz < rate / 2 - 50 && bandwidth < max_bandwidth_hz) out.push_back(hz);
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<FormantFrame> formant_tracks(std::span<const double> x, const FormantSettings& settings) {
  std::vector<FormantFrame> out;
  if (x.empty()) return out;
  std::vector<double> y = halved(x);
  // Pre-emphasis, from the last sample back so that each uses its unchanged neighbour.
  const double alpha = std::exp(-2 * std::numbers::pi * settings.pre_emphasis_hz / half_rate);
  for (std::size_t i = y.size() - 1; i > 0; --i) y[i] -= alpha * y[i - 1];

  const auto span = static_cast<std::size_t>(std::lround(2 * settings.window_s * half_rate)) | 1;
  const std::vector<double> window = gaussian_window(span);
  const double duration = static_cast<double>(x.size()) / sample_rate;
  const auto frames = static_cast<std::size_t>(std::floor(duration / settings.time_step_s)) + 1;

  std::vector<double> frame(span);
  // Windows frame f into frame and gives its energy.
  const auto fill = [&](std::size_t f) {
    const auto centre = static_cast<long long>(std::lround(static_cast<double>(f) * settings.time_step_s * half_rate));
    windowed_frame(y, centre, window, frame.data());
    double energy = 0;
    for (double v : frame) energy += v * v;
    return energy;
  };
  std::vector<double> energies(frames);
  for (std::size_t f = 0; f < frames; ++f) energies[f] = fill(f);
  const double loudest = *std::max_element(energies.begin(), energies.end());
  const double quietest = loudest * std::pow(10.0, -settings.dynamic_range_db / 10);
  for (std::size_t f = 0; f < frames; ++f) {
    if (!(energies[f] > quietest)) continue;
    fill(f);
    const auto poles = pole_frequencies(burg(frame, settings.poles), half_rate, widest_formant_hz);
    if (poles.empty()) continue;
    FormantFrame found{static_cast<double>(f) * settings.time_step_s, {}};
    for (std::size_t i = 0; i < poles.size() && i < 3; ++i) found.hz[i] = poles[i];
    out.push_back(found);
  }
  return out;
}

}  // namespace quelvara::inspection
