// The planner of prosody targets on a small joined signal: a pause, a stop (closure, then a
// burst), a vowel and a pause.
#include "prosody/target_planning.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace quelvara::prosody {
namespace {

// "_" 0..999, "p" 1000..1999 with its closure up to 1699 and its burst from 1700, "a"
// 2000..4999 voiced with a mark every 170 samples from its onset, "_" 5000..7999.
JoinedPhones joined_pa() {
  JoinedPhones j;
  j.signal.length = 8000;
  for (Position m = 2001; m <= 4980 - 20; m += 170) j.signal.marks.push_back(m);
  j.signal.voiced.push_back({2001, 5000});
  j.bounds = {0, 1000, 2000, 5000, 8000};
  j.releases = {1000, 1700, 5000, 8000};
  return j;
}

ProsodyTarget target_pa(double p_ms, double a_ms, std::vector<PitchTarget> a_pitch) {
  ProsodyTarget t;
  t.phones = {{"_", 50, Stress::none, {}}, {"p", p_ms, Stress::none, {}}, {"a", a_ms, Stress::primary, std::move(a_pitch)},
              {"_", 80, Stress::none, {}}};
  return t;
}

TEST(PlanTarget, PhonesLastTheirTargetLengthsAndVoicedPeriodsFollowTheCurve) {
  const JoinedPhones j = joined_pa();
  const ProsodyTarget t = target_pa(90, 250, {{0, 100}, {100, 180}});
  const TargetPlan plan = plan_target(j, t);
  EXPECT_EQ(plan.length, static_cast<std::size_t>(std::llround((50 + 90 + 250 + 80) * samples_per_ms)));
  const auto a = plan.analysis_marks();
  const auto s = plan.synthesis_marks();
  ASSERT_TRUE(std::is_sorted(a.begin(), a.end()));
  ASSERT_TRUE(std::is_sorted(s.begin(), s.end()));
  const std::vector<double> starts = phone_starts_ms(t);
  for (std::size_t k = 1; k + 1 < j.bounds.size(); ++k) {
    const double landed = carried_position(a, s, static_cast<double>(j.bounds[k]));
    EXPECT_NEAR(landed, starts[k] * samples_per_ms, 0.5 * 22050 / 100) << "phone " << k;
  }
  const auto curve = pitch_curve(t);
  std::size_t voiced = 0;
  for (std::size_t i = 0; i + 1 < plan.steps.size(); ++i) {
    if (plan.steps[i].centre < 2001 || plan.steps[i + 1].centre > 4980) continue;
    const double period = static_cast<double>(plan.steps[i + 1].target - plan.steps[i].target);
    const double ms = static_cast<double>(plan.steps[i].target - 1) / samples_per_ms;
    EXPECT_NEAR(22050 / period, hz_at(curve, ms + period / 2 / samples_per_ms), 1.5) << i;
    ++voiced;
  }
  EXPECT_GT(voiced, 25u);
}

TEST(PlanTarget, StretchingAStopRepeatsItsClosureButNeverItsBurst) {
  const JoinedPhones j = joined_pa();
  for (double p_ms : {30.0, 45.0, 140.0, 300.0}) {
    const TargetPlan plan = plan_target(j, target_pa(p_ms, 136, {}));
    std::map<Position, int> uses;
    for (const OverlapStep& step : plan.steps) {
      ++uses[step.centre];
      // No window of the closure reaches into the burst.
      if (step.centre <= 1700) {
        EXPECT_LE(step.centre + step.right - 1, 1700) << p_ms;
      }
    }
    for (const auto& [centre, count] : uses) {
      if (centre > 1700 && centre <= 2000) {
        EXPECT_EQ(count, 1) << "burst mark " << centre << " at " << p_ms << " ms";
      }
    }
    const double landed = carried_position(plan.analysis_marks(), plan.synthesis_marks(), 2000);
    EXPECT_NEAR(landed, (50 + p_ms) * samples_per_ms, 100) << p_ms;
  }
}

TEST(PlanTarget, TimeRunsForwardThroughTheJoinedSignalWhateverTheLengthsAndPitch) {
  const JoinedPhones j = joined_pa();
  for (double p_ms : {5.0, 20.0, 60.0, 400.0})
    for (double a_ms : {10.0, 90.0, 700.0})
      for (double hz : {60.0, 130.0, 400.0}) {
        ProsodyTarget t = target_pa(p_ms, a_ms, {{50, hz}});
        t.phones[0].length_ms = a_ms;  // the pause as well
        const TargetPlan plan = plan_target(j, t);
        const auto a = plan.analysis_marks();
        const auto s = plan.synthesis_marks();
        ASSERT_TRUE(std::is_sorted(a.begin(), a.end())) << p_ms << " " << a_ms << " " << hz;
        ASSERT_TRUE(std::adjacent_find(s.begin(), s.end(), std::greater_equal<>()) == s.end());
        ASSERT_LE(s.back(), static_cast<Position>(plan.length));
      }
}

TEST(PlanTarget, WithoutACurveTheVoiceKeepsItsOwnPeriods) {
  const TargetPlan plan = plan_target(joined_pa(), target_pa(45.35, 136.05, {}));
  for (std::size_t i = 0; i + 1 < plan.steps.size(); ++i) {
    if (plan.steps[i].centre < 2001 || plan.steps[i + 1].centre > 4960) continue;
    EXPECT_EQ(plan.steps[i + 1].target - plan.steps[i].target, 170) << i;
  }
}

TEST(PlanTarget, RefusesATargetOfOtherPhones) {
  ProsodyTarget t = target_pa(90, 250, {});
  t.phones.pop_back();
  EXPECT_THROW(plan_target(joined_pa(), t), std::invalid_argument);
}

TEST(CarriedPosition, FollowsTheMarksLinearlyAndShiftsBeyondThem) {
  const std::vector<Position> a{101, 201, 201, 401};
  const std::vector<Position> s{11, 111, 311, 411};
  EXPECT_DOUBLE_EQ(carried_position(a, s, 50), 10 - 50);     // before the first mark: shifted
  EXPECT_DOUBLE_EQ(carried_position(a, s, 150), 60);         // between 100 -> 10 and 200 -> 110
  EXPECT_DOUBLE_EQ(carried_position(a, s, 200), 110);        // where 200 is first used
  EXPECT_DOUBLE_EQ(carried_position(a, s, 300), 310 + 50);   // from its last use to 400 -> 410
  EXPECT_DOUBLE_EQ(carried_position(a, s, 500), 410 + 100);  // after the last mark
}

TEST(ResynthesizeSteps, ARepeatedStepAddsItsPeriodsAgainWhereItIsPlaced) {
  std::vector<double> x(600);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = std::sin(0.05 * static_cast<double>(i));
  const std::vector<OverlapStep> once{{201, 100, 100, 101}};
  const std::vector<OverlapStep> twice{{201, 100, 100, 101}, {201, 100, 100, 301}};
  std::vector<double> a, b;
  resynthesize_steps(x, once, 400, [&](std::span<const double> s) { a.insert(a.end(), s.begin(), s.end()); });
  resynthesize_steps(x, twice, 400, [&](std::span<const double> s) { b.insert(b.end(), s.begin(), s.end()); });
  ASSERT_EQ(a.size(), 400u);
  ASSERT_EQ(b.size(), 400u);
  for (std::size_t i = 0; i < 200; ++i) {
    EXPECT_EQ(b[i], a[i]);
    EXPECT_EQ(b[i + 200], a[i]);
  }
}

}  // namespace
}  // namespace quelvara::prosody
