// The two ways into an intonation run agree: the command line hands planning the joined marks
// and voiced runs, the main window hands it the rows of its handles record.
#include "road/road.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace quelvara::road {
namespace {

// A joined signal of units with random lengths, marks, voicing codes (a few of them between 2
// and 3, voiced for joining but not for planning) and samples.
synthesis::Joined random_joined(std::uint64_t seed, std::size_t units) {
  std::uint64_t state = seed;
  const auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  synthesis::Joined joined;
  for (std::size_t u = 0; u < units; ++u) {
    const std::size_t length = 50 + next(400);
    std::vector<double> dfn(length), trm(length, 0.0), vzmt(length);
    const std::size_t period = 30 + next(150);
    const double code = std::vector<double>{0, 1, 2.5, 3, 5}[next(5)];
    const std::size_t voiced_from = next(length);
    for (std::size_t k = 0; k < length; ++k) {
      dfn[k] = static_cast<double>(next(2001)) / 1000.0 - 1.0;
      trm[k] = (k + u) % period == 0 ? 1.0 : 0.0;
      vzmt[k] = k >= voiced_from ? code : 0.0;
    }
    joined.orig.insert(joined.orig.end(), dfn.begin(), dfn.end());
    joined.pitch.append(trm);
    joined.vzmto.append(vzmt);
  }
  return joined;
}

TEST(Road, MarksAndRunsOfTheJoinedRowsPlanAsTheRowsDo) {
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    const synthesis::Joined joined = random_joined(seed, 1 + seed % 7);
    const std::vector<double> pitch = joined.pitch.row(), vzmto = joined.vzmto.row();

    const prosody::MarkedSignal from_joined = marked_signal(joined);
    const prosody::MarkedSignal from_rows = prosody::marked_signal(pitch, vzmto);
    EXPECT_EQ(from_joined.length, from_rows.length);
    EXPECT_EQ(from_joined.marks, from_rows.marks) << seed;
    ASSERT_EQ(from_joined.voiced.size(), from_rows.voiced.size()) << seed;
    for (std::size_t r = 0; r < from_rows.voiced.size(); ++r) {
      EXPECT_EQ(from_joined.voiced[r].first, from_rows.voiced[r].first) << seed;
      EXPECT_EQ(from_joined.voiced[r].last, from_rows.voiced[r].last) << seed;
    }

    for (const Mode& mode : {Mode{FactorMode{0.5}}, Mode{FactorMode{1.3}}, Mode{FactorMode{2}}, Mode{ContourMode{}}}) {
      for (const char pontuacao : {'.', '?'}) {
        const Intonation compact = reshape(joined.orig, from_joined, mode, pontuacao);
        const Intonation rows = reshape(joined.orig, pitch, vzmto, mode, pontuacao);
        EXPECT_EQ(compact.sinal, rows.sinal) << seed;
        EXPECT_EQ(compact.mark_count_mismatch, rows.mark_count_mismatch) << seed;
        EXPECT_EQ(compact.placeholder_mismatch, rows.placeholder_mismatch) << seed;
      }
    }
  }
}

TEST(Road, VoicedRunsFollowTheThresholdOfPlanning) {
  // Codes above 2 are voiced, 2.5 as well; 2 is not; neighbouring voiced codes make one run.
  const std::vector<double> vzmto = {0, 3, 5, 2, 2.5, 3, 0, 4};
  const std::vector<double> pitch(vzmto.size(), 0.0);
  const prosody::MarkedSignal signal = prosody::marked_signal(pitch, vzmto);
  ASSERT_EQ(signal.voiced.size(), 3u);
  EXPECT_EQ(signal.voiced[0].first, 2);
  EXPECT_EQ(signal.voiced[0].last, 3);
  EXPECT_EQ(signal.voiced[1].first, 5);
  EXPECT_EQ(signal.voiced[1].last, 6);
  EXPECT_EQ(signal.voiced[2].first, 8);
  EXPECT_EQ(signal.voiced[2].last, 8);
  EXPECT_THROW(prosody::marked_signal(pitch, std::vector<double>{0, 3}), std::invalid_argument);
}

// The units of «_pa_»: (_ p) silence then the burst's noise, (p a) noise then six periods,
// (a _) five periods then silence; the index puts p's start 200 samples into the first unit.
synthesis::UnitData unit_of(const std::filesystem::path& file) {
  synthesis::UnitData u;
  const auto add = [&u](std::size_t n, double code, bool periodic) {
    for (std::size_t k = 0; k < n; ++k) {
      u.dfn.push_back(code == 0 ? 0.0 : periodic ? std::sin(0.037 * static_cast<double>(k % 170)) : ((k * 7919) % 13) / 13.0 - 0.5);
      u.trm.push_back(periodic && k % 170 == 0 ? 1.0 : 0.0);
      u.vzmt.push_back(code);
    }
  };
  const std::string name = file.filename().string();
  if (name == "12.mat") add(400, 0, false), add(300, 1, false);
  if (name == "225.mat") add(200, 1, false), add(6 * 170, 3, true);
  if (name == "251.mat") add(5 * 170, 3, true), add(500, 0, false);
  return u;
}
const synthesis::UnitReader read_unit = [](const std::filesystem::path& file) -> std::optional<synthesis::UnitData> {
  auto unit = unit_of(file);
  if (unit.dfn.empty()) return std::nullopt;
  return unit;
};
const auto index = synthesis::UnitIndex::parse("# par\tfronteira\n1-2\t200\n2-25\t200\n25-1\t850\n");

TEST(TargetRoad, APhoTargetIsPlannedOnTheIndexsPhonesWithTheStopsRelease) {
  PhoMode pho;
  pho.target.phones = {{"_", 40, synthesis::Stress::none, {}},
                       {"p", 60, synthesis::Stress::none, {}},
                       {"a", 150, synthesis::Stress::none, {{0, 110}, {100, 160}}},
                       {"_", 30, synthesis::Stress::none, {}}};
  const PlannedRoad road = plan_road("", pho, read_unit, ".", {}, &*index);
  ASSERT_EQ(road.analysis.status, synthesis::Analysis::Status::ok);
  ASSERT_TRUE(road.target.has_value());
  EXPECT_EQ(road.length(), static_cast<std::size_t>(std::llround(280 * 22.05)));
  const auto layout = phone_layout(road.analysis.reading, road.analysis.joined.limdf, road.fronteiras);
  ASSERT_EQ(layout.phones.size(), 4u);
  EXPECT_EQ(layout.phones[1].start, 200u);
  EXPECT_EQ(layout.phones[2].start, 900u);
  EXPECT_EQ(layout.phones[3].start, 2770u);
  const auto joined = joined_phones(marked_signal(road.analysis.joined), layout, road.analysis.joined.vzmto);
  EXPECT_EQ(joined.releases, (std::vector<std::size_t>{200, 400, 2770, 3270}));  // only p has one
}

TEST(TargetRoad, TheMainWindowsRowsAndTheCommandLineMakeTheSameNaturalSignal) {
  const RoadResult run = run_road("_p\"a_?", NaturalMode{}, read_unit, ".", {}, &*index);
  ASSERT_EQ(run.analysis.status, synthesis::Analysis::Status::ok);
  const auto& joined = run.analysis.joined;
  std::vector<std::string> difones;
  for (const auto& d : run.analysis.reading.diphones) difones.push_back(d.dif);
  synthesis::VoicingCodes codes;
  codes.append(joined.vzmto.row());
  const Intonation again = reshape(joined.orig, prosody::marked_signal(joined.pitch.row(), joined.vzmto.row()),
                                   phone_layout(difones, run.analysis.reading.stress, joined.limdf, run.fronteiras),
                                   codes, NaturalMode{}, '?');
  EXPECT_EQ(again.sinal, run.sinal);
  EXPECT_EQ(again.synthesis_marks, run.synthesis_marks);
  EXPECT_NE(run_road("_pa_?", NaturalMode{}, read_unit, ".", {}, &*index).sinal, run.sinal);
}

}  // namespace
}  // namespace quelvara::road
