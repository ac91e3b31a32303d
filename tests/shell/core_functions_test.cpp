#include "shell/core_functions.h"

#include <gtest/gtest.h>

#include "runtime/function_registry.h"
#include "support/by_name_test.h"

namespace quelvara::shell {
namespace {

using runtime::Array;
using runtime::Value;

class CoreFunctions : public quelvara::testing::ByNameTest {
 protected:
  void SetUp() override {
    ByNameTest::SetUp();
    install_core_functions();
  }
};

std::string check_message(const std::string& name, const char* what, int k) {
  return "Run-time Error: File: " + name + " Line: 1 Column: 1 The function \"" + name +
         "\" was called with more than the declared number of " + what + " (" + std::to_string(k) + ").";
}

TEST_F(CoreFunctions, EntriesRejectSurplusCountsWithTheFixedMessages) {
  EXPECT_EQ(error_of("bartlett", 2, {Value(4.0), Value(1.0)}), check_message("bartlett", "outputs", 1));
  EXPECT_EQ(error_of("signal/private/check_order", 1, {Value(1.0), Value(2.0)}),
            check_message("signal/private/check_order", "inputs", 1));
}

TEST_F(CoreFunctions, BartlettByName) {
  const auto w = runtime::call_by_name("bartlett", 1, {Value(4.0)});
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].array(), Array::column({0, 2.0 / 3, 2.0 / 3, 0}));
  const auto empty = runtime::call_by_name("bartlett", 1, {Value()})[0].array();
  EXPECT_EQ(empty.rows(), 0u);
  EXPECT_EQ(empty.cols(), 1u);
  EXPECT_EQ(runtime::call_by_name("bartlett", 1, {Value(2.5)})[0].array(), Array::column({0, 1, 0}));
  EXPECT_EQ(printed_, "Warning: Rounding order to nearest integer.\n");
  EXPECT_EQ(error_of("bartlett", 1, {Value(-0.4)}), "Order cannot be less than zero.");
  EXPECT_EQ(error_of("bartlett", 1, {}), "Not enough input arguments.");
  EXPECT_EQ(error_of("bartlett", 1, {Value(Array::row({1, 2}))}), "The order must be a single number.");
}

TEST_F(CoreFunctions, CheckOrderByNameGivesItsThreeResults) {
  const auto trivial = runtime::call_by_name("signal/private/check_order", 3, {Value()});
  ASSERT_EQ(trivial.size(), 3u);
  EXPECT_TRUE(trivial[0].is_empty());
  EXPECT_EQ(trivial[1].array().rows(), 0u);
  EXPECT_EQ(trivial[1].array().cols(), 1u);
  EXPECT_EQ(trivial[2].number(), 1);
  const auto one = runtime::call_by_name("signal/private/check_order", 3, {Value(1.0)});
  EXPECT_EQ(one[1].array(), Array::scalar(1));
  const auto plain = runtime::call_by_name("signal/private/check_order", 3, {Value(6.0)});
  EXPECT_EQ(plain[0].number(), 6);
  EXPECT_TRUE(plain[1].is_empty());
  EXPECT_EQ(plain[2].number(), 0);
}

}  // namespace
}  // namespace quelvara::shell
