#include "prosody/planning.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "prosody/contour.h"
#include "signal_rows.h"

namespace quelvara::prosody {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::make_rows;
using testing::positions;

const std::vector<std::size_t> five_marks{101, 271, 441, 611, 781};

TEST(FactorRange, BoundsAreInclusiveAndNaNIsOutside) {
  EXPECT_TRUE(factor_in_range(0.5));
  EXPECT_TRUE(factor_in_range(2.0));
  EXPECT_TRUE(factor_in_range(1.3));
  EXPECT_FALSE(factor_in_range(0.49));
  EXPECT_FALSE(factor_in_range(2.01));
  EXPECT_FALSE(factor_in_range(std::nan("")));
  const auto rows = make_rows(1000, five_marks);
  EXPECT_THROW(plan_factor(rows.pitch, rows.vzmto, 2.01), std::invalid_argument);
}

TEST(PlanFactor, FactorOneKeepsEveryVoicedInterval) {
  const auto rows = make_rows(1000, five_marks);
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  EXPECT_THAT(plan.periods, ElementsAre(170, 170, 170, 170, 219));  // the last one runs to the end
  EXPECT_THAT(plan.spacing, ElementsAre(170, 170, 170, 170, 219));
  EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(101, 271, 441, 611, 781, 1001));
  EXPECT_EQ(plan.analysis_marks.size(), 1001u);
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 171, 341, 511, 681, 900));
  EXPECT_EQ(plan.synthesis_marks.size(), 900u);
  EXPECT_FALSE(plan.placeholder_mismatch);
}

TEST(PlanFactor, UnvoicedStretchesKeepTheirLengthAndAreSplitAtTheirOnset) {
  // 271..441 turns unvoiced at 400; 441..611 is unvoiced already 20 samples after its mark.
  const auto rows = make_rows(1000, five_marks, {{400, 500}});
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  EXPECT_THAT(plan.periods, ElementsAre(170, 128, 19, 170, 219));
  EXPECT_THAT(plan.spacing, ElementsAre(170, 128, 42, 19, 151, 170, 219));
  EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(101, 271, 400, 441, 461, 611, 781, 1001));
  // The mark standing for 400 lies 128 samples after its predecessor, one less than in the
  // analysis, and the remainder is one longer.
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 171, 299, 341, 360, 511, 681, 900));
  EXPECT_FALSE(plan.placeholder_mismatch);
}

TEST(PlanFactor, OnlyVoicedPeriodsAreScaledByTheReciprocal) {
  const auto rows = make_rows(1000, five_marks, {{400, 500}});
  // 219 / 2 = 109.5 rounds away from zero.
  EXPECT_THAT(plan_factor(rows.pitch, rows.vzmto, 2.0).periods, ElementsAre(85, 128, 19, 85, 110));
  EXPECT_THAT(plan_factor(rows.pitch, rows.vzmto, 0.5).periods, ElementsAre(340, 128, 19, 340, 438));

  // 255 x (1 / 1.36) rounds to 187 where 255 / 1.36 would give 188.
  const auto long_period = make_rows(600, {101, 356});
  EXPECT_THAT(plan_factor(long_period.pitch, long_period.vzmto, 1.36).periods, ElementsAre(187, 179));
}

TEST(PlanFactor, AnUnvoicedEndKeepsItsRemainderAndGetsAMarkWhereItTurnsUnvoiced) {
  const auto rows = make_rows(1000, {101, 271}, {{900, 1000}});
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 2.0);
  EXPECT_THAT(plan.periods, ElementsAre(85, 628));
  EXPECT_THAT(plan.spacing, ElementsAre(85, 628, 101));
  EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(101, 271, 900, 1001));
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 86, 714, 815));
}

TEST(PlanFactor, AnUnvoicedOnsetKeepsItsLength) {
  const auto rows = make_rows(600, {101, 271}, {{1, 60}});
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(1, 101, 271, 601));
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 101, 271, 600));
}

TEST(PlanContour, PunctuationChoosesTheTable) {
  const auto six = make_rows(700, {51, 151, 251, 351, 451, 551});
  EXPECT_THAT(plan_contour(six.pitch, six.vzmto, '?').periods, ElementsAre(170, 190, 160, 150, 155, 180));

  std::vector<std::size_t> twelve_marks;
  for (std::size_t mark = 51; mark < 1200; mark += 100) twelve_marks.push_back(mark);
  const auto twelve = make_rows(1300, twelve_marks);
  for (char pontuacao : {'.', '!'}) {
    EXPECT_THAT(plan_contour(twelve.pitch, twelve.vzmto, pontuacao).periods,
                ElementsAre(167, 147, 182, 167, 157, 152, 147, 142, 147, 147, 142, 132))
        << pontuacao;
  }

  const auto single = make_rows(400, {101});
  EXPECT_THAT(plan_contour(single.pitch, single.vzmto, '.').periods, ElementsAre(167));
  EXPECT_THAT(plan_contour(single.pitch, single.vzmto, '?').periods, ElementsAre(170));
}

TEST(PlanContour, EveryIntervalGetsItsContourValueAndUnvoicedRemaindersStay) {
  const auto rows = make_rows(1000, five_marks, {{400, 500}});
  const Plan plan = plan_contour(rows.pitch, rows.vzmto, '?');
  // Positions 1, 2.25, 3.5, 4.75, 6 of the 6-point table: 182.5 and 153.75 round to 183 and 154.
  EXPECT_THAT(plan.periods, ElementsAre(170, 183, 155, 154, 180));
  EXPECT_THAT(plan.spacing, ElementsAre(170, 183, 42, 155, 151, 154, 180));
  EXPECT_FALSE(plan.placeholder_mismatch);
}

TEST(ContourPeriods, ValuesExactlyOnAHalfRoundAwayFromZero) {
  const std::vector<double> periods = contour_periods(71, '.');
  ASSERT_EQ(periods.size(), 71u);
  EXPECT_EQ(periods.front(), 167);
  EXPECT_EQ(periods.back(), 132);
  // 1-based positions whose interpolated value is exactly x.5.
  const std::vector<std::pair<std::size_t, double>> halves{{8, 151},  {10, 162}, {12, 173},
                                                           {36, 150}, {50, 146}, {64, 143}};
  for (auto [q, expected] : halves) EXPECT_EQ(periods[q - 1], expected) << "q=" << q;
  EXPECT_THAT(contour_periods(0, '.'), IsEmpty());
}

TEST(PlanMarks, AZeroRemainderIsTakenForAPlaceholderAndReported) {
  // The interval 500..519 is 19 samples long and unvoiced: its remainder is 0.
  const auto rows = make_rows(1000, {101, 500, 519, 800}, {{480, 560}});
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  EXPECT_TRUE(plan.placeholder_mismatch);
  EXPECT_THAT(plan.periods, ElementsAre(378, 19, 19, 200));
  EXPECT_THAT(plan.spacing, ElementsAre(378, 21, 19, 19, 200, 262, 0));  // the surplus slot stays 0
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 379, 400, 419, 438, 638, 900));
}

TEST(PlanMarks, MarksNearTheEndsReadNothingOutsideTheSignal) {
  const auto rows = make_rows(60, {5, 15, 45, 58});
  const Plan plan = plan_factor(rows.pitch, rows.vzmto, 1.0);
  // Samples before 1 and after 60 count as unvoiced; the scans stop one past the end.
  EXPECT_EQ(plan.analysis_marks.size(), 61u);
  EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(5, 15, 45, 58, 61));
  EXPECT_THAT(plan.spacing, ElementsAre(55, -45, 30, 15, -2, 2));
  // Remainders below zero add no synthesis mark.
  EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(1, 56, 86, 101, 103));

  const auto at_the_edges = make_rows(30, {1, 30}, {{1, 5}, {25, 30}});
  const Plan edges = plan_contour(at_the_edges.pitch, at_the_edges.vzmto, '.');
  EXPECT_THAT(positions(edges.analysis_marks), ElementsAre(1, 30, 31));
  EXPECT_EQ(edges.synthesis_marks.back(), 1.0);
}

TEST(PlanMarks, ASignalWithoutMarksIsLeftAsItIs) {
  const auto rows = make_rows(50, {}, {{1, 10}});
  for (const Plan& plan : {plan_factor(rows.pitch, rows.vzmto, 1.5), plan_contour(rows.pitch, rows.vzmto, '?')}) {
    EXPECT_THAT(positions(plan.analysis_marks), ElementsAre(51));
    EXPECT_EQ(plan.synthesis_marks.size(), 50u);
    EXPECT_THAT(positions(plan.synthesis_marks), ElementsAre(50));
    EXPECT_THAT(plan.periods, IsEmpty());
    EXPECT_FALSE(plan.placeholder_mismatch);
  }
  const Plan empty = plan_contour({}, {}, '.');
  EXPECT_THAT(empty.analysis_marks, ElementsAre(0.0));
  EXPECT_THAT(empty.synthesis_marks, IsEmpty());
}

TEST(PlanMarks, RowsOfDifferentLengthsAreRejected) {
  const auto rows = make_rows(100, {10, 50});
  const std::vector<double> short_vzmto(99, 5.0);
  EXPECT_THROW(plan_contour(rows.pitch, short_vzmto, '.'), std::invalid_argument);
}

}  // namespace
}  // namespace quelvara::prosody
