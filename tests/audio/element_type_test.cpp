// The file layer's conversion of values to elements: what a header write makes of values
// that do not fit its type.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "audio/element_type.h"

namespace quelvara::audio {
namespace {

using ::testing::ElementsAre;

std::vector<unsigned char> encoded(std::vector<double> values, const char* type) {
  return encode_elements(values, *element_type_named(type));
}

TEST(ElementType, IntegersAreRoundedHalfAwayAndSaturated) {
  EXPECT_THAT(encoded({2.5, -1, 70000, std::nan("")}, "ushort"),
              ElementsAre(3, 0, 0, 0, 0xFF, 0xFF, 0, 0));
  EXPECT_THAT(encoded({-2.5, 40000}, "short"), ElementsAre(0xFD, 0xFF, 0xFF, 0x7F));
  EXPECT_THAT(encoded({4294967296.0, 44100}, "ulong"),
              ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0x44, 0xAC, 0, 0));
  EXPECT_THAT(encoded({-1, 9e6}, "bit24"), ElementsAre(0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F));
  EXPECT_THAT(encoded({'R', 300, -4}, "char"), ElementsAre('R', 255, 0));
}

TEST(ElementType, FloatKeepsValuesOutsideTheNominalRange) {
  EXPECT_THAT(encoded({-2.0}, "float"), ElementsAre(0, 0, 0, 0xC0));
}

TEST(ElementType, NamesAndSizes) {
  const std::pair<const char*, std::size_t> known[] = {
      {"char", 1}, {"uchar", 1}, {"short", 2}, {"ushort", 2}, {"ulong", 4}, {"bit24", 3}, {"float", 4}};
  for (const auto& [name, size] : known) {
    ASSERT_TRUE(element_type_named(name)) << name;
    EXPECT_EQ(element_size(*element_type_named(name)), size) << name;
  }
  EXPECT_FALSE(element_type_named("int16"));
}

}  // namespace
}  // namespace quelvara::audio
