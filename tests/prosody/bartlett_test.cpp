#include "prosody/bartlett.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace quelvara::prosody {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct Recorder {
  std::vector<std::string> warnings;
  std::function<void(const std::string&)> sink() {
    return [this](const std::string& text) { warnings.push_back(text); };
  }
};

TEST(Bartlett, TrivialOrdersNeedNoComputation) {
  Recorder recorder;
  EXPECT_THAT(bartlett(std::nullopt, recorder.sink()), IsEmpty());
  EXPECT_THAT(bartlett(0.0, recorder.sink()), IsEmpty());
  EXPECT_THAT(bartlett(1.0, recorder.sink()), ElementsAre(1.0));
  EXPECT_THAT(recorder.warnings, IsEmpty());
}

TEST(Bartlett, SmallWindowsHaveZeroEndsAndExactMiddles) {
  EXPECT_THAT(bartlett(2.0), ElementsAre(0.0, 0.0));
  EXPECT_THAT(bartlett(3.0), ElementsAre(0.0, 1.0, 0.0));
  EXPECT_THAT(bartlett(4.0), ElementsAre(0.0, 2.0 / 3.0, 2.0 / 3.0, 0.0));
  EXPECT_THAT(bartlett(5.0), ElementsAre(0.0, 0.5, 1.0, 0.5, 0.0));
}

TEST(Bartlett, LongWindowsAreExactlySymmetricWithTheirPeakWhereExpected) {
  for (int n : {170, 171, 340, 341}) {
    const std::vector<double> w = bartlett(static_cast<double>(n));
    ASSERT_EQ(w.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) ASSERT_EQ(w[i], w[n - 1 - i]) << "n=" << n << " i=" << i;
    EXPECT_EQ(w.front(), 0.0);
    const double peak = n % 2 ? 1.0 : (n - 2.0) / (n - 1.0);
    EXPECT_EQ(w[n / 2], peak) << n;
    for (int i = 1; i <= (n - 1) / 2; ++i) ASSERT_LT(w[i - 1], w[i]) << "n=" << n << " i=" << i;
    if (n % 2 == 0) {
      EXPECT_EQ(w[n / 2 - 1], peak) << n;
    }
  }
}

TEST(Bartlett, FractionalOrdersAreRoundedWithAWarning) {
  Recorder recorder;
  EXPECT_THAT(bartlett(2.5, recorder.sink()), ElementsAre(0.0, 1.0, 0.0));
  EXPECT_THAT(bartlett(0.4, recorder.sink()), IsEmpty());
  EXPECT_THAT(recorder.warnings, ElementsAre("Rounding order to nearest integer.",
                                             "Rounding order to nearest integer."));
}

TEST(Bartlett, NegativeOrdersFailWithoutWarning) {
  Recorder recorder;
  for (double order : {-1.0, -0.4}) {
    try {
      bartlett(order, recorder.sink());
      ADD_FAILURE() << "no error for " << order;
    } catch (const OrderError& error) {
      EXPECT_STREQ(error.what(), "Order cannot be less than zero.");
    }
  }
  EXPECT_THAT(recorder.warnings, IsEmpty());
}

TEST(Bartlett, UnusableOrdersNeitherCrashNorAllocateWildly) {
  EXPECT_THAT(bartlett(std::numeric_limits<double>::quiet_NaN()), IsEmpty());
  EXPECT_THROW(bartlett(std::numeric_limits<double>::infinity()), std::length_error);
}

TEST(CheckOrder, ReportsTheOrderToUseAndWhetherTheWindowIsDone) {
  const CheckedOrder empty = check_order(std::nullopt);
  EXPECT_FALSE(empty.n_out.has_value());
  EXPECT_TRUE(empty.trivalwin);
  EXPECT_THAT(empty.w, IsEmpty());

  const CheckedOrder one = check_order(1.0);
  EXPECT_EQ(one.n_out, 1.0);
  EXPECT_TRUE(one.trivalwin);
  EXPECT_THAT(one.w, ElementsAre(1.0));

  Recorder recorder;
  const CheckedOrder rounded = check_order(6.5, recorder.sink());  // halves go away from zero
  EXPECT_EQ(rounded.n_out, 7.0);
  EXPECT_TRUE(rounded.rounded);
  EXPECT_FALSE(rounded.trivalwin);
  EXPECT_THAT(rounded.w, IsEmpty());
  EXPECT_THAT(recorder.warnings, ElementsAre("Rounding order to nearest integer."));

  const CheckedOrder to_one = check_order(0.5);
  EXPECT_EQ(to_one.n_out, 1.0);
  EXPECT_THAT(to_one.w, ElementsAre(1.0));
}

}  // namespace
}  // namespace quelvara::prosody
