// The builder's index as the analysis reads it: where each unit's second phone begins.
#include "synthesis/unit_index.h"

#include <gtest/gtest.h>

#include "synthesis/text_reader.h"

namespace quelvara::synthesis {
namespace {

TEST(UnitIndex, TakesTheColumnFronteiraByItsNameAndSkipsWhatItCannotRead) {
  const auto index = UnitIndex::parse(
      "# par\tsímbolos\tfronteira\tpico\n"
      "2-25\tp a\t1083\t0.3\r\n"
      "25-1\ta _\t1441\t0.2\n"
      "x-1\t?\t5\t0\n"
      "47-1\t?\t5\t0\n"
      "25-2\ta p\tmuito\t0\n"
      "1-2\t_ p\n");
  ASSERT_TRUE(index.has_value());
  EXPECT_EQ(index->boundary(2, 25), 1083u);
  EXPECT_EQ(index->boundary(25, 1), 1441u);
  EXPECT_EQ(index->boundary(25, 2), std::nullopt);
  EXPECT_EQ(index->boundary(1, 2), std::nullopt);
  EXPECT_EQ(index->boundary(47, 1), std::nullopt);
  EXPECT_FALSE(UnitIndex::parse("# par\tsímbolos\n2-25\tp a\n").has_value());  // no such column
  EXPECT_FALSE(UnitIndex::read("/nonexistent").has_value());
}

TEST(UnitIndex, PhonesBeginAtTheBoundariesOrAtTheMiddlesOfTheUnits) {
  const auto index = UnitIndex::parse("# par\tfronteira\n1-2\t1102\n2-25\t900\n25-1\t4000\n");
  const Reading reading = *read_text("_pa_.");
  const std::vector<std::size_t> limdf{1500, 2000, 3000};
  const auto boundaries = unit_boundaries(reading, limdf, &*index);
  EXPECT_EQ(boundaries, (std::vector<std::size_t>{1102, 900, 1500}));  // 4000 lies outside its unit
  EXPECT_EQ(unit_boundaries(reading, limdf, nullptr), (std::vector<std::size_t>{750, 1000, 1500}));
  EXPECT_EQ(phone_starts(limdf, boundaries), (std::vector<std::size_t>{0, 1102, 2400, 5000}));
}

}  // namespace
}  // namespace quelvara::synthesis
