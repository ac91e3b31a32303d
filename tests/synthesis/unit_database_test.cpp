#include "synthesis/unit_database.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>

#include "synthesis/phones.h"
#include "synthesis/synthetic_units.h"

namespace quelvara::synthesis {
namespace {

TEST(UnitPath, FolderDependsOnTheFirstNumberAndNamesNeverCollide) {
  const auto path_of = [](std::string_view a, std::string_view b) {
    return unit_path(phone_number(a).value(), phone_number(b).value()).generic_string();
  };
  EXPECT_EQ(path_of("_", "p"), "bd/oclus/12.mat");
  EXPECT_EQ(path_of("p", "a"), "bd/oclus/225.mat");
  EXPECT_EQ(path_of("t", "a"), "bd/oclus/425.mat");
  EXPECT_EQ(path_of("d", "a"), "bd/525.mat");
  EXPECT_EQ(path_of("a", "_"), "bd/251.mat");
  EXPECT_EQ(path_of("6~w", "_"), "bd/461.mat");
  EXPECT_EQ(path_of("i", "a"), "bd/2225.mat");
  std::set<std::filesystem::path> seen;
  for (int a = 1; a <= 46; ++a)
    for (int b = 1; b <= 46; ++b) EXPECT_TRUE(seen.insert(unit_path(a, b)).second) << a << " " << b;
}

TEST(UnitIsUsable, LengthsMustAgreeAndBeNonZero) {
  EXPECT_TRUE(unit_is_usable(testing::noise_unit(10, 0.1)));
  EXPECT_FALSE(unit_is_usable(UnitData{}));
  UnitData shorter = testing::noise_unit(10, 0.1);
  shorter.trm.pop_back();
  EXPECT_FALSE(unit_is_usable(shorter));
  UnitData longer = testing::noise_unit(10, 0.1);
  longer.vzmt.push_back(1);
  EXPECT_FALSE(unit_is_usable(longer));
}

TEST(UnitIsUsable, VoicedEndsNeedMarks) {
  UnitData ends_voiced = testing::noise_unit(20, 0.1);
  ends_voiced.vzmt.back() = 3;
  EXPECT_FALSE(unit_is_usable(ends_voiced));
  ends_voiced.trm[19] = 1;  // a mark on the last sample is enough
  EXPECT_TRUE(unit_is_usable(ends_voiced));

  UnitData begins_voiced = testing::noise_unit(20, 0.1);
  begins_voiced.vzmt.front() = 3;
  begins_voiced.trm[4] = 1;
  EXPECT_FALSE(unit_is_usable(begins_voiced));
  begins_voiced.trm[9] = -1;  // any nonzero value is a mark
  EXPECT_TRUE(unit_is_usable(begins_voiced));

  UnitData code_two = testing::noise_unit(20, 0.1);  // 2 is not voiced
  code_two.vzmt.front() = code_two.vzmt.back() = 2;
  EXPECT_TRUE(unit_is_usable(code_two));
}

// Wherever the value falls: values are checked several at a time, and the rest one by one.
TEST(UnitIsUsable, NonFiniteValuesAreRejected) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
    for (auto field : {&UnitData::dfn, &UnitData::trm, &UnitData::vzmt}) {
      for (std::size_t at = 0; at < 30; ++at) {
        UnitData unit = testing::voiced_unit(30, 10, 0.5);
        (unit.*field)[at] = bad;
        EXPECT_FALSE(unit_is_usable(unit)) << bad << " at " << at;
      }
    }
  }
  EXPECT_TRUE(unit_is_usable(testing::voiced_unit(30, 10, std::numeric_limits<double>::max())));
}

}  // namespace
}  // namespace quelvara::synthesis
