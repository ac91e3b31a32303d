// quelvara-synth --textgrid: both signals and their annotations, read back by the phonetics
// program itself when it is installed.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "inspection/record_of_run.h"
#include "runtime/mat_file.h"
#include "support/fixture_database.h"
#include "support/praat.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/wave_frames.h"
#include "synthesis/analysis.h"

namespace fs = std::filesystem;
using namespace quelvara;
using quelvara::testing::run_program;
using quelvara::testing::frames_of;
using quelvara::testing::praat;

namespace {

const std::string synth = QUELVARA_SYNTH;

// One line per tier: its name, its kind, then the end of every interval or the time of every
// point, as read by the phonetics program.
constexpr const char* reader_script = R"(form Tiers
  sentence file x
endform
Read from file: file$
n = Get number of tiers
for i to n
  name$ = Get tier name: i
  if do("Is interval tier...", i)
    k = Get number of intervals: i
    line$ = name$ + " intervals"
    for j to k
      t = Get end time of interval: i, j
      line$ = line$ + " " + fixed$(t, 9)
    endfor
  else
    k = Get number of points: i
    line$ = name$ + " points"
    for j to k
      t = Get time of point: i, j
      line$ = line$ + " " + fixed$(t, 9)
    endfor
  endif
  appendInfoLine: line$
endfor
)";

struct TierRead {
  std::string kind;
  std::vector<double> times;
};

std::map<std::string, TierRead> read_with_praat(const std::string& program, const fs::path& dir, const fs::path& file) {
  std::ofstream(dir / "tiers.praat") << reader_script;
  const auto result = run_program(program, {"--run", (dir / "tiers.praat").string(), file.string()}, {}, dir);
  EXPECT_EQ(result.status, 0) << result.err;
  std::map<std::string, TierRead> tiers;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string name;
    TierRead tier;
    words >> name >> tier.kind;
    for (double t; words >> t;) tier.times.push_back(t);
    tiers[name] = tier;
  }
  return tiers;
}

class TextGridCli : public ::testing::Test {
 protected:
  void SetUp() override { quelvara::testing::write_fixture_database(dir.path()); }
  quelvara::testing::TempDir dir;
};

TEST_F(TextGridCli, WritesBothSignalsAndTheirAnnotationsThatThePhoneticsProgramReads) {
  fs::create_directory(dir.path() / "ex");
  const auto run = run_program(synth, {"--factor", "1.5", "-o", "voz", "--textgrid", "ex/voz.TextGrid", "_papa_."},
                               {}, dir.path());
  ASSERT_EQ(run.status, 0) << run.err;

  // What the road made of the text, to compare the files with.
  const auto analysis = synthesis::analyse("_papa_.", runtime::read_unit_file, dir.path());
  ASSERT_EQ(analysis.status, synthesis::Analysis::Status::ok);
  const auto& limdf = analysis.joined.limdf;
  const auto marks = inspection::planned_marks(analysis.joined.pitch.row(), analysis.joined.vzmto.row(),
                                               road::FactorMode{1.5}, '.');
  const auto pitch_marks = inspection::mark_positions(analysis.joined.pitch.row());

  const fs::path ex = dir.path() / "ex";
  EXPECT_EQ(frames_of(ex / "voz-orig.wav"), static_cast<long long>(analysis.joined.orig.size()));
  EXPECT_EQ(frames_of(ex / "voz-sinal.wav"), frames_of(dir.path() / "voz.wav"));
  ASSERT_TRUE(fs::exists(ex / "voz-orig.TextGrid"));
  ASSERT_TRUE(fs::exists(ex / "voz-sinal.TextGrid"));

  const std::string program = praat();
  if (program.empty()) GTEST_SKIP() << "the phonetics program is not installed: the files are not read back";
  const auto joined = read_with_praat(program, dir.path(), ex / "voz-orig.TextGrid");
  ASSERT_EQ(joined.count("difones"), 1u);
  const auto& difones = joined.at("difones");
  EXPECT_EQ(difones.kind, "intervals");
  ASSERT_EQ(difones.times.size(), analysis.reading.diphones.size());
  std::size_t end = 0;
  for (std::size_t k = 0; k < limdf.size(); ++k) {
    end += limdf[k];
    EXPECT_NEAR(difones.times[k], static_cast<double>(end) / 22050, 1e-9) << "boundary " << k;
  }
  // One phone more than diphones; each phone ends in the middle of a diphone.
  ASSERT_EQ(joined.at("fones").times.size(), limdf.size() + 1);
  EXPECT_NEAR(joined.at("fones").times[0], limdf[0] / 2.0 / 22050, 1e-9);
  EXPECT_EQ(joined.at("marcas").kind, "points");
  EXPECT_EQ(joined.at("marcas").times.size(), pitch_marks.size());
  EXPECT_NEAR(joined.at("marcas").times.at(0), (pitch_marks[0] - 1) / 22050.0, 1e-9);
  EXPECT_EQ(joined.at("marcas_analise").times.size(), marks.analysis.size());

  const auto result = read_with_praat(program, dir.path(), ex / "voz-sinal.TextGrid");
  ASSERT_EQ(result.count("marcas_sintese"), 1u);
  EXPECT_EQ(result.at("marcas_sintese").times.size(), marks.synthesis.size());
  EXPECT_NEAR(result.at("marcas_sintese").times.back(), (marks.synthesis.back() - 1) / 22050.0, 1e-9);
}

TEST_F(TextGridCli, RefusesABatchAnEmptyNameAndAFolderItCannotWriteIn) {
  const auto batch = run_program(synth, {"--grafica", "-o", "out{n}.wav", "--textgrid", "ex", "-"}, "_pa_.\n", dir.path());
  EXPECT_EQ(batch.status, 2);
  EXPECT_NE(batch.err.find("--textgrid"), std::string::npos);
  const auto empty = run_program(synth, {"--grafica", "-o", "voz", "--textgrid", "", "_pa_."}, {}, dir.path());
  EXPECT_EQ(empty.status, 2);
  // A folder that is not there is refused before anything is made: not even the WAVE file.
  const auto missing = run_program(synth, {"--grafica", "-o", "voz", "--textgrid", "nada/voz", "_pa_."}, {}, dir.path());
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "quelvara-synth: não é possível exportar para «nada/voz»: a pasta «nada» não existe\n");
  EXPECT_FALSE(fs::exists(dir.path() / "nada"));
  EXPECT_FALSE(fs::exists(dir.path() / "voz.wav"));
}

}  // namespace
