// The file layer's conversion of values to elements: what a write makes of values that do not
// fit its type.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "wave/element_type.h"

namespace quelvara::wave {
namespace {

using ::testing::ElementsAre;

std::vector<unsigned char> encoded(std::vector<double> values, const char* type) {
  return encode_elements(values, *element_type_named(type));
}

TEST(ElementType, IntegersAreRoundedHalfAwayAndSaturatedFloatsKeptAsTheyAre) {
  EXPECT_THAT(encoded({2.5, -1, 70000, std::nan("")}, "ushort"), ElementsAre(3, 0, 0, 0, 0xFF, 0xFF, 0, 0));
  EXPECT_THAT(encoded({-2.5, 40000}, "short"), ElementsAre(0xFD, 0xFF, 0xFF, 0x7F));
  EXPECT_THAT(encoded({4294967296.0, 44100}, "ulong"), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0x44, 0xAC, 0, 0));
  EXPECT_THAT(encoded({-1, 9e6}, "bit24"), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F));
  EXPECT_THAT(encoded({'R', 300, -4}, "char"), ElementsAre('R', 255, 0));
  EXPECT_THAT(encoded({-2.0}, "float"), ElementsAre(0, 0, 0, 0xC0));
  EXPECT_FALSE(element_type_named("int16"));
}

}  // namespace
}  // namespace quelvara::wave
