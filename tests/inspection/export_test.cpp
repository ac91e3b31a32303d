// The annotation files and the export of both signals.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "inspection/plot_layout.h"
#include "inspection/praat_export.h"
#include "support/temp_dir.h"
#include "support/wave_frames.h"

namespace quelvara::inspection {
namespace {

namespace fs = std::filesystem;
using quelvara::testing::frames_of;

std::string read_text(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> all(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    out.push_back((*it)[1]);
  return out;
}

TEST(TextGridText, IntervalTiersCoverTheWholeSpanAndTextsAreQuoted) {
  TextGrid grid{0, 0.5, {}};
  grid.tiers.emplace_back(IntervalTier{"difones", {{0.1, 0.2, "a\"b"}, {0.2, 0.3, "ção"}}});
  grid.tiers.emplace_back(PointTier{"marcas", {{0.05, 0}, {0.25, 0}}});
  const std::string t = textgrid_text(grid);
  EXPECT_EQ(t.rfind("File type = \"ooTextFile\"\nObject class = \"TextGrid\"\n", 0), 0u);
  EXPECT_NE(t.find("size = 2 \n"), std::string::npos);
  EXPECT_NE(t.find("intervals: size = 4 \n"), std::string::npos);  // gaps before and after
  EXPECT_EQ(all(t, "text = (\"(?:[^\"]|\"\")*\")"),
            (std::vector<std::string>{"\"\"", "\"a\"\"b\"", "\"ção\"", "\"\""}));
  EXPECT_NE(t.find("class = \"TextTier\""), std::string::npos);
  EXPECT_EQ(all(t, "number = ([^ ]+) "), (std::vector<std::string>{"0.05", "0.25"}));
  // Every interval ends where the next begins, from 0 to 0.5.
  const auto xmins = all(t, "            xmin = ([^ ]+) ");
  const auto xmaxs = all(t, "            xmax = ([^ ]+) ");
  ASSERT_EQ(xmins.size(), 4u);
  EXPECT_EQ(xmins.front(), "0");
  EXPECT_EQ(xmaxs.back(), "0.5");
  for (std::size_t i = 1; i < xmins.size(); ++i) EXPECT_EQ(xmins[i], xmaxs[i - 1]);
}

TEST(TextGridText, TimesReadBackAsTheSameNumbers) {
  const double end = 12345.0 / 22050;
  TextGrid grid{0, end, {}};
  grid.tiers.emplace_back(IntervalTier{"difones", {{0, 1.0 / 3, "x"}, {1.0 / 3, end, "y"}}});
  const auto numbers = all(textgrid_text(grid), "xmax = ([^ ]+) ");
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(std::stod(numbers.front()), end);
  EXPECT_EQ(std::stod(numbers[2]), 1.0 / 3);
}

TEST(PitchTierText, PointsInTimeOrderAJumpBeingAMicrosecondLong) {
  const std::string t = pitch_tier_text({{0.2, 150}, {0.1, 120}, {0.2, 90}}, 0, 0.5);
  EXPECT_EQ(t.rfind("File type = \"ooTextFile\"\nObject class = \"PitchTier\"\n\nxmin = 0 \nxmax = 0.5 \n"
                    "points: size = 3 \n",
                    0),
            0u)
      << t;
  EXPECT_EQ(all(t, "number = ([^ ]+) "), (std::vector<std::string>{"0.1", "0.2", "0.200001"}));
  EXPECT_EQ(all(t, "value = ([^ ]+) "), (std::vector<std::string>{"120", "150", "90"}));
}

TEST(TextGridFile, ReplacesAFileWholeAndLeavesNothingWhereItCannotWrite) {
  quelvara::testing::TempDir dir;
  const fs::path file = dir.path() / "a.TextGrid";
  std::ofstream(file) << "old contents that are longer than nothing at all";
  TextGrid grid{0, 1, {IntervalTier{"fones", {{0, 1, "a"}}}}};
  write_text_file(textgrid_text(grid), file);
  EXPECT_EQ(read_text(file), textgrid_text(grid));
  EXPECT_THROW(write_text_file(textgrid_text(grid), dir.path() / "nada" / "a.TextGrid"), std::system_error);
  EXPECT_FALSE(fs::exists(dir.path() / "nada"));
}

Snapshot small_run() {
  Snapshot s;
  s.orig = {0.5, -0.5, 0.25, 0, 0, 0.1};
  s.vzmto.assign(6, 0);
  s.difones = {"_a", "a_"};
  s.limdf = {4, 2};
  s.pitch_marks = {2, 4};
  Resynthesis r;
  r.sinal = {0.1, 0.2, 0.3, 0.4};
  r.analysis_marks = {1, 2, 4, 7};
  r.synthesis_marks = {1, 2, 3, 4};
  r.mode = "Gráfica";
  s.result = r;
  return s;
}

TEST(Export, WritesBothSignalsWithTheirAnnotations) {
  quelvara::testing::TempDir dir;
  const auto names = export_snapshot(small_run(), dir.path() / "voz.TextGrid");
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], dir.path() / "voz-orig.wav");
  EXPECT_EQ(names[5], dir.path() / "voz-sinal.PitchTier");
  EXPECT_EQ(frames_of(names[0]), 6);
  EXPECT_EQ(frames_of(names[3]), 4);
  const std::string joined = read_text(names[1]);
  EXPECT_EQ(all(joined, "name = \"([^\"]+)\""),
            (std::vector<std::string>{"difones", "fones", "marcas", "marcas_analise"}));
  EXPECT_EQ(all(joined, "points: size = ([0-9]+)"), (std::vector<std::string>{"2", "4"}));
  // The last mark of the plan, one past the end, is the end of the signal.
  EXPECT_EQ(all(joined, "number = ([^ ]+) ").back(), all(joined, "\nxmax = ([^ ]+) ").front());
  const std::string result = read_text(names[4]);
  EXPECT_EQ(all(result, "name = \"([^\"]+)\""), (std::vector<std::string>{"fones", "marcas_sintese"}));
  EXPECT_EQ(all(result, "points: size = ([0-9]+)"), (std::vector<std::string>{"4"}));
  EXPECT_EQ(read_text(names[2]).rfind("File type = \"ooTextFile\"\nObject class = \"PitchTier\"\n\n", 0), 0u);
}

TEST(Export, WithoutAResultOnlyTheJoinedSignalIsWritten) {
  quelvara::testing::TempDir dir;
  Snapshot s = small_run();
  s.result.reset();
  const auto names = export_snapshot(s, dir.path() / "voz");
  EXPECT_EQ(names, (std::vector<fs::path>{dir.path() / "voz-orig.wav", dir.path() / "voz-orig.TextGrid",
                                          dir.path() / "voz-orig.PitchTier"}));
  EXPECT_FALSE(fs::exists(dir.path() / "voz-sinal.wav"));
}

TEST(ColumnExtremes, EachColumnHoldsTheLowestAndHighestOfItsSamples) {
  const std::vector<double> x = {0, 1, -1, 0.5, 0.25, -0.25, 0.75};
  const auto c = column_extremes(x, 0, 2, 5);
  ASSERT_EQ(c.size(), 5u);
  EXPECT_FLOAT_EQ(c[0].low, 0);
  EXPECT_FLOAT_EQ(c[0].high, 1);
  EXPECT_FLOAT_EQ(c[1].low, -1);
  EXPECT_FLOAT_EQ(c[1].high, 0.5);
  EXPECT_FLOAT_EQ(c[3].low, 0.75);  // the last sample alone
  EXPECT_TRUE(c[4].empty);          // past the end
  // Before the start, and zoomed in so that a column holds less than one sample.
  const auto before = column_extremes(x, -4, 2, 3);
  EXPECT_TRUE(before[0].empty);
  EXPECT_TRUE(before[1].empty);
  EXPECT_FLOAT_EQ(before[2].high, 1);
  const auto close = column_extremes(x, 1, 0.5, 4);
  EXPECT_FLOAT_EQ(close[0].high, 1);
  EXPECT_FLOAT_EQ(close[1].high, 1);
  EXPECT_FLOAT_EQ(close[2].low, -1);
}

TEST(PlotLayout, TimesAndFrequenciesMapOntoThePanelsAndBack) {
  const PlotLayout l = plot_layout(900, 600, 1, 3, 400);
  EXPECT_DOUBLE_EQ(l.x_of(1), l.orig.left);
  EXPECT_DOUBLE_EQ(l.x_of(3), l.orig.right());
  EXPECT_DOUBLE_EQ(l.time_of(l.x_of(2.25)), 2.25);
  EXPECT_DOUBLE_EQ(l.pitch_y(0), l.pitch.bottom());
  EXPECT_DOUBLE_EQ(l.pitch_y(400), l.pitch.top);
  EXPECT_LT(l.orig.bottom(), l.sinal.top);
  EXPECT_LE(l.sinal.bottom(), l.pitch.top);
  EXPECT_LE(l.status.bottom(), 600);
  EXPECT_EQ(pitch_scale(120), 200);
  EXPECT_EQ(pitch_scale(330), 400);
}

TEST(PlotLayout, PanelsStackInOrderWithOrWithoutSpectrogramsAndPitchMapsInSemitonesToo) {
  for (bool spectrograms : {true, false}) {
    const PlotLayout l = plot_layout(900, 600, 0, 1, 400, {spectrograms, true});
    const std::vector<Box> order = {l.diphone_labels, l.phone_labels, l.orig,          l.orig_spectrum, l.links,
                                    l.sinal,          l.sinal_spectrum, l.result_phones, l.pitch,         l.time_axis};
    for (std::size_t k = 1; k < order.size(); ++k) EXPECT_LE(order[k - 1].bottom(), order[k].top) << k;
    EXPECT_EQ(l.orig_spectrum.height > 0, spectrograms);
    EXPECT_GT(l.pitch.height, 60);
    EXPECT_LE(l.status.bottom(), 600);
    // An octave is the same height anywhere on the scale, and rows map back to their frequency.
    EXPECT_NEAR(l.pitch_y(100) - l.pitch_y(200), l.pitch_y(200) - l.pitch_y(400), 1e-9);
    EXPECT_DOUBLE_EQ(l.pitch_y(400), l.pitch.top);
    EXPECT_DOUBLE_EQ(l.pitch_y(semitone_hz_bottom), l.pitch.bottom());
    EXPECT_NEAR(l.pitch_hz(l.pitch_y(130)), 130, 1e-9);
  }
  EXPECT_NEAR(plot_layout(900, 600, 0, 1, 400).pitch_hz(plot_layout(900, 600, 0, 1, 400).pitch_y(250)), 250, 1e-9);
  EXPECT_DOUBLE_EQ(semitones(200), 12);
}

}  // namespace
}  // namespace quelvara::inspection
