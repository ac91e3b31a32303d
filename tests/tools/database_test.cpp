// The builder run on the units of a few texts, and what the synthesizer makes of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "prosody/planning.h"
#include "road/road.h"
#include "runtime/mat_file.h"
#include "builder_runs.h"
#include "support/temp_dir.h"
#include "synthesis/analysis.h"
#include "synthesis/phones.h"
#include "synthesis/text_reader.h"
#include "tools/quelvara-bd/donor.h"
#include "tools/quelvara-bd/unit_checks.h"
#include "voice_measures.h"

namespace quelvara {
namespace {

namespace fs = std::filesystem;

// A sentence, and a text through every phone of the inventory.
constexpr const char* sentence = "_6fraz6kOmprid6pur6tEStar_";
constexpr const char* every_phone = "_pibetEdak6gOfovus@zi~Se~Z6~mo~nu~J6~jlo~jRu~jL6jrajl~apOjdojtawkewfEws6~w_";

using testing::pairs_of;
using testing::read_all;
using testing::run_builder;

class BuiltDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new testing::TempDir;
    status = run_builder(dir->path(), pairs_of({sentence, every_phone}));
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override { ASSERT_EQ(status, 0) << read_all(dir->path() / "log.txt"); }

  static synthesis::Analysis analyse(const std::string& text) {
    return synthesis::analyse(text, runtime::read_unit_file, dir->path());
  }
  static std::vector<double> synthesise(const std::string& text, const road::Mode& mode) {
    auto result = road::run_road(text, mode, runtime::read_unit_file, dir->path());
    EXPECT_EQ(result.analysis.status, synthesis::Analysis::Status::ok) << text;
    return result.sinal;
  }

  static testing::TempDir* dir;
  static int status;
};
testing::TempDir* BuiltDatabase::dir = nullptr;
int BuiltDatabase::status = -1;

// The pitch of every clearly periodic 40 ms frame, 10 ms apart.
std::vector<double> pitch_track(const std::vector<double>& x) {
  std::vector<double> track;
  for (const auto& frame : tools::pitch_track(x)) track.push_back(frame.f0);
  return track;
}

using tools::median;

TEST_F(BuiltDatabase, EveryUnitPassesTheChecksAndIsIndexed) {
  std::map<std::string, std::string> index;
  std::istringstream lines(read_all(dir->path() / "bd-index.txt"));
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') index[line.substr(0, line.find('\t'))] = line;

  std::set<std::pair<int, int>> pairs;
  for (const char* text : {sentence, every_phone}) {
    const auto reading = synthesis::read_text(text);
    for (const auto& d : reading->diphones) pairs.insert({*d.fonum1, *d.fonum2});
  }
  EXPECT_EQ(index.size(), pairs.size());
  for (const auto& [a, b] : pairs) {
    const auto file = dir->path() / synthesis::unit_path(a, b);
    const auto unit = runtime::read_unit_file(file);
    ASSERT_TRUE(unit.has_value()) << file;
    EXPECT_EQ(tools::check_unit(*unit, tools::donor_period()), "") << file;
    const std::string key = std::to_string(a) + "-" + std::to_string(b);
    ASSERT_TRUE(index.count(key)) << key;
    std::istringstream fields(index[key]);
    std::string pair, symbols, path;
    std::size_t length = 0, marks = 0;
    std::getline(fields, pair, '\t');
    std::getline(fields, symbols, '\t');
    std::getline(fields, path, '\t');
    fields >> length >> marks;
    EXPECT_EQ(path, synthesis::unit_path(a, b).generic_string());
    EXPECT_EQ(length, unit->dfn.size()) << key;
    EXPECT_EQ(marks, static_cast<std::size_t>(std::count(unit->trm.begin(), unit->trm.end(), 1.0))) << key;
  }
}

TEST_F(BuiltDatabase, RebuildingGivesTheSameBytesWhateverElseIsBuilt) {
  testing::TempDir again;
  // other units, in another order and in one process: the donor's history must not matter
  ASSERT_EQ(run_builder(again.path(), "s-a,S-t,z-6,a-z,_-6", "--jobs 1"), 0) << read_all(again / "log.txt");
  for (const auto& [a, b] : {std::pair{1, 26}, {25, 11}, {12, 4}}) {
    const auto file = synthesis::unit_path(a, b);
    const std::string bytes = read_all(again / file);
    EXPECT_FALSE(bytes.empty()) << file;
    EXPECT_TRUE(bytes == read_all(dir->path() / file)) << file;
  }
}

TEST_F(BuiltDatabase, TheVoiceLoadsFromAFolderOfAnyName) {
  // The donor's loader takes a voice file's path for a voice name: it cuts it at 59 bytes,
  // lower-cases it and reads "+" as the start of a variant.
  testing::TempDir root;
  const fs::path folder = root / "Quelvara Teste+1" / "ção" / ("Pasta Com Nome Comprido " + std::string(150, 'v'));
  ASSERT_GT(folder.string().size(), 200u);
  fs::create_directories(folder);
  const fs::path data = fs::path(QUELVARA_SOURCE_DIR) / "tools" / "quelvara-bd";
  fs::copy_file(data / "ptmono", folder / "ptmono");
  fs::copy_file(data / "sampa-espeak.tsv", folder / "Tabela+SAMPA.tsv");
  ASSERT_EQ(run_builder(folder, "a-z,z-6",
                        "--voice '" + (folder / "ptmono").string() + "' --mapping '" +
                            (folder / "Tabela+SAMPA.tsv").string() + "'"),
            0)
      << read_all(folder / "log.txt");
  for (const auto& [a, b] : {std::pair{25, 11}, {11, 26}}) {
    const auto file = synthesis::unit_path(a, b);
    EXPECT_TRUE(read_all(folder / file) == read_all(dir->path() / file)) << file;
  }
}

TEST_F(BuiltDatabase, AUnitThatFailsStopsTheBuildNamingIt) {
  testing::TempDir broken;
  // [p] rendered with a code the donor drops
  std::ifstream in(fs::path(QUELVARA_SOURCE_DIR) / "tools" / "quelvara-bd" / "sampa-espeak.tsv");
  std::ofstream out(broken / "table.tsv");
  for (std::string line; std::getline(in, line);)
    out << (line.rfind("2\tp\tp\t", 0) == 0 ? "2\tp\tp6\tplosive\t0.5\tp" : line) << '\n';
  out.close();
  EXPECT_NE(run_builder(broken.path(), "a-t,p-a", "--mapping '" + (broken / "table.tsv").string() + "'"), 0);
  const std::string log = read_all(broken / "log.txt");
  EXPECT_NE(log.find("«pa»"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(broken / "bd-index.txt"));
}

TEST_F(BuiltDatabase, FactorScalesTheConstantPitch) {
  for (const double factor : {1.0, 1.5, 0.5}) {
    const auto track = pitch_track(synthesise(sentence, road::FactorMode{factor}));
    ASSERT_GT(track.size(), 30u) << factor;
    const double expected = 130 * factor;
    EXPECT_NEAR(median(track), expected, 0.01 * expected) << "factor " << factor;
    const auto close = std::count_if(track.begin(), track.end(),
                                     [&](double f0) { return std::abs(f0 - expected) <= 0.01 * expected; });
    EXPECT_GE(static_cast<double>(close), 0.9 * static_cast<double>(track.size())) << "factor " << factor;
  }
}

TEST_F(BuiltDatabase, ContourPeriodsAreRealisedWithinTwoSamples) {
  for (const char* mark : {".", "?"}) {
    const std::string text = std::string(sentence) + mark;
    const auto analysis = analyse(text);
    ASSERT_EQ(analysis.status, synthesis::Analysis::Status::ok);
    const auto& j = analysis.joined;
    const auto plan = prosody::plan_contour(j.pitch.row(), j.vzmto.row(), analysis.reading.pontuacao);
    const auto sinal = synthesise(text, road::ContourMode{});
    std::vector<std::size_t> a, s;
    for (std::size_t k = 0; k < plan.analysis_marks.size(); ++k) if (plan.analysis_marks[k] != 0) a.push_back(k);
    for (std::size_t k = 0; k < plan.synthesis_marks.size(); ++k) if (plan.synthesis_marks[k] != 0) s.push_back(k);
    ASSERT_EQ(a.size(), s.size());
    std::size_t measured = 0;
    for (std::size_t k = 1; k + 2 < a.size(); ++k) {
      // periods with voiced periods on both sides, where the waveform repeats
      bool voiced = true;
      for (std::size_t n = a[k - 1]; n < a[k + 2] && voiced; ++n) voiced = j.vzmto[n] > 2;
      if (!voiced) continue;
      const std::size_t planned = s[k + 1] - s[k];
      EXPECT_NE(std::find(plan.periods.begin(), plan.periods.end(), static_cast<double>(planned)), plan.periods.end());
      // where the pulse at the next mark really is: the shift that best lines up the
      // waveform around both marks
      constexpr std::size_t half = 40;
      double best = -2;
      int best_shift = 0;
      for (int shift = -8; shift <= 8; ++shift) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t n = s[k] - half; n < s[k] + half; ++n) {
          const double here = sinal[n], there = sinal[n + planned + static_cast<std::size_t>(shift + 8) - 8];
          xy += here * there;
          xx += here * here;
          yy += there * there;
        }
        const double r = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : -1;
        if (r > best) best = r, best_shift = shift;
      }
      const double best_lag = static_cast<double>(planned) + best_shift;
      // Where the waveform itself changes within a period (the tap [ɾ] closes for about a
      // period) the pulse position is less sharply defined: one sample more is allowed there.
      const double allowed = best >= 0.95 ? 2.0 : 3.0;
      EXPECT_LE(std::abs(static_cast<double>(best_lag) - static_cast<double>(planned)), allowed)
          << text << " period at " << s[k] << " (analysis " << a[k] << ".." << a[k + 1] << ", planned "
          << planned << ", correlation " << best << ")";
      ++measured;
    }
    EXPECT_GT(measured, 20u) << text;
  }
}

TEST_F(BuiltDatabase, JoinsHaveNoSteps) {
  for (const char* text : {sentence, every_phone}) {
    const auto analysis = analyse(text);
    ASSERT_EQ(analysis.status, synthesis::Analysis::Status::ok);
    const auto& x = analysis.joined.orig;
    const auto& marks = analysis.joined.pitch;
    const auto period_edge = [&](std::size_t join, bool before) {
      // the period next to the join: up to the neighbouring mark, or 170 samples where unvoiced
      std::size_t k = join;
      for (std::size_t n = 1; n <= 200; ++n) {
        k = before ? join - n : join + n;
        if (before ? join < n + 1 : k + 1 >= x.size()) break;
        if (marks[k] != 0 && n > 20) break;
      }
      return k;
    };
    std::size_t join = 0;
    for (std::size_t u = 0; u + 1 < analysis.joined.limdf.size(); ++u) {
      join += analysis.joined.limdf[u];
      const std::size_t first = period_edge(join, true), last = period_edge(join, false);
      // a period's steps include the one onto its first sample: units meet on pulses, and the
      // pulse is where a period's steepest step is
      double largest = 0;
      for (std::size_t k = first; k <= last; ++k)
        if (k != join) largest = std::max(largest, std::abs(x[k] - x[k - 1]));
      EXPECT_LE(std::abs(x[join] - x[join - 1]), largest + 1e-12) << text << ", join after unit " << u + 1;
    }
  }
}

TEST_F(BuiltDatabase, EveryPhoneTextStaysInRangeWithEvenLevels) {
  const auto reading = synthesis::read_text(every_phone);
  std::set<int> phones;
  for (const auto& d : reading->diphones) phones.insert({*d.fonum1, *d.fonum2});
  ASSERT_EQ(phones.size(), 46u) << "the text must pass through every phone";

  const auto analysis = analyse(every_phone);
  ASSERT_EQ(analysis.status, synthesis::Analysis::Status::ok);
  const auto& j = analysis.joined;
  for (double sample : j.orig) ASSERT_LE(std::abs(sample), 1.0);

  // After smoothing, the phone two units share has the same level on both sides of their join.
  const auto rms = [&](std::size_t first, std::size_t last) {
    double sum = 0;
    for (std::size_t k = first; k < last; ++k) sum += j.orig[k] * j.orig[k];
    return std::sqrt(sum / static_cast<double>(last - first));
  };
  std::size_t join = 0, compared = 0;
  for (std::size_t u = 0; u + 1 < j.limdf.size(); ++u) {
    join += j.limdf[u];
    if (j.vzmto[join] == 0) continue;  // silence
    std::size_t before = join - 1, after = join + 1;
    if (j.vzmto[join] > 2) {  // one period each side
      while (j.pitch[before] == 0) --before;
      while (j.pitch[after] == 0) ++after;
    } else {  // 20 ms of noise each side
      before = join - std::min<std::size_t>(441, j.limdf[u]);
      after = join + std::min<std::size_t>(441, j.limdf[u + 1]);
    }
    const double step_db = 20 * std::log10(rms(before, join) / rms(join, after));
    EXPECT_LE(std::abs(step_db), 3.0) << "join after unit " << u + 1 << " of " << every_phone;
    ++compared;
  }
  EXPECT_GT(compared, 40u);
}

}  // namespace
}  // namespace quelvara
