// Which database quelvara-synth reads without --bd, run from a prefix of its own as installed
// (<prefix>/bin/quelvara-synth beside <prefix>/share/quelvara): ./bd when the working folder
// has it, else the installed one; QUELVARA_DATA instead of both. The help says which it reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/fixture_database.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using quelvara::testing::run_program;
using quelvara::testing::RunOptions;

namespace {

class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(prefix / "bin");
    fs::create_directories(installed);
    fs::create_directory(work);
    fs::copy_file(QUELVARA_SYNTH, synth);
  }
  quelvara::testing::ProgramResult run(std::vector<std::string> args, std::vector<std::string> environment = {}) {
    RunOptions options;
    options.environment = std::move(environment);
    return run_program(synth.string(), std::move(args), {}, work, options);
  }
  // The paragraph of the help that says which database is read without --bd.
  std::string help_line(std::vector<std::string> environment = {}) {
    const std::string help = run({"--help"}, std::move(environment)).out;
    const auto at = help.find("Sem --bd,");
    if (at == std::string::npos) return help;
    std::string line = help.substr(at, help.find("\n\n", at) - at);
    for (auto& c : line) c = c == '\n' ? ' ' : c;
    return line;
  }
  quelvara::testing::TempDir top;
  fs::path prefix = top / "Área de Trabalho" / "Quelvara+1";
  fs::path synth = prefix / "bin" / "quelvara-synth";
  fs::path installed = prefix / "share" / "quelvara";
  fs::path work = top / "trabalho";
};

TEST_F(DataFolder, TheWorkingFolderComesFirstThenTheInstalledOne) {
  quelvara::testing::write_fixture_database(installed);
  const std::string installed_database = "«" + (installed / "bd").string() + "», a instalada.";
  EXPECT_EQ(help_line(), "Sem --bd, a base de dados lida agora é " + installed_database);
  EXPECT_EQ(help_line({"QUELVARA_DATA="}), "Sem --bd, a base de dados lida agora é " + installed_database);
  EXPECT_EQ(run({"--grafica", "-o", "voz", "_pa_."}).status, 0);
  // A unit missing from the installed database is named in full.
  const auto pu = run({"--grafica", "-o", "voz", "_pu_."});
  EXPECT_EQ(pu.status, 1);
  EXPECT_EQ(pu.err, "quelvara-synth: Inseriu um difone que não existe na Base de Dados\n  difone «pu» (p + u): " +
                        (installed / "bd" / "oclus" / "229.mat").string() + "\n");

  // A working folder with a bd/ of its own is read instead: here one without the unit (p, i).
  quelvara::testing::write_fixture_database(work);
  fs::remove(work / "bd" / "oclus" / "222.mat");
  EXPECT_EQ(help_line(), "Sem --bd, a base de dados lida agora é «./bd», na pasta de trabalho.");
  const auto missing = run({"--grafica", "-o", "voz", "_pi_."});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(
      missing.err,
      "quelvara-synth: Inseriu um difone que não existe na Base de Dados\n  difone «pi» (p + i): bd/oclus/222.mat\n");
}

TEST_F(DataFolder, TheVariableReplacesBothAndMustNameAReadableFolder) {
  quelvara::testing::write_fixture_database(installed);
  quelvara::testing::write_fixture_database(work);
  const fs::path other = top / "outra base";
  quelvara::testing::write_fixture_database(other);
  const std::string variable = "QUELVARA_DATA=" + other.string();
  EXPECT_EQ(help_line({variable}),
            "Sem --bd, a base de dados lida agora é «" + (other / "bd").string() + "», de QUELVARA_DATA.");
  EXPECT_EQ(run({"--grafica", "-o", "voz", "_pa_."}, {variable}).status, 0);

  fs::create_directory(top / "vazia");
  std::ofstream(top / "ficheiro") << "não é uma pasta";
  const struct {
    fs::path folder;
    std::string message;
  } cases[] = {
      {top / "nenhuma", "QUELVARA_DATA indica a pasta «" + (top / "nenhuma").string() + "», que não existe"},
      {top / "ficheiro", "QUELVARA_DATA indica a pasta «" + (top / "ficheiro").string() + "», que não é uma pasta"},
      {top / "vazia", "não encontrei a base de dados de difones em «" + (top / "vazia" / "bd").string() +
                          "»; indique a pasta que contém bd/ com --bd PASTA ou com a variável QUELVARA_DATA"},
  };
  for (const auto& c : cases) {
    const auto r = run({"--grafica", "-o", "voz", "_pa_."}, {"QUELVARA_DATA=" + c.folder.string()});
    EXPECT_EQ(r.status, 1) << c.folder;
    EXPECT_EQ(r.err, "quelvara-synth: " + c.message + "\n");
    // --bd chooses the database itself.
    EXPECT_EQ(
        run({"--bd", work.string(), "--grafica", "-o", "voz", "_pa_."}, {"QUELVARA_DATA=" + c.folder.string()}).status,
        0);
  }
}

TEST_F(DataFolder, WithoutAnyDatabaseThePlacesLookedInAreNamed) {
  EXPECT_EQ(help_line(),
            "Sem --bd, não há base de dados: nem a pasta de trabalho nem «" + installed.string() + "» têm bd/.");
  const auto r = run({"--grafica", "-o", "voz", "_pa_."});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: não encontrei a base de dados de difones em «./bd» nem em «" +
                       (installed / "bd").string() +
                       "»; indique a pasta que contém bd/ com --bd PASTA ou com a variável QUELVARA_DATA\n");
  EXPECT_FALSE(fs::exists(work / "voz.wav"));
}

}  // namespace
