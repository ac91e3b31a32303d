// What is derived from a snapshot: the cut, the phones, voicing, and the pitch of both signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "inspection/record_of_run.h"
#include "inspection/snapshot.h"
#include "prosody/contour.h"

namespace quelvara::inspection {
namespace {

constexpr double fs = 22050;

// Three units of 100, 200 and 50 samples.
Snapshot three_units() {
  Snapshot s;
  s.orig.assign(350, 0.1);
  s.vzmto.assign(350, 0);
  s.difones = {"_p", "pa", "a_"};
  s.limdf = {100, 200, 50};
  return s;
}

TEST(SnapshotCut, DiphonesLieAtTheCumulativeUnitLengthsAndPhonesBetweenTheirMiddles) {
  const Snapshot s = three_units();
  const auto d = diphone_intervals(s);
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].label, "_p");
  EXPECT_DOUBLE_EQ(d[0].end, 100 / fs);
  EXPECT_DOUBLE_EQ(d[1].start, 100 / fs);
  EXPECT_DOUBLE_EQ(d[1].end, 300 / fs);
  EXPECT_DOUBLE_EQ(d[2].end, 350 / fs);

  const auto f = phone_intervals(s);
  ASSERT_EQ(f.size(), 4u);
  const std::vector<std::string> labels = {"_", "p", "a", "_"};
  const std::vector<double> ends = {50, 200, 325, 350};
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(f[k].label, labels[k]);
    EXPECT_DOUBLE_EQ(f[k].end, ends[k] / fs);
    EXPECT_DOUBLE_EQ(f[k].start, k == 0 ? 0 : ends[k - 1] / fs);
  }

  EXPECT_EQ(diphone_at(s, 99), 0u);
  EXPECT_EQ(diphone_at(s, 100), 1u);
  EXPECT_EQ(diphone_at(s, 349), 2u);
  EXPECT_EQ(diphone_at(s, 350), std::nullopt);
}

TEST(SnapshotCut, PhonesOfNasalAndGlideDiphonesAreSplitAsTheReaderSplitsThem) {
  Snapshot s;
  s.difones = {"_b", "bo~j", "o~j_"};
  s.limdf = {10, 10, 10};
  s.orig.assign(30, 0);
  s.vzmto.assign(30, 0);
  std::vector<std::string> labels;
  for (const auto& f : phone_intervals(s)) labels.push_back(f.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"_", "b", "o~j", "_"}));
}

TEST(SnapshotCut, PhonesRunBetweenTheIndexsBoundariesAndStressedVowelsCarryTheirMark) {
  Snapshot s = three_units();
  s.fronteiras = {30, 180, 10};
  s.acentos = {synthesis::Stress::none, synthesis::Stress::none, synthesis::Stress::primary, synthesis::Stress::none};
  const auto f = phone_intervals(s);
  ASSERT_EQ(f.size(), 4u);
  const std::vector<std::string> labels = {"_", "p", "\"a", "_"};
  const std::vector<double> ends = {30, 280, 310, 350};
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(f[k].label, labels[k]);
    EXPECT_DOUBLE_EQ(f[k].end, ends[k] / fs);
  }
  // In the result, each boundary is carried through the marks the periods moved between.
  s.result = Resynthesis{};
  s.result->sinal.assign(700, 0);
  s.result->analysis_marks = {1, 101, 301, 351};
  s.result->synthesis_marks = {1, 201, 601, 700};
  const auto r = result_phone_intervals(s);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_DOUBLE_EQ(r[0].end, 60 / fs);   // 30 of 0..100 -> 0..200
  EXPECT_DOUBLE_EQ(r[1].end, 560 / fs);  // 280 of 100..300 -> 200..600
  EXPECT_DOUBLE_EQ(r[3].end, 700 / fs);  // the last phone ends with the result
  EXPECT_EQ(r[2].label, "\"a");
  // A prosody target says where it put them.
  s.result->planned_phones = {0, 0.001, 0.002, 0.003, 0.004};
  EXPECT_DOUBLE_EQ(result_phone_intervals(s)[1].end, 0.002);
}

TEST(SnapshotCut, InconsistentRowsAreNamed) {
  Snapshot s = three_units();
  EXPECT_EQ(inconsistency(s), std::nullopt);
  s.limdf = {100, 200, 49};
  EXPECT_NE(inconsistency(s), std::nullopt);
  s = three_units();
  s.pitch_marks = {1, 351};
  EXPECT_NE(inconsistency(s), std::nullopt);
  s = three_units();
  s.vzmto.pop_back();
  EXPECT_NE(inconsistency(s), std::nullopt);
  s = three_units();
  s.result = Resynthesis{};
  s.result->sinal.assign(10, 0);
  s.result->analysis_marks = {1, 351};  // one past the end is where the plan's last mark lies
  s.result->synthesis_marks = {1, 10};
  EXPECT_EQ(inconsistency(s), std::nullopt);
  s.result->synthesis_marks = {1, 11};
  EXPECT_NE(inconsistency(s), std::nullopt);
}

TEST(SnapshotVoicing, StretchesAreTheRunsAboveTwo) {
  Snapshot s = three_units();
  std::fill(s.vzmto.begin() + 10, s.vzmto.begin() + 20, 3);
  s.vzmto[30] = 2;  // not voiced
  std::fill(s.vzmto.begin() + 340, s.vzmto.end(), 5);
  const auto v = voiced_stretches(s);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].begin, 10u);
  EXPECT_EQ(v[0].end, 20u);
  EXPECT_EQ(v[1].begin, 340u);
  EXPECT_EQ(v[1].end, 350u);
}

// 2000 samples with marks every 100 samples from 201; voiced from 150 to 1250, unvoiced then.
Snapshot pulses() {
  Snapshot s;
  s.orig.assign(2000, 0);
  s.vzmto.assign(2000, 0);
  std::fill(s.vzmto.begin() + 149, s.vzmto.begin() + 1250, 5);
  std::vector<double> pitch(2000, 0);
  for (std::size_t m = 201; m <= 1801; m += 100) pitch[m - 1] = 1;
  s.pitch_marks = mark_positions(pitch);
  s.difones = {"_a", "a_"};
  s.limdf = {1000, 1000};
  return s;
}

void add_result(Snapshot& s, const road::Mode& mode, char pontuacao) {
  std::vector<double> pitch(s.orig.size(), 0);
  for (std::size_t m : s.pitch_marks) pitch[m - 1] = 1;
  const auto marks = planned_marks(pitch, s.vzmto, mode, pontuacao);
  Resynthesis r;
  r.analysis_marks = marks.analysis;
  r.synthesis_marks = marks.synthesis;
  r.sinal.assign(marks.synthesis.back(), 0);
  r.mode = mode_name(mode);
  r.pontuacao = pontuacao;
  s.result = r;
}

TEST(SnapshotPitch, JoinedPitchCoversTheVoicedPeriodsOnly) {
  const Snapshot s = pulses();
  const auto p = joined_pitch(s);
  // Periods 201-301 ... 1101-1201 are voiced 20 samples inside both ends; 1201-1301 is not.
  ASSERT_EQ(p.size(), 10u);
  for (const auto& q : p) EXPECT_DOUBLE_EQ(q.hz, fs / 100);
  EXPECT_DOUBLE_EQ(p.front().time, 200 / fs);
  EXPECT_DOUBLE_EQ(p.back().time, 1100 / fs);

  // A code between 2 and 3 is voiced for the shading and the pitch alike.
  Snapshot between = pulses();
  std::replace(between.vzmto.begin(), between.vzmto.end(), 5.0, 2.5);
  EXPECT_EQ(joined_pitch(between).size(), p.size());
  ASSERT_EQ(voiced_stretches(between).size(), 1u);
  EXPECT_EQ(voiced_stretches(between)[0].begin, 149u);
}

TEST(SnapshotPitch, TheStretchFromAVoicingOnsetToTheFirstPulseIsNoPeriod) {
  Snapshot s = pulses();
  s.pitch_marks.insert(s.pitch_marks.begin(), 150);  // a mark on the first voiced sample
  const auto p = joined_pitch(s);
  ASSERT_EQ(p.size(), 10u);
  for (const auto& q : p) EXPECT_DOUBLE_EQ(q.hz, fs / 100);
}

TEST(SnapshotPitch, AFactorRaisesEveryVoicedPeriodByItself) {
  Snapshot s = pulses();
  add_result(s, road::FactorMode{1.5}, '.');
  ASSERT_EQ(inconsistency(s), std::nullopt);
  const auto joined = joined_pitch(s);
  const auto result = result_pitch(s);
  ASSERT_EQ(result.size(), joined.size());
  for (std::size_t i = 0; i < result.size(); ++i) {
    EXPECT_DOUBLE_EQ(result[i].hz, fs / 67) << i;  // nearest(100 / 1.5)
    EXPECT_NEAR(result[i].hz / joined[i].hz, 1.5, 0.01);
  }
  // The periods now follow each other 67 samples apart.
  EXPECT_NEAR(result[1].time - result[0].time, 67 / fs, 1e-12);
  EXPECT_TRUE(contour_points(s).empty());
}

TEST(SnapshotPitch, TheContourPointsAreTheTableOfThePunctuation) {
  for (const char p : {'.', '?'}) {
    Snapshot s = pulses();
    add_result(s, road::ContourMode{}, p);
    const auto points = contour_points(s);
    const std::size_t size = p == '.' ? 12 : 6;
    const auto table = prosody::contour_periods(size, p);
    ASSERT_EQ(points.size(), size) << p;
    for (std::size_t t = 0; t < size; ++t) EXPECT_DOUBLE_EQ(points[t].hz, fs / table[t]);
    // From where the first mark's period begins in the result to where the last one's does.
    const auto& r = *s.result;
    const auto first = std::find(r.analysis_marks.begin(), r.analysis_marks.end(), s.pitch_marks.front());
    const auto last = std::find(r.analysis_marks.begin(), r.analysis_marks.end(), s.pitch_marks.back());
    ASSERT_NE(last, r.analysis_marks.end());
    EXPECT_DOUBLE_EQ(points.front().time, (r.synthesis_marks[first - r.analysis_marks.begin()] - 1) / fs);
    EXPECT_DOUBLE_EQ(points.back().time, (r.synthesis_marks[last - r.analysis_marks.begin()] - 1) / fs);
    for (std::size_t t = 1; t < size; ++t) EXPECT_GE(points[t].time, points[t - 1].time);
  }
}

}  // namespace
}  // namespace quelvara::inspection
