// quelvara-synth as a user runs it: arguments, exit status, messages and the files it writes.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

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

const std::string synth = QUELVARA_SYNTH;
const std::string missing_unit = "Inseriu um difone que não existe na Base de Dados";
const std::string out_of_range = "Introduza um valor entre 0.5 e 2";

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class SynthCli : public ::testing::Test {
 protected:
  void SetUp() override { quelvara::testing::write_fixture_database(dir.path()); }
  quelvara::testing::ProgramResult run(std::vector<std::string> args, const std::string& input = {}) {
    return run_program(synth, std::move(args), input, dir.path());
  }
  TempDir dir;
};

TEST_F(SynthCli, HelpAndVersionSucceed) {
  const auto help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Utilização: quelvara-synth [OPÇÕES] TEXTO"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("{n}"), std::string::npos);
  for (const char* english : {"Usage", "Options", "Positionals", "REQUIRED", "TEXT "})
    EXPECT_EQ(help.out.find(english), std::string::npos) << english;
  const auto version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quelvara-synth " QUELVARA_VERSION "\n");
}

// Every usage error is said in Portuguese, exits with 2 and writes nothing.
TEST_F(SynthCli, UsageErrorsExitWithTwoAndWriteNothing) {
  const std::string see_help = "Use --help para ver a utilização.\n";
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"-o", "voz.wav", "_pa_."},
       "escolha uma entoação: --factor F, --grafica, --natural, --pho FICHEIRO, ou --pitch-tier e/ou --duration-tier"},
      {{"--factor", "1", "--grafica", "-o", "voz.wav", "_pa_."},
       "--factor e --grafica excluem-se: escolha uma só entoação\n" + see_help},
      {{"--grafica", "_pa_."}, "indique o ficheiro de saída com -o FICHEIRO (ou -o - para a saída padrão)"},
      {{"--grafica", "-o", "voz.wav", ""}, "texto vazio: escreva uma transcrição SAMPA"},
      {{"--grafica", "-o", "voz.wav"},
       "falta o TEXTO: a transcrição SAMPA (ou, com --pt, o texto em português), ou «-» para ler um texto por "
       "linha da entrada padrão\n" + see_help},
      {{"--grafica", "--bogus", "-o", "voz.wav", "_pa_."}, "opção desconhecida: «--bogus»\n" + see_help},
      {{"--grafica", "-o", "voz.wav", "_pa_", "_pi_"},
       "argumento a mais: «_pi_» (um TEXTO com espaços vai entre aspas)\n" + see_help},
      {{"--grafica", "_pa_", "-o"}, "falta o valor de -o\n" + see_help},
      {{"--grafica", "-o", "a.wav", "-o", "voz.wav", "_pa_"},
       "-o foi dada mais de uma vez: dê-a uma só vez\n" + see_help},
      {{"--grafica=sim", "-o", "voz.wav", "_pa_"}, "--grafica não leva valor (foi dado «sim»)\n" + see_help},
      {{"--grafica", "-o", "voz.wav", "-"}, "com TEXTO «-», -o tem de ser uma pasta ou um padrão com {n}"},
  };
  for (const auto& c : cases) {
    const auto r = run(c.args);
    EXPECT_EQ(r.status, 2) << c.message;
    const std::string expected = "quelvara-synth: " + c.message;
    EXPECT_EQ(r.err, expected.ends_with('\n') ? expected : expected + "\n");
  }
  EXPECT_FALSE(fs::exists(dir / "voz.wav"));
  EXPECT_FALSE(fs::exists(dir / "a.wav"));
}

TEST_F(SynthCli, FactorOutsideTheRangeGetsTheRangeMessage) {
  for (const std::string factor : {"0.49", "2.01", "NaN", "nan", "-1", "abc", "1,5", "inf"}) {
    const auto r = run({"--factor", factor, "-o", "voz.wav", "_pa_."});
    EXPECT_EQ(r.status, 2) << factor;
    EXPECT_NE(r.err.find(out_of_range), std::string::npos) << factor << ": " << r.err;
  }
  for (const std::string factor : {"0.5", "2"}) EXPECT_EQ(run({"--factor", factor, "-o", "v.wav", "_pa_."}).status, 0) << factor;
}

TEST_F(SynthCli, WritesA16BitMonoFileAt22050) {
  const auto r = run({"--grafica", "-o", "voz", "_pa_."});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_TRUE(fs::exists(dir / "voz.wav"));  // a name without "." gets .wav, as when saving
  SF_INFO info{};
  SNDFILE* f = sf_open((dir / "voz.wav").c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.samplerate, 22050);
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_GT(info.frames, 1000);
  std::vector<short> samples(static_cast<std::size_t>(info.frames));
  EXPECT_EQ(sf_read_short(f, samples.data(), info.frames), info.frames);
  sf_close(f);
  EXPECT_NE(*std::max_element(samples.begin(), samples.end()), 0);  // not silence
  EXPECT_EQ(fs::file_size(dir / "voz.wav"), 44 + 2 * static_cast<std::uintmax_t>(info.frames));
}

TEST_F(SynthCli, StandardOutputGetsTheSameBytesAsAFile) {
  ASSERT_EQ(run({"--factor", "1.5", "-o", "a.wav", "_papa_!"}).status, 0);
  const auto r = run({"--factor", "1.5", "-o", "-", "_papa_!"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out == read_bytes(dir / "a.wav"));
}

// Without --textgrid the new signal is written as it is made, never whole; with it, the road
// runs whole for the export. Both files must be the same, in every mode.
TEST_F(SynthCli, TheSignalWrittenAsItIsMadeIsTheWholeRoadsSignal) {
  for (const auto& mode : {std::vector<std::string>{"--factor", "0.5"}, {"--factor", "1"}, {"--factor", "1.37"},
                           {"--factor", "2"}, {"--grafica"}}) {
    for (const std::string texto : {"_papapa_!", "_pi_?", "_pa_."}) {
      std::vector<std::string> made = mode, whole = mode;
      made.insert(made.end(), {"-o", "made.wav", texto});
      whole.insert(whole.end(), {"-o", "whole.wav", "--textgrid", "analise", texto});
      ASSERT_EQ(run(made).status, 0) << texto;
      ASSERT_EQ(run(whole).status, 0) << texto;
      EXPECT_TRUE(read_bytes(dir / "made.wav") == read_bytes(dir / "whole.wav")) << mode.back() << " " << texto;
      fs::remove(dir / "made.wav");
      fs::remove(dir / "whole.wav");
    }
  }
}

TEST_F(SynthCli, HigherFactorGivesShorterVoicedParts) {
  ASSERT_EQ(run({"--factor", "1", "-o", "one.wav", "_papa_."}).status, 0);
  ASSERT_EQ(run({"--factor", "2", "-o", "two.wav", "_papa_."}).status, 0);
  ASSERT_EQ(run({"--factor", "0.5", "-o", "half.wav", "_papa_."}).status, 0);
  const auto one = fs::file_size(dir / "one.wav"), two = fs::file_size(dir / "two.wav"),
             half = fs::file_size(dir / "half.wav");
  EXPECT_LT(two, one);
  EXPECT_GT(half, one);
}

TEST_F(SynthCli, MissingUnitsAndUnknownPhonesFailWithTheSystemMessage) {
  std::ofstream(dir / "voz.wav") << "keep me";
  for (const std::string text : {"_pu_.", "_pa?a_", "_pá_", "_pX_."}) {
    const auto r = run({"--grafica", "-o", "voz.wav", text});
    EXPECT_EQ(r.status, 1) << text;
    EXPECT_NE(r.err.find(missing_unit), std::string::npos) << text << ": " << r.err;
  }
  EXPECT_TRUE(read_bytes(dir / "voz.wav") == "keep me");
}

TEST_F(SynthCli, TextIsCutAtTheFirstBlank) {
  // Everything after the blank is ignored, so the missing unit of «_pu_» is never looked up.
  EXPECT_EQ(run({"--grafica", "-o", "voz.wav", "_pa_ _pu_"}).status, 0);
}

TEST_F(SynthCli, MissingDatabaseFolderIsReported) {
  const auto r = run({"--bd", "nowhere", "--grafica", "-o", "voz.wav", "_pa_."});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nowhere"), std::string::npos);
}

TEST_F(SynthCli, UnwritableOutputIsAFileError) {
  auto r = run({"--grafica", "-o", "no/such/folder/voz.wav", "_pa_."});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.err.empty());
  // "/dev/full" has no "." and would become /dev/full.wav, so reach the device through a link.
  fs::create_symlink("/dev/full", dir / "full.wav");
  r = run({"--grafica", "-o", "full.wav", "_pa_."});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: não foi possível gravar «full.wav»: não há espaço no disco\n");
}

TEST_F(SynthCli, BatchWritesOneFilePerLineAndReportsBadLines) {
  fs::create_directory(dir / "out");
  const auto r = run({"--factor", "1.2", "-o", "out/", "-"}, "_pa_.\n_pu_\n\n_pi_?\r\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("linha 2"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(dir / "out" / "1.wav"));
  EXPECT_FALSE(fs::exists(dir / "out" / "2.wav"));
  EXPECT_TRUE(fs::exists(dir / "out" / "4.wav"));

  const auto pattern = run({"--grafica", "-o", "frase{n}.wav", "-"}, "_pa_.\n_pi_!\n");
  EXPECT_EQ(pattern.status, 0) << pattern.err;
  EXPECT_TRUE(fs::exists(dir / "frase1.wav"));
  EXPECT_TRUE(fs::exists(dir / "frase2.wav"));
}

TEST_F(SynthCli, SegmentShowsTheCutWithNumbersAndFiles) {
  const auto r = run({"--segment", "_p6~w_!"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("«!»"), std::string::npos);
  EXPECT_NE(r.out.find("p6~w\tp + 6~w\t2 + 46\tbd/oclus/246.mat"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("6~w_\t6~w + _\t46 + 1\tbd/461.mat"), std::string::npos) << r.out;
  const auto unknown = run({"--segment", "_pX_"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.out.find("desconhecido"), std::string::npos);
}

TEST_F(SynthCli, TheLongestTextIsSynthesised) {
  std::string text = "_";
  for (int k = 0; k < 4999; ++k) text += "pa";
  text += "_";
  ASSERT_EQ(text.size(), 10000u);
  const auto r = run({"--factor", "1", "-o", "long.wav", text});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_GT(fs::file_size(dir / "long.wav"), 9998u * 170u);
}

}  // namespace
