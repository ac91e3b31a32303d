// The voice built from units of everyday words: unvoiced stretches keep their length in every
// intonation mode, joins are smooth, reduced vowels are short.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder_runs.h"
#include "road/road.h"
#include "listening_texts.h"
#include "prosody/planning.h"
#include "runtime/mat_file.h"
#include "support/temp_dir.h"
#include "synthesis/unit_index.h"
#include "voice_measures.h"

namespace quelvara {
namespace {

namespace fs = std::filesystem;
using tools::median;

class EverydayWords : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir = new testing::TempDir;
    std::vector<std::string> texts;
    for (const auto& text : tools::everyday_texts()) texts.push_back(text.sampa);
    status = testing::run_builder(dir->path(), testing::pairs_of(texts));
  }
  static void TearDownTestSuite() {
    delete dir;
    dir = nullptr;
  }
  void SetUp() override { ASSERT_EQ(status, 0) << testing::read_all(dir->path() / "log.txt"); }

  struct Run {
    road::RoadResult road;
    prosody::Plan plan;
  };
  static Run run(const std::string& text, std::optional<double> factor) {
    const road::Mode mode = factor ? road::Mode(road::FactorMode{*factor}) : road::Mode(road::ContourMode{});
    Run r{road::run_road(text, mode, runtime::read_unit_file, dir->path()), {}};
    EXPECT_EQ(r.road.analysis.status, synthesis::Analysis::Status::ok) << text;
    const auto& j = r.road.analysis.joined;
    r.plan = factor ? prosody::plan_factor(j.pitch.row(), j.vzmto.row(), *factor)
                    : prosody::plan_contour(j.pitch.row(), j.vzmto.row(), r.road.analysis.reading.pontuacao);
    return r;
  }

  static testing::TempDir* dir;
  static int status;
};
testing::TempDir* EverydayWords::dir = nullptr;
int EverydayWords::status = -1;

const std::vector<std::pair<const char*, std::optional<double>>> other_modes = {
    {"Factor 0.5", 0.5}, {"Factor 2", 2.0}, {"Gráfica", std::nullopt}};

TEST_F(EverydayWords, StopClosuresKeepTheirNumberAndLengthInEveryMode) {
  const auto totals = [](std::optional<double> factor) {
    std::pair<std::size_t, double> total{0, 0};
    for (const auto& text : tools::everyday_texts()) {
      const auto c = tools::closures(run(text.sampa, factor).road.sinal);
      total.first += c.size();
      for (const auto& s : c) total.second += static_cast<double>(s.length());
    }
    return total;
  };
  const auto reference = totals(1.0);
  EXPECT_GE(reference.first, 30u) << "the texts hold a closure for every [p t k] between vowels";
  for (const auto& [name, factor] : other_modes) {
    const auto figures = totals(factor);
    EXPECT_EQ(figures.first, reference.first) << name;
    EXPECT_NEAR(figures.second, reference.second, 0.15 * reference.second) << name;
  }
}

TEST_F(EverydayWords, VoicelessFricativesKeepTheirLengthInEveryMode) {
  const auto totals = [](std::optional<double> factor) {
    std::pair<std::size_t, double> total{0, 0};
    for (const auto& text : tools::everyday_texts()) {
      const auto r = run(text.sampa, factor);
      for (const auto& s : tools::voiceless_fricatives(r.road.analysis, r.plan, r.road.sinal)) {
        if (!s) continue;
        ++total.first;
        total.second += static_cast<double>(s->length());
      }
    }
    return total;
  };
  const auto reference = totals(1.0);
  EXPECT_GE(reference.first, 20u);
  for (const auto& [name, factor] : other_modes) {
    const auto figures = totals(factor);
    EXPECT_EQ(figures.first, reference.first) << name;
    EXPECT_NEAR(figures.second, reference.second, 0.15 * reference.second) << name;
  }
}

TEST_F(EverydayWords, JoinsAreNoRougherThanTheInsideOfUnits) {
  std::vector<double> inside, joins;
  for (const auto& text : tools::everyday_texts()) {
    const auto& j = run(text.sampa, 1.0).road.analysis.joined;
    std::size_t start = 0;
    for (std::size_t u = 0; u < j.limdf.size(); ++u) {
      const std::size_t end = start + j.limdf[u];
      for (std::size_t p = start + tools::spectral_frame; p + tools::spectral_frame <= end; p += 220)
        inside.push_back(tools::spectral_distance(j.orig, p));
      if (u + 1 < j.limdf.size()) joins.push_back(tools::spectral_distance(j.orig, end));
      start = end;
    }
  }
  ASSERT_GT(joins.size(), 200u);
  const double reference = median(inside);
  EXPECT_LE(*std::max_element(joins.begin(), joins.end()) / reference, 2.0);
  EXPECT_LE(median(joins) / reference, 0.5);
  // Inside a voice bar and a tap the units meet where both are steadiest.
  for (const auto& [text, unit] : {std::pair{"_ko~tigu_.", 4u}, std::pair{"_kur6s6~w_.", 2u}}) {
    const auto& j = run(text, 1.0).road.analysis.joined;
    std::size_t join = 0;
    for (std::size_t u = 0; u <= unit; ++u) join += j.limdf[u];
    EXPECT_LE(tools::spectral_distance(j.orig, join) / reference, 0.6) << text;
  }
}

TEST_F(EverydayWords, ReducedVowelsAreShort) {
  const auto index = synthesis::UnitIndex::read(dir->path());
  ASSERT_TRUE(index.has_value());
  std::vector<double> reduced, all;
  for (const auto& text : tools::everyday_texts()) {
    const auto analysis = run(text.sampa, 1.0).road.analysis;
    const auto& d = analysis.reading.diphones;
    for (std::size_t u = 0; u + 1 < d.size(); ++u) {
      const int vowel = *d[u].fonum2;
      if (vowel < 22) continue;
      const auto first = index->boundary(*d[u].fonum1, vowel), second = index->boundary(vowel, *d[u + 1].fonum2);
      ASSERT_TRUE(first && second) << d[u].dif;
      const double samples = static_cast<double>(analysis.joined.limdf[u] - *first + *second);
      all.push_back(1000 * samples / tools::sample_rate);
      if (d[u].fone2 == "6" || d[u].fone2 == "@" || d[u].fone2 == "u") reduced.push_back(all.back());
    }
  }
  ASSERT_GT(reduced.size(), 40u);
  EXPECT_LE(median(reduced), 80.0);
  EXPECT_GE(median(reduced), 40.0);
  EXPECT_LE(median(all), 110.0);
}

}  // namespace
}  // namespace quelvara
