#include <gtest/gtest.h>
#include <matio.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

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

// The data element of each variable, in file order: name and level-5 data type.
std::vector<std::pair<std::string, std::uint32_t>> stored_types(const std::string& bytes) {
  std::vector<std::pair<std::string, std::uint32_t>> out;
  const auto word = [&](std::size_t at) {
    std::uint32_t w;
    std::memcpy(&w, bytes.data() + at, 4);
    return w;
  };
  for (std::size_t pos = 128; pos + 8 <= bytes.size(); pos += 8 + word(pos + 4)) {
    if (word(pos) != MAT_T_MATRIX) return {};  // compressed or foreign
    // flags (16 bytes) and dimensions (16) after the tag, then the name as a small element
    const std::size_t name = pos + 8 + 16 + 16;
    const std::size_t name_length = word(name) >> 16;
    out.emplace_back(bytes.substr(name + 4, name_length), word(name + 8));
  }
  return out;
}

TEST(WriteUnitFile, StoresEachVariableUncompressedInTheNarrowestExactTypeInAFixedOrder) {
  testing::TempDir dir;
  const auto file = dir / "u.mat";
  ASSERT_TRUE(runtime::write_unit_file(file, sample_unit()));
  // Halves are exact in single precision; marks and codes are small whole numbers.
  const std::vector<std::pair<std::string, std::uint32_t>> narrow = {
      {"dfn", MAT_T_SINGLE}, {"trm", MAT_T_UINT8}, {"vzmt", MAT_T_UINT8}};
  EXPECT_EQ(stored_types(bytes_of(file)), narrow);

  // Values that only a wider type holds exactly keep their bits: a sample no float holds, a
  // negative zero, marks beyond a byte, negative codes.
  const synthesis::UnitData wide{{0.1, -0.0, 1e-300, 0.0}, {300, 0, 0, 0}, {-1, 3, 3, 70000}};
  ASSERT_TRUE(runtime::write_unit_file(file, wide));
  const std::vector<std::pair<std::string, std::uint32_t>> wider = {
      {"dfn", MAT_T_DOUBLE}, {"trm", MAT_T_UINT16}, {"vzmt", MAT_T_INT32}};
  EXPECT_EQ(stored_types(bytes_of(file)), wider);
  const auto back = runtime::read_unit_file(file);
  ASSERT_TRUE(back.has_value());
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(back->dfn[k]), std::bit_cast<std::uint64_t>(wide.dfn[k])) << k;
  }
  EXPECT_EQ(back->trm, wide.trm);
  EXPECT_EQ(back->vzmt, wide.vzmt);

  const synthesis::UnitData signed_small{{0.5, 0.5}, {1, 0}, {-3, 4}};
  ASSERT_TRUE(runtime::write_unit_file(file, signed_small));
  EXPECT_EQ(stored_types(bytes_of(file))[2].second, MAT_T_INT8);
  EXPECT_EQ(runtime::read_unit_file(file)->vzmt, signed_small.vzmt);
}

TEST(WriteUnitFile, ItsLengthCanBeToldFromTheFirstBytes) {
  testing::TempDir dir;
  synthesis::UnitData unit;
  unit.dfn.assign(1234, 0.25);
  unit.trm.assign(1234, 0.0);
  unit.trm[0] = 1;
  unit.vzmt.assign(1234, 3.0);
  ASSERT_TRUE(runtime::write_unit_file(dir / "u.mat", unit));
  EXPECT_EQ(runtime::unit_file_length(dir / "u.mat"), 1234u);
  EXPECT_EQ(runtime::unit_file_length(dir / "absent.mat"), std::nullopt);
  EXPECT_EQ(runtime::unit_file_length(dir.path()), std::nullopt);
  // A file cut inside its first variable's header tells nothing.
  const std::string bytes = bytes_of(dir / "u.mat");
  std::ofstream(dir / "cut.mat", std::ios::binary) << bytes.substr(0, 170);
  EXPECT_EQ(runtime::unit_file_length(dir / "cut.mat"), std::nullopt);
  // The first bytes are only a hint: a file that claims more samples than it holds is told as
  // it claims, and refused when it is read. A claim beyond any unit is not even told.
  std::string lying = bytes;
  std::uint32_t claim = 1000000;
  std::memcpy(lying.data() + 160, &claim, 4);
  std::ofstream(dir / "lying.mat", std::ios::binary) << lying;
  EXPECT_EQ(runtime::unit_file_length(dir / "lying.mat"), 1000000u);
  EXPECT_FALSE(runtime::read_unit_file(dir / "lying.mat").has_value());
  claim = 0x7fffffff;
  std::memcpy(lying.data() + 160, &claim, 4);
  std::ofstream(dir / "lying.mat", std::ios::binary) << lying;
  EXPECT_EQ(runtime::unit_file_length(dir / "lying.mat"), std::nullopt);
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
