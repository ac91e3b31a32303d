#include "tools/quelvara-bd/unit_checks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace quelvara::tools {
namespace {

constexpr double period = 169.642;

// A unit of `length` samples, voiced over [voiced_from, voiced_to), with marks at the given
// 0-based positions.
synthesis::UnitData make_unit(std::size_t length, std::size_t voiced_from, std::size_t voiced_to,
                              std::initializer_list<std::size_t> marks) {
  synthesis::UnitData unit;
  unit.dfn.assign(length, 0.0);
  unit.trm.assign(length, 0.0);
  unit.vzmt.assign(length, 1.0);
  for (std::size_t k = voiced_from; k < voiced_to; ++k) {
    unit.vzmt[k] = 3;
    unit.dfn[k] = 0.3 * std::sin(2 * M_PI * static_cast<double>(k) / period);
  }
  for (std::size_t m : marks) unit.trm[m] = 1;
  return unit;
}

TEST(UnitChecks, AcceptsWellFormedUnits) {
  // voiced throughout, starting and ending on the grid
  EXPECT_EQ(check_unit(make_unit(509, 0, 509, {0, 170, 339}), period), "");
  // unvoiced onset, a mark on the first voiced sample, voiced end one period after the last mark
  EXPECT_EQ(check_unit(make_unit(600, 200, 600, {200, 261, 431}), period), "");
  // voiced start, unvoiced end with two marks well before the voicing stops
  EXPECT_EQ(check_unit(make_unit(800, 0, 500, {0, 170, 339}), period), "");
  // no voicing at all
  EXPECT_EQ(check_unit(make_unit(300, 0, 0, {}), period), "");
}

TEST(UnitChecks, RejectsWhatJoiningAndSmoothingCannotUse) {
  auto unequal = make_unit(300, 0, 300, {0});
  unequal.trm.pop_back();
  EXPECT_NE(check_unit(unequal, period), "");
  EXPECT_NE(check_unit(synthesis::UnitData{}, period), "");
  // ends voiced without any mark
  EXPECT_NE(check_unit(make_unit(300, 100, 300, {}), period), "");
  // begins voiced, ends unvoiced, one mark only
  EXPECT_NE(check_unit(make_unit(400, 0, 200, {0}), period), "");
}

TEST(UnitChecks, RejectsMarksOffTheGridOrOutsideVoicing) {
  EXPECT_NE(check_unit(make_unit(600, 100, 600, {50, 261, 431}), period), "") << "mark in noise";
  EXPECT_NE(check_unit(make_unit(509, 0, 509, {5, 175, 339}), period), "") << "voiced start off the mark";
  EXPECT_NE(check_unit(make_unit(520, 0, 520, {0, 170, 339}), period), "") << "last period too long";
  auto twice = make_unit(509, 0, 509, {0, 170, 339});
  twice.trm[170] = 2;
  EXPECT_NE(check_unit(twice, period), "") << "mark value other than 1";
}

TEST(UnitChecks, KeepsTheLookAheadOfThePlanner) {
  // a mark 15 samples before the voicing stops
  EXPECT_NE(check_unit(make_unit(800, 0, 355, {0, 170, 340}), period), "");
  // a mark within 20 samples of the end of a unit that ends unvoiced
  auto near_end = make_unit(360, 0, 355, {0, 170, 345});
  EXPECT_NE(check_unit(near_end, period), "");
  // marks 40 samples apart
  EXPECT_NE(check_unit(make_unit(800, 0, 600, {0, 170, 210, 380}), period), "");
  // 41 apart is still long enough
  EXPECT_EQ(check_unit(make_unit(800, 0, 600, {0, 170, 211, 380}), period), "");
}

TEST(UnitChecks, EveryVoicedStretchOpensWithAMark) {
  // the planner would take the noise before the stretch for part of its first period
  EXPECT_NE(check_unit(make_unit(600, 200, 600, {261, 431}), period), "") << "no onset mark";
  EXPECT_NE(check_unit(make_unit(600, 200, 600, {211, 261, 431}), period), "") << "11 samples late";
  EXPECT_EQ(check_unit(make_unit(600, 200, 600, {210, 261, 431}), period), "") << "10 samples late";
  // a second stretch after a closure, inside a unit that begins and ends voiced
  auto two = make_unit(1000, 0, 1000, {0, 170, 520, 661, 831});
  for (std::size_t k = 400; k < 520; ++k) two.vzmt[k] = 0;
  EXPECT_EQ(check_unit(two, period), "");
  two.trm[520] = 0;
  two.trm[525] = 1;
  EXPECT_EQ(check_unit(two, period), "");
  two.trm[525] = 0;
  EXPECT_NE(check_unit(two, period), "") << "stretch after the closure without a mark";
  // a stretch too short for the planner's look-ahead holds no mark and needs none
  auto blip = make_unit(600, 0, 0, {});
  for (std::size_t k = 300; k < 320; ++k) blip.vzmt[k] = 3;
  EXPECT_EQ(check_unit(blip, period), "");
}

TEST(UnitChecks, RejectsPeaksAndNonFiniteSamples) {
  auto loud = make_unit(509, 0, 509, {0, 170, 339});
  loud.dfn[100] = -0.9;
  EXPECT_NE(check_unit(loud, period), "");
  loud.dfn[100] = 0.899;
  EXPECT_EQ(check_unit(loud, period), "");
  loud.dfn[100] = std::nan("");
  EXPECT_NE(check_unit(loud, period), "");
  auto bad_code = make_unit(300, 0, 0, {});
  bad_code.vzmt[10] = 2;
  EXPECT_NE(check_unit(bad_code, period), "");
}

}  // namespace
}  // namespace quelvara::tools
