#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <utility>
#include <vector>

#include "runtime/mat_file.h"
#include "support/temp_dir.h"
#include "synthesis/mat_writer.h"
#include "synthesis/synthetic_units.h"

namespace quelvara::runtime {
namespace {

using testing::column;
using testing::MatVariable;
using testing::numeric;
using testing::row;
using testing::write_mat_file;

const std::vector<double> wave = {0.5, -0.25, 0.125, 0.0, -0.5};
const std::vector<double> marks = {1, 0, 0, 1, 0};
const std::vector<double> voicing = {5, 5, 5, 5, 5};

class UnitFile : public ::testing::Test {
 protected:
  std::optional<synthesis::UnitData> write_and_read(const std::vector<MatVariable>& variables,
                                                    mat_ft version = MAT_FT_MAT5,
                                                    matio_compression compression = MAT_COMPRESSION_NONE) {
    write_mat_file(file, variables, version, compression);
    return read_unit_file(file);
  }

  std::vector<char> bytes_of(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void write_bytes(const std::vector<char>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Start of each top-level element of a level-5 file (little-endian), and its byte count.
  std::vector<std::pair<std::size_t, std::uint32_t>> elements(const std::vector<char>& bytes) {
    std::vector<std::pair<std::size_t, std::uint32_t>> out;
    for (std::size_t pos = 128; pos + 8 <= bytes.size();) {
      std::uint32_t count;
      std::memcpy(&count, &bytes[pos + 4], 4);
      out.emplace_back(pos, count);
      pos += 8 + count;
    }
    return out;
  }

  testing::TempDir dir;
  std::filesystem::path file = dir / "unit.mat";
};

TEST_F(UnitFile, ReadsTheDatabaseLayoutInEveryVersion) {
  const synthesis::UnitData unit{wave, marks, voicing};
  for (auto compression : {MAT_COMPRESSION_NONE, MAT_COMPRESSION_ZLIB}) {
    auto read = write_and_read({column("dfn", wave), row("trm", marks), row("vzmt", voicing)},
                               MAT_FT_MAT5, compression);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->dfn, wave);
    EXPECT_EQ(read->trm, marks);
    EXPECT_EQ(read->vzmt, voicing);
    if (compression == MAT_COMPRESSION_ZLIB) {
      EXPECT_EQ(unit_file_length(file), std::nullopt);
    }
  }
  auto v4 = write_and_read({column("dfn", wave), row("trm", marks), row("vzmt", voicing)}, MAT_FT_MAT4);
  ASSERT_TRUE(v4.has_value());
  EXPECT_EQ(v4->dfn, wave);
  EXPECT_EQ(unit_file_length(file), std::nullopt) << "only the builder's layout tells its length";

  testing::write_unit(dir / "written.mat", unit);
  auto written = read_unit_file(dir / "written.mat");
  ASSERT_TRUE(written.has_value());
  EXPECT_EQ(written->trm, marks);
}

TEST_F(UnitFile, EitherOrientationAndExtraVariables) {
  auto read = write_and_read({row("dfn", wave), column("trm", marks), column("vzmt", voicing),
                              row("cont", {7}), testing::char_row("note", "extra")});
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->dfn, wave);
  EXPECT_EQ(read->trm, marks);
  EXPECT_EQ(read->vzmt, voicing);

  auto single = write_and_read({row("dfn", {0.25}), row("trm", {1}), row("vzmt", {3})});
  ASSERT_TRUE(single.has_value());
  EXPECT_EQ(single->dfn, (std::vector<double>{0.25}));
}

TEST_F(UnitFile, AnyNumericClassIsConvertedToDouble) {
  auto read = write_and_read({numeric<float>("dfn", {0.5f, -0.25f, 0.125f, 0.0f, -0.5f}, {5, 1}),
                              numeric<std::int16_t>("trm", {1, 0, 0, -1, 0}, {1, 5}),
                              numeric<std::uint8_t>("vzmt", {5, 5, 5, 5, 5}, {1, 5})});
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->dfn, wave);
  EXPECT_EQ(read->trm, (std::vector<double>{1, 0, 0, -1, 0}));
  EXPECT_EQ(read->vzmt, voicing);

  auto wide = write_and_read({numeric<std::int32_t>("dfn", {-7, 0, 3}, {3, 1}),
                              numeric<std::int64_t>("trm", {1, 0, 0}, {1, 3}),
                              numeric<std::uint64_t>("vzmt", {9, 9, 9}, {1, 3})});
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(wide->dfn, (std::vector<double>{-7, 0, 3}));
  EXPECT_EQ(wide->vzmt, (std::vector<double>{9, 9, 9}));

  // Logical marks read as 0 and 1.
  auto logical = write_and_read({column("dfn", wave), testing::logical_row("trm", {1, 0, 0, 1, 0}),
                                 row("vzmt", voicing)});
  ASSERT_TRUE(logical.has_value());
  EXPECT_EQ(logical->trm, marks);
}

TEST_F(UnitFile, RejectsMissingVariablesAndWrongShapes) {
  EXPECT_FALSE(write_and_read({column("dfn", wave), row("trm", marks)}));
  EXPECT_FALSE(write_and_read({column("dfn", wave), row("vzmt", voicing)}));
  EXPECT_FALSE(write_and_read({row("trm", marks), row("vzmt", voicing)}));
  EXPECT_FALSE(write_and_read({column("DFN", wave), row("trm", marks), row("vzmt", voicing)}));
  // Different lengths, empty arrays, a matrix, text.
  EXPECT_FALSE(write_and_read({column("dfn", wave), row("trm", {1, 0, 0}), row("vzmt", voicing)}));
  EXPECT_FALSE(write_and_read({column("dfn", {}), row("trm", {}), row("vzmt", {})}));
  const std::vector<double> ten(10, 5);
  EXPECT_FALSE(write_and_read({numeric<double>("dfn", ten, {2, 5}), row("trm", marks), row("vzmt", voicing)}));
  EXPECT_FALSE(write_and_read({numeric<double>("dfn", ten, {5, 2}), numeric<double>("trm", ten, {5, 2}),
                               numeric<double>("vzmt", ten, {5, 2})}));
  EXPECT_FALSE(write_and_read({testing::char_row("dfn", "abcde"), row("trm", marks), row("vzmt", voicing)}));
  EXPECT_FALSE(write_and_read({column("dfn", wave), row("trm", marks), testing::char_row("vzmt", "zzzzz")}));
}

TEST_F(UnitFile, RejectsFilesThatAreNotUnitFiles) {
  EXPECT_FALSE(read_unit_file(dir / "absent.mat"));
  EXPECT_FALSE(read_unit_file(dir.path()));  // a folder
  write_bytes({});
  EXPECT_FALSE(read_unit_file(file));
  const std::string text = "dfn = [0.5 -0.25]; trm = [1 0]; vzmt = [5 5];\n";
  write_bytes(std::vector<char>(text.begin(), text.end()));
  EXPECT_FALSE(read_unit_file(file));
  std::vector<char> noise(4096);
  for (std::size_t k = 0; k < noise.size(); ++k) noise[k] = static_cast<char>((k * 2654435761u) >> 13);
  write_bytes(noise);
  EXPECT_FALSE(read_unit_file(file));
}

// Found by fuzzing: a version 4 element whose name or data reaches the last byte of the file
// was addressed through an index one past the end (the sanitizer build checks every index).
TEST_F(UnitFile, AnElementEndingWithTheFileIsReadWithinItsBytes) {
  const std::filesystem::path regression = std::filesystem::path(QUELVARA_SOURCE_DIR) /
                                           "tests/fuzz/corpus/unit_file/regress-v4-element-ending-the-file.mat";
  ASSERT_TRUE(std::filesystem::exists(regression));
  EXPECT_FALSE(read_unit_file(regression));
}

TEST_F(UnitFile, RejectsTruncatedFilesAtEveryLength) {
  const std::vector<std::pair<mat_ft, matio_compression>> layouts = {
      {MAT_FT_MAT5, MAT_COMPRESSION_NONE}, {MAT_FT_MAT5, MAT_COMPRESSION_ZLIB}, {MAT_FT_MAT4, MAT_COMPRESSION_NONE}};
  for (const auto& [version, compression] : layouts) {
    write_mat_file(dir / "whole.mat", {column("dfn", wave), row("trm", marks), row("vzmt", voicing)},
                   version, compression);
    const std::vector<char> whole = bytes_of(dir / "whole.mat");
    ASSERT_TRUE(read_unit_file(dir / "whole.mat"));
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
      write_bytes(std::vector<char>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
      EXPECT_FALSE(read_unit_file(file)) << "version " << version << ", cut at " << cut;
    }
  }
}

TEST_F(UnitFile, RejectsLevel73Files) {
  EXPECT_FALSE(write_and_read({column("dfn", wave), row("trm", marks), row("vzmt", voicing)}, MAT_FT_MAT73));
}

TEST_F(UnitFile, ImplausibleSizesAreRefusedBeforeAnyDataIsRead) {
  // Uncompressed level-5 layout: the first variable's dimensions are two int32 at offset 160.
  write_mat_file(dir / "whole.mat", {row("dfn", wave), row("trm", marks), row("vzmt", voicing)});
  std::vector<char> bytes = bytes_of(dir / "whole.mat");
  ASSERT_GT(bytes.size(), 168u);
  std::int32_t claimed_rows;
  std::memcpy(&claimed_rows, &bytes[160], 4);
  ASSERT_EQ(claimed_rows, 1);  // the layout is what this test assumes
  const std::int32_t huge = std::numeric_limits<std::int32_t>::max();
  std::memcpy(&bytes[164], &huge, 4);
  write_bytes(bytes);
  EXPECT_FALSE(read_unit_file(file));
}

TEST_F(UnitFile, DataEndingBeforeItsDimensionsSayIsRejected) {
  // dfn last; its element is then shortened by its 40 data bytes, and the file with it, so
  // that the file is whole but the data the dimensions promise is not there.
  write_mat_file(dir / "whole.mat", {row("trm", marks), row("vzmt", voicing), column("dfn", wave)});
  std::vector<char> bytes = bytes_of(dir / "whole.mat");
  const auto tags = elements(bytes);
  ASSERT_EQ(tags.size(), 3u);
  const auto [last, count] = tags.back();
  ASSERT_EQ(last + 8 + count, bytes.size());
  const std::uint32_t shorter = count - 40;
  std::memcpy(&bytes[last + 4], &shorter, 4);
  bytes.resize(bytes.size() - 40);
  write_bytes(bytes);
  EXPECT_FALSE(read_unit_file(file));
}

TEST_F(UnitFile, DamagedCompressedUnitsAreRejectedOrStayConsistent) {
  const synthesis::UnitData unit = testing::voiced_unit(24, 8, 0.5);
  testing::write_unit(dir / "whole.mat", unit);
  const std::vector<char> whole = bytes_of(dir / "whole.mat");
  ASSERT_TRUE(read_unit_file(dir / "whole.mat"));
  int rejected = 0;
  for (std::size_t pos = 128; pos < whole.size(); ++pos) {
    std::vector<char> damaged = whole;
    damaged[pos] = static_cast<char>(~damaged[pos]);
    write_bytes(damaged);
    const auto read = read_unit_file(file);
    if (!read) {
      ++rejected;
      continue;
    }
    EXPECT_TRUE(synthesis::unit_is_usable(*read)) << "damaged at " << pos;
  }
  EXPECT_GT(rejected, 0);
}

long peak_resident_kilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A name tag that claims 3 GiB: a reader that trusts it would allocate (and touch) all of it.
TEST_F(UnitFile, ClaimedSizesInsideAnArrayAreCheckedBeforeAnythingIsAllocated) {
  const long peak_before = peak_resident_kilobytes();
  const std::uint32_t huge[2] = {MAT_T_INT8, 0xc0000000u};

  // Uncompressed: dfn's name tag follows the 8-byte element tag, flags (16) and dims (16).
  write_mat_file(dir / "plain.mat", {column("dfn", wave), row("trm", marks), row("vzmt", voicing)});
  std::vector<char> plain = bytes_of(dir / "plain.mat");
  std::memcpy(&plain[128 + 8 + 16 + 16], huge, 8);
  write_bytes(plain);
  EXPECT_FALSE(read_unit_file(file));

  // Compressed: the same damage inside the deflated element, which is deflated again intact.
  write_mat_file(dir / "packed.mat", {column("dfn", wave), row("trm", marks), row("vzmt", voicing)},
                 MAT_FT_MAT5, MAT_COMPRESSION_ZLIB);
  const std::vector<char> packed = bytes_of(dir / "packed.mat");
  const auto [first, count] = elements(packed).front();
  std::vector<unsigned char> inflated(4096);
  uLongf inflated_size = inflated.size();
  ASSERT_EQ(uncompress(inflated.data(), &inflated_size,
                       reinterpret_cast<const Bytef*>(&packed[first + 8]), count), Z_OK);
  std::memcpy(&inflated[8 + 8 + 16 + 16], huge, 8);
  std::vector<unsigned char> deflated(compressBound(inflated_size));
  uLongf deflated_size = deflated.size();
  ASSERT_EQ(compress(deflated.data(), &deflated_size, inflated.data(), inflated_size), Z_OK);
  std::vector<char> damaged(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(first));
  const std::uint32_t tag[2] = {MAT_T_COMPRESSED, static_cast<std::uint32_t>(deflated_size)};
  damaged.insert(damaged.end(), reinterpret_cast<const char*>(tag), reinterpret_cast<const char*>(tag) + 8);
  damaged.insert(damaged.end(), deflated.begin(), deflated.begin() + static_cast<std::ptrdiff_t>(deflated_size));
  damaged.insert(damaged.end(), packed.begin() + static_cast<std::ptrdiff_t>(first + 8 + count), packed.end());
  write_bytes(damaged);
  EXPECT_FALSE(read_unit_file(file));

  EXPECT_LT(peak_resident_kilobytes() - peak_before, 512 * 1024);
}

// Units of any size read whole; a unit file cut short is refused.
TEST_F(UnitFile, LargeUnitsReadWholeAndCutOnesAreRefused) {
  for (const std::size_t length : {std::size_t{100}, std::size_t{40000}}) {
    const synthesis::UnitData unit = testing::voiced_unit(length, 7, 0.5);
    ASSERT_TRUE(write_unit_file(file, unit));
    const auto read = read_unit_file(file);
    ASSERT_TRUE(read.has_value()) << length;
    EXPECT_EQ(read->dfn, unit.dfn) << length;
    EXPECT_EQ(read->trm, unit.trm) << length;
    EXPECT_EQ(read->vzmt, unit.vzmt) << length;
    std::vector<char> bytes = bytes_of(file);
    bytes.resize(bytes.size() - 1);
    write_bytes(bytes);
    EXPECT_FALSE(read_unit_file(file)) << length << ", one byte short";
  }
}

}  // namespace
}  // namespace quelvara::runtime
