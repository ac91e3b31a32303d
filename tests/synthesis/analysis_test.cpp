#include "synthesis/analysis.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "runtime/mat_file.h"
#include "support/temp_dir.h"
#include "synthesis/synthetic_units.h"

namespace quelvara::synthesis {
namespace {

using testing::noise_unit;
using testing::voiced_unit;

// A small database on disk: the units of «_pa_» and «_pe_», voiced vowels and plosive noise.
class AnalysisOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::write_database(dir.path(), {{{"_", "p"}, noise_unit(120, 0.01, 3)},
                                         {{"p", "a"}, voiced_unit(400, 100, 0.6)},
                                         {{"a", "_"}, voiced_unit(300, 100, 0.2)},
                                         {{"p", "e"}, voiced_unit(350, 90, 0.4)},
                                         {{"e", "_"}, voiced_unit(280, 90, 0.3)}});
  }

  // Reads through the MAT-file loader and remembers which files were asked for.
  Analysis analyse_text(std::string_view text) {
    const UnitReader reader = [this](const std::filesystem::path& file) {
      requested.push_back(file.lexically_relative(dir.path()));
      return runtime::read_unit_file(file);
    };
    return analyse(text, reader, dir.path());
  }

  testing::TempDir dir;
  std::vector<std::filesystem::path> requested;
};

TEST_F(AnalysisOnDisk, JoinsAndSmoothsTheUnitsOfAText) {
  Analysis a = analyse_text("_pa_!");
  ASSERT_EQ(a.status, Analysis::Status::ok);
  EXPECT_EQ(a.reading.pontuacao, '!');
  EXPECT_EQ(requested, (std::vector<std::filesystem::path>{"bd/oclus/12.mat", "bd/oclus/225.mat",
                                                           "bd/251.mat"}));
  const Joined& j = a.joined;
  EXPECT_EQ(j.limdf, (std::vector<std::size_t>{120, 400, 300}));
  ASSERT_EQ(j.orig.size(), 820u);
  ASSERT_EQ(j.pitch.size(), 820u);
  ASSERT_EQ(j.vzmto.size(), 820u);
  EXPECT_FALSE(j.media[0].has_value());
  ASSERT_TRUE(j.media[1] && j.media[2]);

  // The noise is left alone; the two vowels are scaled by 1 - m/S.
  const UnitData pa = voiced_unit(400, 100, 0.6);
  const UnitData plosive = noise_unit(120, 0.01, 3);
  const double sum = *j.media[1] + *j.media[2];
  EXPECT_EQ(j.fctalisa[0], 1.0);
  EXPECT_DOUBLE_EQ(j.fctalisa[1], (sum - *j.media[1]) / sum);
  for (std::size_t k = 0; k < 120; ++k) EXPECT_EQ(j.orig[k], plosive.dfn[k]);
  for (std::size_t k = 0; k < 400; ++k) EXPECT_DOUBLE_EQ(j.orig[120 + k], pa.dfn[k] * j.fctalisa[1]);

  // pitch(k) is nonzero exactly where the unit holding sample k has a mark.
  for (std::size_t k = 0; k < 820; ++k) {
    const bool expected = k >= 120 && (k - 120) % 100 == 0;
    EXPECT_EQ(j.pitch[k] != 0, expected) << k;
  }
}

TEST_F(AnalysisOnDisk, AMissingUnitStopsTheAnalysis) {
  // «_pi_»: "pi" is missing, so "i_" is never looked up and nothing is joined.
  Analysis a = analyse_text("_pi_");
  EXPECT_EQ(a.status, Analysis::Status::missing_unit);
  ASSERT_TRUE(a.failed.has_value());
  EXPECT_EQ(a.failed->dif, "pi");
  EXPECT_EQ(requested, (std::vector<std::filesystem::path>{"bd/oclus/12.mat", "bd/oclus/222.mat"}));
  EXPECT_TRUE(a.joined.orig.empty());
  EXPECT_TRUE(a.joined.limdf.empty());
}

TEST_F(AnalysisOnDisk, UnknownSymbolsStopLikeAMissingUnit) {
  for (std::string_view text : {"_p?a_", "_pA_", "_p\xc3\xa1_", "_pa~", " _pa_"}) {
    requested.clear();
    Analysis a = analyse_text(text);
    EXPECT_EQ(a.status, Analysis::Status::missing_unit) << text;
    ASSERT_TRUE(a.failed.has_value()) << text;
    EXPECT_TRUE(!a.failed->fonum1 || !a.failed->fonum2) << text;
    EXPECT_TRUE(a.joined.orig.empty()) << text;
  }
}

TEST_F(AnalysisOnDisk, TextsWithoutDiphones) {
  Analysis empty = analyse_text("");
  EXPECT_EQ(empty.status, Analysis::Status::empty_text);
  for (std::string_view text : {"?", "a", "_ _pa_"}) {
    Analysis a = analyse_text(text);
    EXPECT_EQ(a.status, Analysis::Status::ok) << text;
    EXPECT_TRUE(a.joined.orig.empty() && a.joined.pitch.empty() && a.joined.vzmto.empty()) << text;
  }
  EXPECT_TRUE(requested.empty());
  EXPECT_EQ(analyse_text("?").reading.pontuacao, '?');
}

TEST_F(AnalysisOnDisk, ALongTextLoadsEveryUnitAgain) {
  std::string text = "_";
  while (text.size() < 20000) text += "pa_pe_";
  Analysis a = analyse_text(text);
  ASSERT_EQ(a.status, Analysis::Status::ok);
  EXPECT_EQ(requested.size(), a.reading.diphones.size());
  EXPECT_EQ(a.joined.orig.size(),
            std::accumulate(a.joined.limdf.begin(), a.joined.limdf.end(), std::size_t{0}));
  for (double x : a.joined.orig) ASSERT_LE(std::abs(x), 1.0);
}

// With the lengths of the unit files told first, the joined waveform is reserved once, to the
// exact length, and still every unit is read from disk; the result is the same as without.
TEST_F(AnalysisOnDisk, UnitLengthsToldFirstReserveTheWaveformOnce) {
  // The units in the layout the database builder writes, whose length the first bytes tell.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
    if (entry.path().extension() != ".mat") continue;
    const auto unit = runtime::read_unit_file(entry.path());
    ASSERT_TRUE(unit && runtime::write_unit_file(entry.path(), *unit)) << entry.path();
  }
  const std::string text = "_pa_pe_pa_.";
  const Analysis plain = analyse_text(text);
  requested.clear();

  std::vector<std::filesystem::path> measured;
  const UnitLength length = [&](const std::filesystem::path& file) {
    measured.push_back(file.lexically_relative(dir.path()));
    return runtime::unit_file_length(file);
  };
  const UnitReader reader = [this](const std::filesystem::path& file) {
    requested.push_back(file.lexically_relative(dir.path()));
    return runtime::read_unit_file(file);
  };
  const Analysis reserved = analyse(text, reader, dir.path(), length);
  ASSERT_EQ(reserved.status, Analysis::Status::ok);
  EXPECT_EQ(measured, requested);
  EXPECT_EQ(requested.size(), reserved.reading.diphones.size());
  EXPECT_EQ(reserved.joined.orig.capacity(), reserved.joined.orig.size());
  EXPECT_EQ(reserved.joined.orig, plain.joined.orig);
  EXPECT_EQ(reserved.joined.pitch.row(), plain.joined.pitch.row());
  EXPECT_EQ(reserved.joined.vzmto.row(), plain.joined.vzmto.row());

  // A length that cannot be told ends the counting there; the analysis itself goes on.
  const UnitLength unknown = [](const std::filesystem::path&) { return std::optional<std::size_t>(); };
  const Analysis unreserved = analyse(text, reader, dir.path(), unknown);
  EXPECT_EQ(unreserved.joined.orig, plain.joined.orig);
}

TEST(Analysis, MissingDatabaseFolder) {
  testing::TempDir dir;
  Analysis a = analyse("_pa_", runtime::read_unit_file, dir / "nowhere");
  EXPECT_EQ(a.status, Analysis::Status::missing_unit);
  ASSERT_TRUE(a.failed.has_value());
  EXPECT_EQ(a.failed->dif, "_p");
}

TEST(Analysis, UnusableUnitsFromAReaderAreRejected) {
  UnitData poisoned = voiced_unit(100, 25, 0.5);
  poisoned.dfn[40] = std::numeric_limits<double>::quiet_NaN();
  UnitData unmarked = noise_unit(50, 0.1);
  unmarked.vzmt.back() = 5;
  // Finite samples whose level overflows: smoothing by it would silence the whole text as NaN.
  UnitData huge = voiced_unit(100, 25, 0.5);
  for (double& x : huge.dfn) x = 1e308;
  for (const UnitData& bad : {poisoned, unmarked, huge, UnitData{}}) {
    int calls = 0;
    const UnitReader reader = [&](const std::filesystem::path&) -> std::optional<UnitData> {
      return ++calls == 2 ? bad : voiced_unit(100, 25, 0.5);
    };
    Analysis a = analyse("_pa_", reader, ".");
    EXPECT_EQ(a.status, Analysis::Status::missing_unit);
    EXPECT_EQ(calls, 2);
    ASSERT_TRUE(a.failed);
    EXPECT_EQ(a.failed->dif, "pa");
    EXPECT_TRUE(a.joined.orig.empty());
  }
}

}  // namespace
}  // namespace quelvara::synthesis
