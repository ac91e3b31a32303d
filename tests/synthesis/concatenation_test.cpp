#include "synthesis/concatenation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <set>
#include <stdexcept>

#include "synthesis/synthetic_units.h"

namespace quelvara::synthesis {
namespace {

using testing::alternating_unit;
using testing::noise_unit;
using testing::voiced_unit;

// A voiced unit whose last period, from its last mark to its end, has level exactly `level`.
UnitData unit_with_level(double level, std::size_t length = 40) {
  UnitData unit = noise_unit(length, 0.9);
  unit.vzmt.assign(length, testing::voiced_code);
  unit.trm[length - 8] = 1;
  for (std::size_t k = length - 8; k < length; ++k) unit.dfn[k] = (k % 2 ? level : -level);
  return unit;
}

// The joined marks and voicing keep only marks and runs, and give back exactly the rows that
// were appended: values of the marks, codes bit for bit (a negative zero is not a zero), runs
// that continue across units.
TEST(JoinedRows, MarksAndVoicingGiveBackTheAppendedRows) {
  const std::vector<std::vector<double>> trm = {{0, 2, 0, 0}, {1, 0, 0}, {0, 0, -0.5, 0, 0}};
  const std::vector<std::vector<double>> vzmt = {{0, 0, 3, 3}, {3, -0.0, 0}, {5, 5, 2.5, 2.5, 5}};
  PitchMarks pitch;
  VoicingCodes vzmto;
  std::vector<double> all_trm, all_vzmt;
  for (std::size_t u = 0; u < trm.size(); ++u) {
    pitch.append(trm[u]);
    vzmto.append(vzmt[u]);
    all_trm.insert(all_trm.end(), trm[u].begin(), trm[u].end());
    all_vzmt.insert(all_vzmt.end(), vzmt[u].begin(), vzmt[u].end());
  }
  EXPECT_EQ(pitch.size(), 12u);
  EXPECT_EQ(pitch.row(), all_trm);
  EXPECT_EQ(pitch.positions, (std::vector<std::size_t>{1, 4, 9}));
  const std::vector<double> codes = vzmto.row();
  ASSERT_EQ(codes.size(), all_vzmt.size());
  for (std::size_t k = 0; k < codes.size(); ++k) {
    EXPECT_EQ(std::signbit(codes[k]), std::signbit(all_vzmt[k])) << k;
    EXPECT_EQ(codes[k], all_vzmt[k]) << k;
    EXPECT_EQ(vzmto[k], all_vzmt[k]) << k;
    EXPECT_EQ(pitch[k], all_trm[k]) << k;
  }
  // 0 0 | 3 3 3 | -0 | 0 | 5 5 | 2.5 2.5 | 5
  EXPECT_EQ(vzmto.starts, (std::vector<std::size_t>{0, 2, 5, 6, 7, 9, 11}));
  EXPECT_THROW(static_cast<void>(pitch[12]), std::out_of_range);
  EXPECT_THROW(static_cast<void>(vzmto[12]), std::out_of_range);
  EXPECT_TRUE(PitchMarks{}.empty() && VoicingCodes{}.row().empty());
}

TEST(AppendUnit, ALevelThatIsNoFiniteNumberIsRefused) {
  // Each level is finite, but nine of them sum past the largest double: the ninth unit is
  // refused and nothing of it kept.
  Joined joined;
  int appended = 0;
  while (appended < 20 && append_unit(joined, unit_with_level(2e307))) ++appended;
  EXPECT_EQ(appended, 8);
  EXPECT_EQ(joined.limdf.size(), 8u);
  EXPECT_EQ(joined.orig.size(), 8u * 40u);
  UnitData overflowing = unit_with_level(1.0);
  for (double& x : overflowing.dfn) x = 1.7e308;  // the sum over its last period overflows
  Joined fresh;
  EXPECT_FALSE(append_unit(fresh, overflowing));
  EXPECT_TRUE(fresh.media.empty() && fresh.orig.empty());
}

TEST(AppendUnit, LevelIsTakenFromTheLastPeriod) {
  Joined joined;
  // Ends voiced: from the last mark to the end, even though it also begins voiced.
  append_unit(joined, alternating_unit(25, 10, 0.5));
  ASSERT_TRUE(joined.media[0].has_value());
  EXPECT_EQ(*joined.media[0], 0.5);

  // Begins voiced, ends unvoiced: the period between the last two marks.
  UnitData falling = noise_unit(30, 0.9);
  falling.vzmt.assign(30, testing::unvoiced_code);
  falling.vzmt[0] = testing::voiced_code;
  falling.trm[4] = falling.trm[12] = 1;
  for (std::size_t k = 4; k < 12; ++k) falling.dfn[k] = k % 2 ? 0.25 : -0.25;
  append_unit(joined, falling);
  ASSERT_TRUE(joined.media[1].has_value());
  EXPECT_EQ(*joined.media[1], 0.25);

  // Unvoiced at both ends: no level.
  append_unit(joined, noise_unit(12, 0.3));
  EXPECT_FALSE(joined.media[2].has_value());
}

TEST(AppendUnit, JoinedRowsKeepTheirInvariants) {
  Joined joined;
  const std::vector<UnitData> units = {voiced_unit(50, 12, 0.4), noise_unit(31, 0.2),
                                       voiced_unit(7, 3, 0.8)};
  for (const auto& unit : units) append_unit(joined, unit);
  ASSERT_EQ(joined.limdf, (std::vector<std::size_t>{50, 31, 7}));
  ASSERT_EQ(joined.media.size(), 3u);
  ASSERT_EQ(joined.fctalisa, (std::vector<double>{1, 1, 1}));
  ASSERT_EQ(joined.orig.size(), 88u);
  ASSERT_EQ(joined.pitch.size(), 88u);
  ASSERT_EQ(joined.vzmto.size(), 88u);
  std::size_t start = 0;
  for (const auto& unit : units) {
    for (std::size_t k = 0; k < unit.dfn.size(); ++k) {
      EXPECT_EQ(joined.orig[start + k], unit.dfn[k]);
      EXPECT_EQ(joined.pitch[start + k], unit.trm[k]);
      EXPECT_EQ(joined.vzmto[start + k], unit.vzmt[k]);
    }
    start += unit.dfn.size();
  }
}

TEST(AppendUnit, RefusesUnusableUnits) {
  Joined joined;
  UnitData unmarked = noise_unit(10, 0.1);
  unmarked.vzmt.back() = 5;
  EXPECT_THROW(append_unit(joined, unmarked), std::invalid_argument);
  EXPECT_THROW(append_unit(joined, UnitData{}), std::invalid_argument);
  EXPECT_TRUE(joined.orig.empty());
  EXPECT_TRUE(joined.limdf.empty());
}

TEST(AppendUnit, RowsGrowWithoutCopyingOnEveryUnit) {
  Joined joined;
  const UnitData unit = voiced_unit(200, 50, 0.3);
  std::set<const double*> buffers;
  for (int n = 0; n < 2000; ++n) {
    append_unit(joined, unit);
    buffers.insert(joined.orig.data());
  }
  // Geometric growth reallocates a logarithmic number of times; exact-fit growth would
  // reallocate on (nearly) every unit.
  EXPECT_LT(buffers.size(), 40u);
  EXPECT_EQ(joined.orig.size(), 400000u);
}

TEST(SmoothLevels, WorkedExample) {
  Joined joined;
  append_unit(joined, unit_with_level(0.2));
  append_unit(joined, unit_with_level(0.6));
  append_unit(joined, noise_unit(40, 0.5));
  const std::vector<double> before = joined.orig;
  smooth_levels(joined);
  EXPECT_NEAR(joined.fctalisa[0], 0.75, 1e-12);
  EXPECT_NEAR(joined.fctalisa[1], 0.25, 1e-12);
  EXPECT_EQ(joined.fctalisa[2], 1.0);
  for (std::size_t k = 0; k < 40; ++k) EXPECT_DOUBLE_EQ(joined.orig[k], before[k] * joined.fctalisa[0]);
  for (std::size_t k = 40; k < 80; ++k) EXPECT_DOUBLE_EQ(joined.orig[k], before[k] * joined.fctalisa[1]);
  for (std::size_t k = 80; k < 120; ++k) EXPECT_EQ(joined.orig[k], before[k]);
}

TEST(SmoothLevels, FactorsAreExactWhereTheArithmeticIs) {
  Joined joined;
  append_unit(joined, unit_with_level(0.25));
  append_unit(joined, noise_unit(10, 0.5));
  append_unit(joined, unit_with_level(0.75));
  const std::vector<double> pitch = joined.pitch.row(), vzmto = joined.vzmto.row();
  smooth_levels(joined);
  EXPECT_EQ(joined.fctalisa, (std::vector<double>{0.75, 1, 0.25}));
  EXPECT_EQ(joined.orig[40 + 10 + 39], 0.75 * 0.25);
  EXPECT_EQ(joined.pitch.row(), pitch);  // marks and voicing are never scaled
  EXPECT_EQ(joined.vzmto.row(), vzmto);
}

TEST(SmoothLevels, LevelsOfAlternatingSignDoNotInvertOrBlowUpUnits) {
  // The plain means of these periods are -0.05 and +0.1, which would give factors 2 and -1;
  // their levels are 0.275 and 0.475.
  Joined joined;
  UnitData a = unit_with_level(0.3);
  UnitData b = unit_with_level(0.5);
  a.dfn[a.dfn.size() - 1] -= 0.4;
  b.dfn[b.dfn.size() - 2] += 0.8;
  append_unit(joined, a);
  append_unit(joined, b);
  smooth_levels(joined);
  for (double f : joined.fctalisa) {
    EXPECT_GT(f, 0);
    EXPECT_LE(f, 1);
  }
  for (double x : joined.orig) EXPECT_LE(std::abs(x), 1.0);
}

TEST(SmoothLevels, NothingIsScaledWithoutTwoLevelsOrWithAZeroSum) {
  Joined single;
  append_unit(single, unit_with_level(0.4));
  append_unit(single, noise_unit(20, 0.5));
  const std::vector<double> single_before = single.orig;
  smooth_levels(single);
  EXPECT_EQ(single.orig, single_before);
  EXPECT_EQ(single.fctalisa, (std::vector<double>{1, 1}));

  Joined silent;
  append_unit(silent, unit_with_level(0.0));
  append_unit(silent, unit_with_level(0.0));
  const std::vector<double> silent_before = silent.orig;
  smooth_levels(silent);
  EXPECT_EQ(silent.orig, silent_before);
  for (double x : silent.orig) EXPECT_FALSE(std::isnan(x));

  Joined empty;
  smooth_levels(empty);
  EXPECT_TRUE(empty.orig.empty());
}

TEST(SmoothLevels, RefusesInconsistentRows) {
  Joined joined;
  append_unit(joined, unit_with_level(0.2));
  append_unit(joined, unit_with_level(0.4));
  joined.limdf[1] += 5;  // would run past the end of orig
  EXPECT_THROW(smooth_levels(joined), std::invalid_argument);
}

}  // namespace
}  // namespace quelvara::synthesis
