// Spectrograms and formant tracks: on signals whose spectrum is known, and on the voice.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "inspection/formants.h"
#include "inspection/record_of_run.h"
#include "inspection/spectrogram.h"
#include "road/road.h"
#include "runtime/mat_file.h"

namespace quelvara::inspection {
namespace {

constexpr double fs = sample_rate;

std::vector<double> tone(double hz, double seconds) {
  std::vector<double> x(static_cast<std::size_t>(seconds * fs));
  for (std::size_t k = 0; k < x.size(); ++k) x[k] = 0.5 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(k) / fs);
  return x;
}

// The textbook source-filter vowel: a pulse train at f0 whose spectrum falls by 6 dB per octave,
// as a voice's source and lip radiation do, through resonators at the formants (bandwidth 80 Hz).
std::vector<double> vowel(double f0, std::vector<double> formants, double seconds) {
  std::vector<double> x(static_cast<std::size_t>(seconds * fs), 0.0);
  for (double t = 0; t < seconds; t += 1 / f0) x[static_cast<std::size_t>(t * fs)] = 1;
  double previous = 0;
  for (double& v : x) previous = v += 0.97 * previous;
  for (double f : formants) {
    const double r = std::exp(-std::numbers::pi * 80 / fs), c = 2 * r * std::cos(2 * std::numbers::pi * f / fs);
    double y1 = 0, y2 = 0;
    for (double& v : x) {
      const double y = v + c * y1 - r * r * y2;
      y2 = y1;
      y1 = y;
      v = y;
    }
  }
  const double peak = std::abs(*std::max_element(x.begin(), x.end(), [](double a, double b) { return std::abs(a) < std::abs(b); }));
  for (double& v : x) v *= 0.5 / peak;
  return x;
}

std::size_t loudest_bin(const Spectrogram& s, std::size_t frame) {
  std::size_t best = 0;
  for (std::size_t b = 1; b < s.bins; ++b)
    if (s.at(frame, b) > s.at(frame, best)) best = b;
  return best;
}

TEST(Spectrogram, ATonePeaksAtItsFrequencyAndLeavesTheRestBelowTheRange) {
  const auto x = tone(1000, 0.5);
  for (const auto& settings : {wideband_settings(), narrowband_settings()}) {
    const Spectrogram s = spectrogram(x, settings);
    EXPECT_EQ(s.frames, static_cast<std::size_t>(std::floor(0.5 / settings.time_step_s)) + 1);
    EXPECT_NEAR(static_cast<double>(s.bins - 1) * s.bin_hz, 5000, s.bin_hz);
    const std::size_t middle = s.frames / 2;
    EXPECT_NEAR(static_cast<double>(loudest_bin(s, middle)) * s.bin_hz, 1000, s.bin_hz);
    EXPECT_GE(s.at(middle, loudest_bin(s, middle)), 250);
    EXPECT_EQ(s.at(middle, static_cast<std::size_t>(3000 / s.bin_hz)), 0) << settings.window_s;
  }
}

TEST(Spectrogram, SilenceAndNothingGiveNoLevels) {
  const Spectrogram quiet = spectrogram(std::vector<double>(2205, 0.0), wideband_settings());
  EXPECT_GT(quiet.frames, 0u);
  EXPECT_TRUE(std::all_of(quiet.level.begin(), quiet.level.end(), [](auto v) { return v == 0; }));
  EXPECT_EQ(spectrogram({}, wideband_settings()).frames, 0u);
}

// The two views of a 130 Hz voice: narrowband shows the harmonics as lines (peaks at k x 130 Hz
// with dips between), wideband shows the periods as striations (a level that beats in time).
TEST(Spectrogram, NarrowbandResolvesHarmonicsAndWidebandResolvesPeriods) {
  const auto x = vowel(130, {700, 1200, 2600}, 0.5);
  const Spectrogram narrow = spectrogram(x, narrowband_settings());
  const std::size_t f = narrow.frames / 2;
  const auto level = [&](double hz) { return narrow.at(f, static_cast<std::size_t>(std::lround(hz / narrow.bin_hz))); };
  for (int k = 4; k <= 7; ++k) EXPECT_GT(level(130.0 * k), level(130.0 * k + 65) + 20) << "harmonic " << k;

  const Spectrogram wide = spectrogram(x, wideband_settings());
  const auto bin = static_cast<std::size_t>(700 / wide.bin_hz);
  int lowest = 255, highest = 0;
  for (std::size_t g = wide.frames / 3; g < wide.frames / 3 + 8; ++g) {  // 10 ms: more than a period
    lowest = std::min<int>(lowest, wide.at(g, bin));
    highest = std::max<int>(highest, wide.at(g, bin));
  }
  EXPECT_GT(highest - lowest, 25);
}

TEST(Formants, BurgRecoversASecondOrderProcess) {
  // x[n] = 1.6 x[n-1] - 0.9 x[n-2] + noise: coefficients a1 = -1.6, a2 = 0.9.
  std::vector<double> x(4000);
  unsigned seed = 1;
  for (std::size_t n = 2; n < x.size(); ++n) {
    seed = seed * 1103515245u + 12345u;
    const double noise = static_cast<double>(seed >> 16 & 0x7fff) / 32768.0 - 0.5;
    x[n] = 1.6 * x[n - 1] - 0.9 * x[n - 2] + noise;
  }
  const auto a = burg(x, 2);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_NEAR(a[0], -1.6, 0.02);
  EXPECT_NEAR(a[1], 0.9, 0.02);
  EXPECT_TRUE(burg(std::vector<double>(2, 1.0), 2).empty());
  EXPECT_TRUE(burg(std::vector<double>(100, 0.0), 2).empty());
}

double median_of(std::vector<double> v) {
  if (v.empty()) return 0;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

// Medians of F1 and F2 over the frames from first to last seconds.
std::pair<double, double> f1_f2(const std::vector<FormantFrame>& frames, double first, double last) {
  std::vector<double> f1, f2;
  for (const auto& f : frames)
    if (f.time >= first && f.time <= last) {
      f1.push_back(f.hz[0]);
      f2.push_back(f.hz[1]);
    }
  return {median_of(f1), median_of(f2)};
}

TEST(Formants, TracksFollowTheResonancesOfASyntheticVowel) {
  const std::vector<std::vector<double>> vowels = {{700, 1200, 2600}, {300, 2200, 3000}, {350, 800, 2400}};
  for (const auto& formants : vowels) {
    const auto frames = formant_tracks(vowel(120, formants, 0.4));
    const auto [f1, f2] = f1_f2(frames, 0.1, 0.3);
    EXPECT_NEAR(f1, formants[0], 0.1 * formants[0]) << formants[0] << " " << formants[1];
    EXPECT_NEAR(f2, formants[1], 0.1 * formants[1]) << formants[0] << " " << formants[1];
  }
  EXPECT_TRUE(formant_tracks(std::vector<double>(4410, 0.0)).empty());
}

// The voice of the built database: F1 and F2 in the middle of a, i and u fall in the ranges
// that phonetics textbooks give for a male speaker of European Portuguese.
TEST(Formants, VowelsOfTheBuiltDatabaseLieInTextbookRanges) {
  const std::filesystem::path app = QUELVARA_APP_DIR;
  if (!std::filesystem::exists(app / "bd-index.txt")) GTEST_SKIP() << "the build made no default database";
  struct Vowel {
    const char* text;
    double f1_low, f1_high, f2_low, f2_high;
  };
  for (const Vowel& v : {Vowel{"_pa_.", 600, 1000, 1100, 1700}, Vowel{"_pi_.", 200, 400, 1900, 2600},
                         Vowel{"_pu_.", 250, 450, 600, 1100}}) {
    const road::Mode mode = road::FactorMode{1};
    const auto run = road::run_road(v.text, mode, runtime::read_unit_file, app);
    ASSERT_EQ(run.analysis.status, synthesis::Analysis::Status::ok) << v.text;
    const Snapshot s = snapshot_of(run, mode);
    const auto phones = phone_intervals(s);
    ASSERT_EQ(phones.size(), 4u);
    const Interval& vowel_interval = phones[2];
    const double quarter = (vowel_interval.end - vowel_interval.start) / 4;
    const auto [f1, f2] = f1_f2(formant_tracks(s.orig), vowel_interval.start + quarter, vowel_interval.end - quarter);
    EXPECT_GE(f1, v.f1_low) << v.text;
    EXPECT_LE(f1, v.f1_high) << v.text;
    EXPECT_GE(f2, v.f2_low) << v.text;
    EXPECT_LE(f2, v.f2_high) << v.text;
  }
}

}  // namespace
}  // namespace quelvara::inspection
