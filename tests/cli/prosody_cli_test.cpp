// quelvara-synth's prosody: Natural, .pho files in and out, Praat tiers in; bad prosody files
// refused with their line, replacing nothing; the pitch the phonetics program hears, when it is
// installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "prosody/praat_tiers.h"
#include "support/fixture_database.h"
#include "support/praat.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/wave_frames.h"

namespace fs = std::filesystem;
using quelvara::testing::frames_of;
using quelvara::testing::run_program;

namespace {

const std::string synth = QUELVARA_SYNTH;

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_bytes(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class ProsodyCli : public ::testing::Test {
 protected:
  void SetUp() override { quelvara::testing::write_fixture_database(dir.path()); }
  quelvara::testing::ProgramResult synthesize(const std::vector<std::string>& args, const std::string& input = {}) {
    return run_program(synth, args, input, dir.path());
  }
  quelvara::testing::TempDir dir;
};

const std::string pitch_head = "File type = \"ooTextFile\"\nObject class = \"PitchTier\"\n\n";
const std::string duration_head = "File type = \"ooTextFile\"\nObject class = \"DurationTier\"\n\n";

TEST_F(ProsodyCli, BadProsodyFilesAreRefusedWithTheirLineAndReplaceNothing) {
  struct Case {
    std::string option, content;
    int line;
  };
  const std::vector<Case> cases = {
      {"--pho", "_ 50\nx 100\n", 2},                         // an unknown phone
      {"--pho", "_ 50\np 0\na 80\n", 2},                     // no length
      {"--pho", "_ 50\n\np 10001\n", 3},                     // longer than 10 s
      {"--pho", "_ 50 101 120\n", 1},                        // a position past 100 %
      {"--pho", "_ 50 50 39\n", 1},                          // a frequency under 40 Hz
      {"--pho", "_ 50 50 120 90\n", 1},                      // an odd count of pitch values
      {"--pho", "", 1},                                      // empty
      {"--pho", std::string("_ 50\n\0\x01\x02", 8), 2},      // binary
      {"--pitch-tier", pitch_head + "0\n1\n2\n0.5\n120\n0.2\n130\n", 9},  // times out of order
      {"--pitch-tier", pitch_head + "0\n1\n1\n0.5\n900\n", 8},
      {"--duration-tier", duration_head + "0\n1\n1\n0.5\n-1\n", 8},
      {"--duration-tier", pitch_head + "0\n1\n1\n0.5\n1\n", 2},         // a tier of the other kind
  };
  write_bytes(dir.path() / "voz.wav", "antes");
  for (const Case& c : cases) {
    write_bytes(dir.path() / "p.txt", c.content);
    std::vector<std::string> args{c.option, "p.txt", "-o", "voz.wav"};
    if (c.option != "--pho") args.push_back("_pa_.");
    const auto run = synthesize(args);
    EXPECT_EQ(run.status, 1) << c.content;
    EXPECT_NE(run.err.find("p.txt: linha " + std::to_string(c.line) + ": "), std::string::npos) << run.err;
    EXPECT_EQ(read_bytes(dir.path() / "voz.wav"), "antes") << c.content;
  }
  // A file of 100 MB is refused without being read whole.
  std::ofstream(dir.path() / "grande.pho").close();
  fs::resize_file(dir.path() / "grande.pho", 100u << 20);
  const auto big = synthesize({"--pho", "grande.pho", "-o", "novo.wav"});
  EXPECT_EQ(big.status, 1);
  EXPECT_NE(big.err.find("grande.pho: linha 1: o ficheiro é demasiado grande"), std::string::npos) << big.err;
  // Nor is anything made when the prosody cannot be written where it is asked to go.
  const auto nowhere = synthesize({"--natural", "--write-pho", "nada/p.pho", "-o", "novo.wav", "_pa_."});
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_FALSE(fs::exists(dir.path() / "novo.wav"));
}

TEST_F(ProsodyCli, NaturalWrittenAsAPhoFileAndReadBackGivesTheSameBytes) {
  ASSERT_EQ(synthesize({"--natural", "-o", "a.wav", "--write-pho", "a.pho", "_p\"apa_?"}).status, 0);
  const std::string pho = read_bytes(dir.path() / "a.pho");
  EXPECT_EQ(pho.rfind("; quelvara-synth, Natural: _p\"apa_?\n_ ", 0), 0u) << pho;
  ASSERT_EQ(synthesize({"--pho", "a.pho", "-o", "b.wav"}).status, 0);
  EXPECT_EQ(read_bytes(dir.path() / "b.wav"), read_bytes(dir.path() / "a.wav"));
  ASSERT_EQ(synthesize({"--pho", "-", "-o", "c.wav"}, pho).status, 0);
  EXPECT_EQ(read_bytes(dir.path() / "c.wav"), read_bytes(dir.path() / "a.wav"));
  // Another stress is another prosody.
  ASSERT_EQ(synthesize({"--natural", "-o", "d.wav", "_pap\"a_?"}).status, 0);
  EXPECT_NE(read_bytes(dir.path() / "d.wav"), read_bytes(dir.path() / "a.wav"));
}

TEST_F(ProsodyCli, AFactorRunWrittenAsAPhoFileKeepsItsLength) {
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"--grafica"}, {"--factor", "0.6"}}) {
    auto args = mode;
    args.insert(args.end(), {"-o", "a.wav", "--write-pho", "a.pho", "_papa_."});
    ASSERT_EQ(synthesize(args).status, 0);
    ASSERT_EQ(synthesize({"--pho", "a.pho", "-o", "b.wav"}).status, 0);
    EXPECT_EQ(frames_of(dir.path() / "b.wav"), frames_of(dir.path() / "a.wav")) << mode[0];
  }
}

TEST_F(ProsodyCli, StressMarksChangeNoByteOfFactorOrGrafica) {
  for (const std::vector<std::string>& mode :
       {std::vector<std::string>{"--grafica"}, {"--factor", "0.7"}, {"--factor", "1"}, {"--factor", "1.9"}}) {
    auto plain = mode, marked = mode;
    plain.insert(plain.end(), {"-o", "plain.wav", "_papa_?"});
    marked.insert(marked.end(), {"-o", "marked.wav", "_%p\"apa\"_?"});
    ASSERT_EQ(synthesize(plain).status, 0);
    ASSERT_EQ(synthesize(marked).status, 0);
    EXPECT_EQ(read_bytes(dir.path() / "marked.wav"), read_bytes(dir.path() / "plain.wav")) << mode[0];
  }
}

TEST_F(ProsodyCli, TheIntonationIsChosenOnceAndAPhoFileTakesNoText) {
  write_bytes(dir.path() / "a.pho", "_ 50\np 80\na 100\n_ 50\n");
  for (const std::vector<std::string>& args : {
           std::vector<std::string>{"--natural", "--grafica", "-o", "x.wav", "_pa_."},
           {"--pho", "a.pho", "--natural", "-o", "x.wav"},
           {"--pho", "a.pho", "-o", "x.wav", "_pa_."},
           {"--natural", "-o", "x.wav"},
           {"--natural", "--write-pho", "a.pho", "-o", "pasta/", "-"},
           {"--pho", "a.pho", "--segment"},
       }) {
    const auto run = synthesize(args);
    EXPECT_EQ(run.status, 2) << args[0] << " " << args[1] << ": " << run.err;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "x.wav"));
}

TEST_F(ProsodyCli, TiersOnTheJoinedSignalsAxisSetTheLengthsOrKeepThem) {
  ASSERT_EQ(synthesize({"--factor", "1", "-o", "f1.wav", "--textgrid", "base", "_papa_."}).status, 0);
  const long long joined = frames_of(dir.path() / "base-orig.wav");
  write_bytes(dir.path() / "d.DurationTier", duration_head + "0\n1\n1\n0.1\n1.5\n");
  write_bytes(dir.path() / "p.PitchTier", pitch_head + "0\n1\n2\n0.05\n180\n0.2\n100\n");
  ASSERT_EQ(synthesize({"--duration-tier", "d.DurationTier", "-o", "d.wav", "_papa_."}).status, 0);
  ASSERT_EQ(synthesize({"--pitch-tier", "p.PitchTier", "-o", "p.wav", "_papa_."}).status, 0);
  ASSERT_EQ(synthesize({"--pitch-tier", "p.PitchTier", "--duration-tier", "d.DurationTier", "-o", "pd.wav", "_papa_."})
                .status,
            0);
  EXPECT_NEAR(static_cast<double>(frames_of(dir.path() / "d.wav")) / static_cast<double>(joined), 1.5, 0.001);
  EXPECT_EQ(frames_of(dir.path() / "p.wav"), joined);
  EXPECT_EQ(frames_of(dir.path() / "pd.wav"), frames_of(dir.path() / "d.wav"));
  EXPECT_NE(read_bytes(dir.path() / "pd.wav"), read_bytes(dir.path() / "d.wav"));
}

// The pitch curve of a PitchTier that the program wrote, read back as the program reads tiers.
std::vector<quelvara::prosody::CurvePoint> planned_curve(const fs::path& file) {
  const auto tier = quelvara::prosody::read_tier(read_bytes(file), quelvara::prosody::TierKind::pitch);
  std::vector<quelvara::prosody::CurvePoint> curve;
  for (const auto& point : std::get<quelvara::prosody::Tier>(tier).points) curve.push_back({point.seconds, point.value});
  return curve;
}

// Runs on the built database, with the phonetics program to hear the results; skipped without
// either.
class ProsodyHeardByThePhoneticsProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    if (program.empty()) GTEST_SKIP() << "the phonetics program is not installed: nobody to hear the pitch";
    if (!fs::exists(app / "bd-index.txt")) GTEST_SKIP() << "the build made no default database";
  }
  void run(const std::vector<std::string>& args) {
    const auto result = run_program(synth, args, {}, app);
    ASSERT_EQ(result.status, 0) << result.err;
  }
  fs::path file(const std::string& name) const { return dir.path() / name; }
  // The share of the voiced frames of wave whose pitch, as the program hears it, lies within 5 %
  // of the curve of a PitchTier that quelvara-synth wrote; 0 when it hears too little to tell.
  double share_heard_as(const std::string& pitch_tier, const std::string& wave) const {
    const auto curve = planned_curve(file(pitch_tier));  // times in seconds here
    const auto heard = quelvara::testing::heard_pitch(program, dir.path(), file(wave));
    if (heard.size() <= 20 || curve.empty()) return 0;
    const auto close = std::count_if(heard.begin(), heard.end(), [&](const auto& h) {
      const double hz = quelvara::prosody::hz_at(curve, h.seconds);
      return std::abs(h.hz - hz) <= 0.05 * hz;
    });
    return static_cast<double>(close) / static_cast<double>(heard.size());
  }

  const std::string program = quelvara::testing::praat();
  const fs::path app = fs::path(synth).parent_path();
  quelvara::testing::TempDir dir;
};

TEST_F(ProsodyHeardByThePhoneticsProgram, NaturalIsHeardAsPlannedAndADurationTierKeepsThePitch) {
  for (const char* text : {"_6\"kaz6\"bEl6_.", "_u\"gatu_?"}) {
    run({"--natural", "-o", file("n.wav").string(), "--textgrid", file("n").string(), text});
    EXPECT_GE(share_heard_as("n-sinal.PitchTier", "n.wav"), 0.9) << text;
  }

  run({"--factor", "1", "-o", file("f.wav").string(), "--textgrid", file("f").string(), "_ewgOStud@liZbo6_."});
  std::ofstream(file("d.DurationTier")) << duration_head << "0\n1\n1\n0.5\n1.5\n";
  run({"--duration-tier", file("d.DurationTier").string(), "-o", file("d.wav").string(), "_ewgOStud@liZbo6_."});
  EXPECT_NEAR(static_cast<double>(frames_of(file("d.wav"))) / static_cast<double>(frames_of(file("f-orig.wav"))), 1.5,
              0.03);
  auto heard = quelvara::testing::heard_pitch(program, dir.path(), file("d.wav"));
  ASSERT_GT(heard.size(), 20u);
  std::nth_element(heard.begin(), heard.begin() + heard.size() / 2, heard.end(),
                   [](const auto& a, const auto& b) { return a.hz < b.hz; });
  EXPECT_NEAR(heard[heard.size() / 2].hz, 130, 1.3);
}

// The exported pitch judged from outside, on real words in every mode: the joined signal's
// PitchTier keeps to the donor's level with no spike at a voicing onset, and the result's is
// what the phonetics program hears in the result.
TEST_F(ProsodyHeardByThePhoneticsProgram, ExportedPitchTiersHoldNoSpikesAndAreWhatIsHeard) {
  const std::string text = "_6\"kaz6d6\"mar6\"ElEg6t@_.";
  for (const std::vector<std::string>& mode : {std::vector<std::string>{"--factor", "1"}, {"--factor", "1.5"},
                                              {"--grafica"}, {"--natural"}}) {
    std::vector<std::string> args = mode;
    args.insert(args.end(), {"-o", file("r.wav").string(), "--textgrid", file("r").string(), text});
    run(args);
    const auto joined = planned_curve(file("r-orig.PitchTier"));
    ASSERT_GT(joined.size(), 50u) << mode[0];
    for (const auto& point : joined) EXPECT_NEAR(point.hz, 130, 13) << mode[0] << " at " << point.ms;
    EXPECT_GE(share_heard_as("r-sinal.PitchTier", "r.wav"), 0.9) << mode[0] << " " << mode.back();
  }
}

}  // namespace
