// quelvara-synth --pt: Portuguese spelling in, the same road as for its transcription.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fixture_database.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using quelvara::testing::run_program;
using quelvara::testing::TempDir;

namespace {

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SpellingCli : public ::testing::Test {
 protected:
  // The fixture database holds the units of «_pa_»: «pá» is transcribed to it.
  void SetUp() override { quelvara::testing::write_fixture_database(dir.path()); }
  quelvara::testing::ProgramResult run(std::vector<std::string> args, const std::string& input = {}) {
    return run_program(QUELVARA_SYNTH, std::move(args), input, dir.path());
  }
  TempDir dir;
};

TEST_F(SpellingCli, SpellingIsSynthesisedAsItsTranscription) {
  ASSERT_EQ(run({"--grafica", "-o", "sampa.wav", "_pa_!"}).status, 0);
  const auto spelt = run({"--pt", "--grafica", "-o", "pt.wav", "Pá!"});
  EXPECT_EQ(spelt.status, 0) << spelt.err;
  EXPECT_TRUE(spelt.err.empty()) << spelt.err;
  EXPECT_EQ(read_bytes(dir.path() / "pt.wav"), read_bytes(dir.path() / "sampa.wav"));
}

TEST_F(SpellingCli, SegmentPrintsTheTranscriptionAndItsDiphones) {
  const auto r = run({"--pt", "--segment", "Bom dia, Lisboa!"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("transcrição «_\"bo~\"di6_liZ\"bo6_!»\npontuação «!», 13 difones\n", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("bo~\tb + o~\t3 + 34\tbd/oclus/334.mat"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(dir.path() / "bd-index.txt"));

  // Written forms read as words are shown before the transcription.
  const auto written = run({"--pt", "--segment", "Fiquei em 1.º lugar, o Dr. Sá em 2.º."});
  EXPECT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(written.out.rfind("lido como «1.º» → «primeiro»\nlido como «Dr.» → «doutor»\n"
                              "lido como «2.º» → «segundo»\ntranscrição «",
                              0),
            0u)
      << written.out;
}

TEST_F(SpellingCli, TextsWithNothingToTranscribeFailWithTheirMessageAndWriteNothing) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "Escreva um texto em português para transcrever."},
      {" ?! ", "O texto não tem palavras para transcrever."},
      {"pá # pá", "Não é possível transcrever «#» (posição 4)."},
  };
  for (const auto& [text, message] : cases) {
    for (const std::vector<std::string>& mode : {std::vector<std::string>{"--grafica", "-o", "voz"},
                                                 std::vector<std::string>{"--segment"}}) {
      std::vector<std::string> args = mode;
      args.insert(args.end(), {"--pt", text});
      const auto r = run(args);
      EXPECT_EQ(r.status, 1) << text;
      EXPECT_EQ(r.err, "quelvara-synth: " + message + "\n") << text;
      EXPECT_TRUE(r.out.empty()) << r.out;
    }
  }
  EXPECT_FALSE(fs::exists(dir.path() / "voz.wav"));
}

TEST_F(SpellingCli, StandardInputGivesOneSentencePerLine) {
  fs::create_directory(dir.path() / "saida");
  const auto r = run({"--pt", "--factor", "1.2", "-o", "saida/", "-"}, "Pá.\n\n#\npá!\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: linha 3: Não é possível transcrever «#» (posição 1).\n");
  EXPECT_TRUE(fs::exists(dir.path() / "saida/1.wav"));
  EXPECT_FALSE(fs::exists(dir.path() / "saida/3.wav"));
  ASSERT_TRUE(fs::exists(dir.path() / "saida/4.wav"));
  ASSERT_EQ(run({"--factor", "1.2", "-o", "sampa.wav", "_pa_!"}).status, 0);
  EXPECT_EQ(read_bytes(dir.path() / "saida/4.wav"), read_bytes(dir.path() / "sampa.wav"));

  const auto segments = run({"--pt", "--segment", "-"}, "Pá.\nsim\n");
  EXPECT_EQ(segments.status, 0) << segments.err;
  EXPECT_NE(segments.out.find("linha 1: transcrição «_\"pa_.»\n"), std::string::npos) << segments.out;
  EXPECT_NE(segments.out.find("linha 2: transcrição «_\"si~_»\n"), std::string::npos) << segments.out;
}

}  // namespace
