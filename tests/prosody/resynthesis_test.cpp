#include "prosody/resynthesis.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "prosody/bartlett.h"
#include "prosody/planning.h"
#include "prosody/window_weights.h"
#include "signal_rows.h"

namespace quelvara::prosody {
namespace {

using ::testing::Each;
using ::testing::ElementsAreArray;
using testing::make_rows;
using testing::positions;

std::vector<double> test_signal(std::size_t size) {
  std::vector<double> x(size);
  for (std::size_t i = 0; i < size; ++i) x[i] = 0.6 * std::sin(0.037 * i) + 0.3 * std::cos(0.31 * i);
  return x;
}

// A reproducible stream of whole numbers, each below the bound it is asked with.
struct Draws {
  std::uint64_t state;
  std::size_t operator()(std::size_t below) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state >> 33) % below;
  }
};

std::vector<double> mark_row(std::size_t size, const std::vector<std::size_t>& marks) {
  std::vector<double> row(size, 0.0);
  for (std::size_t mark : marks) row.at(mark - 1) = 1.0;
  return row;
}

// The overlap-add written out with the triangular windows themselves: for each step the first L
// points of the 2L-point window and the last R points of the 2R-point one, sample by sample,
// leaving out what falls outside either row.
std::vector<double> overlap_add_with_windows(const std::vector<double>& x, const std::vector<double>& analysis,
                                             const std::vector<double>& synthesis) {
  std::vector<double> y(synthesis.size(), 0.0);
  const auto a = positions(analysis);
  const auto s = positions(synthesis);
  for (std::size_t i = 0; i + 2 < a.size() && i + 1 < s.size(); ++i) {
    const long left = static_cast<long>(a[i + 1] - a[i]);
    const long right = static_cast<long>(a[i + 2] - a[i + 1]);
    const std::vector<double> wl = bartlett(2.0 * left);
    const std::vector<double> wr = bartlett(2.0 * right);
    std::vector<double> w(wl.begin(), wl.begin() + left);
    w.insert(w.end(), wr.end() - right, wr.end());
    for (long k = 0; k < left + right; ++k) {
      const long in = static_cast<long>(a[i]) + k;
      const long out = static_cast<long>(s[i + 1]) - left + k;
      if (in < 1 || in > static_cast<long>(x.size()) || out < 1 || out > static_cast<long>(y.size())) continue;
      y[out - 1] += x[in - 1] * w[k];
    }
  }
  return y;
}

TEST(CompositeWindow, WeightsAreBitIdenticalToTheTriangularWindows) {
  for (int period = 1; period <= 600; ++period) {
    const std::vector<double> w = bartlett(2.0 * period);
    for (int k = 1; k <= period; ++k) {
      ASSERT_EQ(triangle_value(k - 1.0, 2.0 * period), w[k - 1]) << period << " " << k;
      ASSERT_EQ(triangle_value(period - k, 2.0 * period), w[period + k - 1]) << period << " " << k;
    }
  }
}

TEST(Resynthesize, MatchesTheOverlapAddOfTheTriangularWindowsOnRealPlans) {
  const auto rows = make_rows(4000, {30, 200, 371, 540, 712, 880, 1051, 1400, 1570, 1741, 1910, 2300, 2471, 2640,
                                     2812, 2980, 3151, 3320, 3490, 3660, 3831, 3940},
                              {{1, 20}, {1200, 1350}, {2100, 2250}, {3950, 4000}});
  const std::vector<double> x = test_signal(4000);
  for (const Plan& plan : {plan_factor(rows.pitch, rows.vzmto, 1.3), plan_factor(rows.pitch, rows.vzmto, 0.5),
                           plan_factor(rows.pitch, rows.vzmto, 2.0), plan_contour(rows.pitch, rows.vzmto, '?')}) {
    const Resynthesis result = resynthesize(x, plan.analysis_marks, plan.synthesis_marks);
    EXPECT_EQ(result.sinal.size(), plan.synthesis_marks.size());
    EXPECT_FALSE(result.mark_count_mismatch);
    EXPECT_THAT(result.sinal,
                ElementsAreArray(overlap_add_with_windows(x, plan.analysis_marks, plan.synthesis_marks)));
  }
}

// Periods of every length from 1 up (some of thousands), odd and even, and synthesis marks drawn
// freely, so that segments are cut at either end of both rows at every offset.
TEST(Resynthesize, MatchesTheOverlapAddOfTheTriangularWindowsOnRandomMarks) {
  Draws next{7};
  for (int round = 0; round < 60; ++round) {
    const bool long_periods = round >= 50;  // longer than the windows kept for reuse
    const std::size_t size = long_periods ? 9000 + next(9000) : 50 + next(900);
    const std::vector<double> x = test_signal(size);
    std::vector<std::size_t> a{1 + next(20)}, s{1 + next(40)};
    while (a.back() < size + 30) a.push_back(a.back() + 1 + next(round < 20 ? 9 : long_periods ? 6000 : 140));
    const std::size_t out = 20 + next(size + 100);
    while (s.back() < out) s.push_back(s.back() + 1 + next(150));
    s.back() = out;
    std::erase_if(a, [&](std::size_t m) { return m > size + 1; });
    const auto analysis = mark_row(size + 1, a);
    const auto synthesis = mark_row(out, s);
    const Resynthesis result = resynthesize(x, analysis, synthesis);
    ASSERT_THAT(result.sinal, ElementsAreArray(overlap_add_with_windows(x, analysis, synthesis))) << "round " << round;
  }
}

// The new signal handed out in stretches: joined, they are the whole signal, and no stretch is
// longer than the stretch size, on long signals with synthesis marks that leave gaps
// no step reaches, run past the end or stop short of it.
TEST(ResynthesizeInStretches, StretchesJoinToTheWholeSignalAndStayShort) {
  Draws next{99};
  for (int round = 0; round < 12; ++round) {
    const std::size_t size = 20000 + next(40000);
    const std::vector<double> x = test_signal(size);
    std::vector<std::ptrdiff_t> a{1}, s{1};
    while (a.back() < static_cast<std::ptrdiff_t>(size)) {
      a.push_back(a.back() + 20 + static_cast<std::ptrdiff_t>(next(280)));
    }
    const auto out = static_cast<std::ptrdiff_t>(size / 2 + next(size));
    while (s.size() < a.size() + round % 3 - 1) {
      s.push_back(s.back() + 10 + static_cast<std::ptrdiff_t>(next(round % 4 == 0 && next(50) == 0 ? 20000 : 300)));
    }
    std::vector<double> joined;
    std::size_t stretches = 0, longest = 0;
    resynthesize_in_stretches(x, a, s, static_cast<std::size_t>(out), [&](std::span<const double> stretch) {
      joined.insert(joined.end(), stretch.begin(), stretch.end());
      ++stretches;
      longest = std::max(longest, stretch.size());
    });
    const Resynthesis whole = resynthesize(x, a, s, static_cast<std::size_t>(out));
    std::vector<double> analysis(static_cast<std::size_t>(a.back()), 0.0);
    std::vector<double> synthesis(static_cast<std::size_t>(out), 0.0);
    for (auto m : a) analysis.at(static_cast<std::size_t>(m) - 1) = 1.0;
    for (auto m : s) if (m <= out) synthesis.at(static_cast<std::size_t>(m) - 1) = 1.0;
    ASSERT_THAT(joined, ElementsAreArray(whole.sinal)) << "round " << round;
    if (s.back() <= out && s.size() <= a.size()) {
      ASSERT_THAT(joined, ElementsAreArray(overlap_add_with_windows(x, analysis, synthesis))) << "round " << round;
    }
    EXPECT_GT(stretches, static_cast<std::size_t>(out) / (2 * stretch_samples)) << "round " << round;
    EXPECT_LE(longest, stretch_samples) << "round " << round;
  }

  // Without a mark inside the signal, orig itself comes out in stretches, cut or padded.
  const std::vector<double> x = test_signal(20000);
  for (const std::size_t out : {std::size_t{30000}, std::size_t{10000}}) {
    std::vector<double> joined;
    resynthesize_in_stretches(x, std::vector<std::ptrdiff_t>{20001}, std::vector<std::ptrdiff_t>{1}, out,
                              [&](std::span<const double> stretch) {
                                ASSERT_LE(stretch.size(), stretch_samples);
                                joined.insert(joined.end(), stretch.begin(), stretch.end());
                              });
    std::vector<double> expected(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(std::min(out, x.size())));
    expected.resize(out, 0.0);
    EXPECT_THAT(joined, ElementsAreArray(expected)) << out;
  }
}

TEST(Resynthesize, EqualPeriodsAtFactorOneGiveTheSignalAtAConstantGain) {
  // Rising and falling weights of neighbouring segments add up to 2(L - 1) / (2L - 1) everywhere.
  std::vector<std::size_t> marks;
  for (std::size_t mark = 1; mark <= 1701; mark += 170) marks.push_back(mark);
  const auto rows = make_rows(1870, marks);
  const std::vector<double> x = test_signal(1870);
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  const Resynthesis result = resynthesize(x, plan.analysis_marks, plan.synthesis_marks);
  ASSERT_EQ(result.sinal.size(), 1870u);
  const double gain = 2.0 * 169 / 339;
  for (std::size_t i = 171; i <= 1700; ++i) ASSERT_NEAR(result.sinal[i - 1], gain * x[i - 1], 1e-12) << i;
}

TEST(Resynthesize, FewerThanThreeAnalysisMarksGiveSilence) {
  const std::vector<double> x = test_signal(300);
  const Resynthesis result = resynthesize(x, mark_row(301, {101, 301}), mark_row(250, {1, 250}));
  EXPECT_EQ(result.sinal.size(), 250u);
  EXPECT_THAT(result.sinal, Each(0.0));
}

TEST(Resynthesize, OnePeriodHalvesAddNothingAndNoWeightReachesOne) {
  const std::vector<double> ones(400, 1.0);
  // L = 1: the sample before the mark is weighted by 0.
  const Resynthesis short_left = resynthesize(ones, mark_row(401, {10, 11, 21}), mark_row(30, {1, 5, 30}));
  EXPECT_EQ(short_left.sinal[3], 0.0);
  EXPECT_EQ(short_left.sinal[4], 18.0 / 19.0);
  EXPECT_EQ(short_left.sinal[13], 0.0);

  const Resynthesis single = resynthesize(ones, mark_row(401, {1, 171, 341}), mark_row(400, {1, 200, 400}));
  EXPECT_EQ(single.sinal[29], 0.0);                    // a(i) lands on s(i+1) - L
  EXPECT_EQ(single.sinal[198], 2.0 * 169 / 339);       // the sample before the mark
  EXPECT_EQ(single.sinal[199], 2.0 * 169 / 339);       // the sample at the mark
  EXPECT_LT(*std::max_element(single.sinal.begin(), single.sinal.end()), 1.0);
}

TEST(Resynthesize, AnUnvoicedOnsetIsPlacedFromTheFirstSample) {
  const auto rows = make_rows(600, {101, 271}, {{1, 60}});
  const std::vector<double> ones(600, 1.0);
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  const Resynthesis result = resynthesize(ones, plan.analysis_marks, plan.synthesis_marks);
  EXPECT_EQ(result.sinal[0], 0.0);
  EXPECT_EQ(result.sinal[1], 2.0 / 199.0);  // L = 100
}

TEST(Resynthesize, PartsOutsideTheOutputAreDroppedAndTheLastSegmentEndsOnTheLastSample) {
  const auto rows = make_rows(1000, {101, 271, 441, 611, 781});
  const std::vector<double> x = test_signal(1000);
  // A voiced start at factor 2: the first segment would begin 84 samples before the output, the
  // last one would run past its end.
  const Plan raised = plan_factor(rows.pitch, rows.vzmto, 2.0);
  const Resynthesis result = resynthesize(x, raised.analysis_marks, raised.synthesis_marks);
  EXPECT_THAT(result.sinal, ElementsAreArray(overlap_add_with_windows(x, raised.analysis_marks, raised.synthesis_marks)));
  EXPECT_NE(result.sinal[0], 0.0);

  // At factor 1 the last step (R = 220, up to the mark one past the end) ends on x(1000),
  // placed on the last output sample with weight 0; x(999) lands just before it.
  const Plan kept = plan_factor(rows.pitch, rows.vzmto, 1.0);
  const Resynthesis last = resynthesize(x, kept.analysis_marks, kept.synthesis_marks);
  ASSERT_EQ(last.sinal.size(), 900u);
  EXPECT_EQ(last.sinal[898], x[998] * (2.0 / 439.0));
  EXPECT_EQ(last.sinal[899], 0.0);
}

TEST(Resynthesize, DifferingMarkCountsAreReportedAndHandledSafely) {
  const std::vector<double> x = test_signal(900);
  // Fewer synthesis marks: steps without one are skipped.
  const auto analysis = mark_row(901, {1, 151, 301, 451, 601, 901});
  const Resynthesis fewer = resynthesize(x, analysis, mark_row(400, {1, 150, 400}));
  EXPECT_TRUE(fewer.mark_count_mismatch);
  EXPECT_THAT(fewer.sinal, ElementsAreArray(overlap_add_with_windows(x, analysis, mark_row(400, {1, 150, 400}))));
  EXPECT_NE(fewer.sinal[200], 0.0);

  // More synthesis marks: the surplus ones get no segment and the end stays silent.
  const Resynthesis more =
      resynthesize(x, mark_row(901, {1, 151, 301, 451}), mark_row(900, {1, 151, 301, 451, 601, 900}));
  EXPECT_TRUE(more.mark_count_mismatch);
  EXPECT_NE(more.sinal[200], 0.0);
  EXPECT_TRUE(std::all_of(more.sinal.begin() + 451, more.sinal.end(), [](double v) { return v == 0.0; }));
}

TEST(Resynthesize, ASignalWithoutPitchMarksComesBackUnchanged) {
  const auto rows = make_rows(500, {}, {{1, 100}});
  const std::vector<double> x = test_signal(500);
  const Plan plan = plan_contour(rows.pitch, rows.vzmto, '.');
  const Resynthesis result = resynthesize(x, plan.analysis_marks, plan.synthesis_marks);
  EXPECT_FALSE(result.mark_count_mismatch);
  EXPECT_THAT(result.sinal, ElementsAreArray(x));

  const Resynthesis empty = resynthesize({}, plan_contour({}, {}, '.').analysis_marks, {});
  EXPECT_TRUE(empty.sinal.empty());
  EXPECT_FALSE(empty.mark_count_mismatch);
}

}  // namespace
}  // namespace quelvara::prosody
