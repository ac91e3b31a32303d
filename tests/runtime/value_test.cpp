#include "runtime/value.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace quelvara::runtime {
namespace {

TEST(Array, AssignmentPastTheEndGrowsWithZeros) {
  Array empty;
  empty.set(3, 5);
  EXPECT_EQ(empty, Array::row({0, 0, 5}));

  Array row = Array::row({1, 2});
  row.set(4, 9);
  EXPECT_EQ(row.rows(), 1u);
  EXPECT_EQ(row.data(), (std::vector<double>{1, 2, 0, 9}));

  Array column = Array::column({1, 2});
  column.set(3, 7);
  EXPECT_EQ(column.rows(), 3u);
  EXPECT_EQ(column.cols(), 1u);
  EXPECT_EQ(column(3), 7);

  Array matrix = Array::zeros(2, 2);
  EXPECT_THROW(matrix.set(5, 1), std::out_of_range);
  EXPECT_THROW(matrix.set(0, 1), std::out_of_range);
  matrix.set(4, 3);
  EXPECT_EQ(matrix(2, 2), 3);
}

TEST(Array, AccessIsOneBasedColumnMajorAndChecked) {
  const Array m = Array::matrix(2, 3, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(m(1, 2), 3);
  EXPECT_EQ(m(2, 3), 6);
  EXPECT_EQ(m(4), 4);
  EXPECT_THROW(m(0), std::out_of_range);
  EXPECT_THROW(m(7), std::out_of_range);
  EXPECT_THROW(m(3, 1), std::out_of_range);
  EXPECT_THROW(m(1, 4), std::out_of_range);
  EXPECT_EQ(m.transposed()(1, 2), 2);
  EXPECT_THROW(Array::matrix(2, 2, {1}), std::invalid_argument);
  EXPECT_TRUE(Array::empty().is_empty());
  EXPECT_TRUE(Array::row({}).is_empty());
}

TEST(Array, TextRoundTripsIncludingAccentsAndStrayBytes) {
  const Array g = Array::text("Gráfica");
  EXPECT_TRUE(g.is_char());
  EXPECT_EQ(g.cols(), 7u);  // characters, not bytes
  EXPECT_EQ(g(3), 0xE1);
  EXPECT_EQ(g.to_text(), "Gráfica");
  EXPECT_EQ(Array::text("não").to_text(), "não");
  const std::string stray = "a\xff" "b";
  EXPECT_EQ(Array::text(stray).cols(), 3u);
  EXPECT_EQ(Array::text(stray).to_text().size(), 4u);  // the stray byte comes back as a character
  EXPECT_TRUE(Array::text("").is_empty());
  EXPECT_TRUE(Array::text("").is_char());
}

TEST(Record, FieldsKeepTheirCreationOrder) {
  Record r;
  r.set("texto", 3.0);
  r.set("click", "off");
  r.set("orig", Array::row({1, 2}));
  r.set("click", "on");  // replacing keeps the place
  EXPECT_EQ(r.names(), (std::vector<std::string>{"texto", "click", "orig"}));
  EXPECT_TRUE(r.get("click").is_text("on"));
  EXPECT_THROW(r.get("sinal"), std::out_of_range);
  EXPECT_TRUE(r.remove("texto"));
  EXPECT_FALSE(r.remove("texto"));
  r.set("texto", 4.0);
  EXPECT_EQ(r.names(), (std::vector<std::string>{"click", "orig", "texto"}));
  EXPECT_EQ(r.size(), 3u);
}

TEST(Value, HasValueSemantics) {
  Record handles;
  handles.set("orig", Array::row({1, 2, 3}));
  Value stored = handles;
  Value copy = stored;
  copy.record().set("orig", Array::row({9}));
  copy.record().set("sinal", 1.0);
  EXPECT_EQ(stored.record().get("orig").array(), Array::row({1, 2, 3}));
  EXPECT_FALSE(stored.record().has("sinal"));

  Cell cell{{Value("a"), Value(2.0)}};
  Cell other = cell;
  other.items[0] = Value("b");
  EXPECT_TRUE(cell.items[0].is_text("a"));

  EXPECT_TRUE(Value().is_empty());
  EXPECT_TRUE(Value(2).is_number());
  EXPECT_FALSE(Value("2").is_number());
  EXPECT_FALSE(Value(Array::text("ab")).is_text("a"));
}

}  // namespace
}  // namespace quelvara::runtime
