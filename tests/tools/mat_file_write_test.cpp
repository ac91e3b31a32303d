#include <gtest/gtest.h>
#include <matio.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/mat_file.h"
#include "support/temp_dir.h"

namespace quelvara {
namespace {

std::string bytes_of(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

synthesis::UnitData sample_unit() {
  return {{0.5, -0.25, 0.125, 0.0}, {1, 0, 0, 0}, {3, 3, 3, 3}};
}

TEST(WriteUnitFile, WritesDoublesWithTheShapesTheLoaderExpects) {
  testing::TempDir dir;
  const auto file = dir / "2225.mat";
  ASSERT_TRUE(runtime::write_unit_file(file, sample_unit()));

  mat_t* mat = Mat_Open(file.string().c_str(), MAT_ACC_RDONLY);
  ASSERT_NE(mat, nullptr);
  EXPECT_EQ(Mat_GetVersion(mat), MAT_FT_MAT5);
  const struct { const char* name; std::size_t rows, columns; } expected[] = {
      {"dfn", 4, 1}, {"trm", 1, 4}, {"vzmt", 1, 4}};
  for (const auto& e : expected) {
    matvar_t* v = Mat_VarRead(mat, e.name);
    ASSERT_NE(v, nullptr) << e.name;
    EXPECT_EQ(v->class_type, MAT_C_DOUBLE) << e.name;
    EXPECT_EQ(v->dims[0], e.rows) << e.name;
    EXPECT_EQ(v->dims[1], e.columns) << e.name;
    Mat_VarFree(v);
  }
  Mat_Close(mat);

  const auto back = runtime::read_unit_file(file);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->dfn, sample_unit().dfn);
  EXPECT_EQ(back->trm, sample_unit().trm);
  EXPECT_EQ(back->vzmt, sample_unit().vzmt);
}

TEST(WriteUnitFile, EqualUnitsGiveEqualBytes) {
  testing::TempDir dir;
  ASSERT_TRUE(runtime::write_unit_file(dir / "a.mat", sample_unit()));
  ASSERT_TRUE(runtime::write_unit_file(dir / "b.mat", sample_unit()));
  const auto a = bytes_of(dir / "a.mat");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, bytes_of(dir / "b.mat"));
  EXPECT_EQ(a.find("Created on"), std::string::npos);
}

TEST(WriteUnitFile, RefusesMalformedUnitsAndUnwritablePlaces) {
  testing::TempDir dir;
  auto unequal = sample_unit();
  unequal.vzmt.pop_back();
  EXPECT_FALSE(runtime::write_unit_file(dir / "u.mat", unequal));
  EXPECT_FALSE(std::filesystem::exists(dir / "u.mat"));
  EXPECT_FALSE(runtime::write_unit_file(dir / "e.mat", synthesis::UnitData{}));
  EXPECT_FALSE(runtime::write_unit_file(dir / "no-such-folder" / "x.mat", sample_unit()));
}

}  // namespace
}  // namespace quelvara
