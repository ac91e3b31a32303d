// quelvara-synth on bad input and in bad surroundings: each case checks the message, the exit
// status and the files, and that nothing is left behind in the temporary folder or beside the
// output.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "runtime/mat_file.h"
#include "support/fixture_database.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using quelvara::testing::ProgramResult;
using quelvara::testing::RunOptions;
using quelvara::testing::TempDir;

namespace {

const std::string synth = QUELVARA_SYNTH;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true;  // it reserves far more address space than any limit
#else
constexpr bool address_sanitizer = false;
#endif

std::string read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Files of the program's own making in the system's temporary folder.
std::set<std::string> stray_temporaries() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
    if (entry.path().filename().string().starts_with("quelvara-synth")) names.insert(entry.path().string());
  return names;
}

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    quelvara::testing::write_fixture_database(dir.path());
    before = stray_temporaries();
  }
  void TearDown() override {
    EXPECT_TRUE(fs::is_empty(tmp.path())) << "a file was left in the temporary folder";
    for (const auto& name : stray_temporaries())
      EXPECT_TRUE(before.count(name)) << name << " was left in the temporary folder";
  }
  ProgramResult run(std::vector<std::string> args, const std::string& input = {}, RunOptions options = {}) {
    options.environment.push_back("TMPDIR=" + tmp.path().string());
    return run_program(synth, std::move(args), input, dir.path(), options);
  }
  // The working folder holds the database and exactly these further names.
  void expect_folder(std::vector<std::string> names) {
    names.push_back("bd");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names_in(dir.path()), names);
  }
  TempDir dir;
  TempDir tmp;
  std::set<std::string> before;
};

const std::string old_contents = "RIFF and the rest of an older recording";

TEST_F(BadInput, StandardOutputWithoutAReaderIsAWriteErrorWithItsReason) {
  RunOptions options;
  options.output_without_reader = true;
  const auto r = run({"--factor", "1.2", "-o", "-", "_papa_."}, {}, options);
  EXPECT_EQ(r.signal, 0) << "ended by a signal";
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: não foi possível escrever na saída padrão: quem lia a saída fechou-a\n");
  expect_folder({});
}

TEST_F(BadInput, AReaderThatStopsEarlyGetsTheFirstBytesAndTheReasonIsReported) {
  // «quelvara-synth -o - TEXT | head -c 10», with far more bytes than a pipe holds.
  std::string text = "_";
  for (int k = 0; k < 200; ++k) text += "pa";
  text += "_";
  RunOptions options;
  options.environment.push_back("TMPDIR=" + tmp.path().string());
  const auto r = quelvara::testing::run_program(
      "/bin/bash",
      {"-c", "\"$0\" --grafica -o - \"$1\" 2>synth.err | head -c 10 >head.out; exit ${PIPESTATUS[0]}", synth, text},
      {}, dir.path(), options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_bytes(dir / "head.out").substr(0, 4), "RIFF");
  EXPECT_EQ(read_bytes(dir / "head.out").size(), 10u);
  const std::string err = read_bytes(dir / "synth.err");
  EXPECT_EQ(err, "quelvara-synth: não foi possível escrever na saída padrão: quem lia a saída fechou-a\n");
  expect_folder({"head.out", "synth.err"});
}

TEST_F(BadInput, AFailedSaveLeavesTheExistingFileWhole) {
  // A file size limit stops the samples half-way, as a full disk would.
  std::ofstream(dir / "voz.wav") << old_contents;
  RunOptions options;
  options.limits.push_back({RLIMIT_FSIZE, 1000});
  const auto r = run({"--grafica", "-o", "voz.wav", "_papa_."}, {}, options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: não foi possível gravar «voz.wav»: o ficheiro excede o tamanho permitido\n");
  EXPECT_EQ(read_bytes(dir / "voz.wav"), old_contents);
  expect_folder({"voz.wav"});
}

TEST_F(BadInput, AFolderThatAllowsNoNewFileRefusesToReplaceAFileInIt) {
  fs::create_directory(dir / "fechada");
  std::ofstream(dir / "fechada" / "voz.wav") << old_contents;
  fs::permissions(dir / "fechada" / "voz.wav", fs::perms(0666));
  fs::permissions(dir / "fechada", fs::perms(0555));
  fs::permissions(dir.path(), fs::perms(0755));  // the user nobody works in it
  RunOptions options;
  options.unprivileged = true;  // a folder's permissions do not bind the administrator
  const auto r = run({"--grafica", "-o", "fechada/voz.wav", "_pa_."}, {}, options);
  fs::permissions(dir / "fechada", fs::perms(0755));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "quelvara-synth: não foi possível gravar «fechada/voz.wav»: a pasta não permite o ficheiro novo que "
            "substituiria o existente com segurança (permissão negada)\n");
  EXPECT_EQ(read_bytes(dir / "fechada" / "voz.wav"), old_contents);
  EXPECT_EQ(names_in(dir / "fechada"), std::vector<std::string>{"voz.wav"});
}

TEST_F(BadInput, ABatchLineThatRunsOutOfMemoryIsReportedAndTheNextLineIsMade) {
  if (address_sanitizer) GTEST_SKIP() << "a limit on address space and the address sanitizer exclude each other";
  fs::create_directory(dir / "out");
  std::string huge = "_";
  for (int k = 0; k < 4999; ++k) huge += "pa";  // within the length limit, beyond the memory
  huge += "_";
  RunOptions options;
  // The long line needs about 120 MB of address space, a short one less than 30 MB.
  options.limits.push_back({RLIMIT_AS, rlim_t(60) << 20});
  const auto r = run({"--grafica", "-o", "out/", "-"}, "_pa_.\n" + huge + "\n_pi_.\n", options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: linha 2: memória insuficiente para sintetizar este texto\n");
  EXPECT_EQ(names_in(dir / "out"), (std::vector<std::string>{"1.wav", "3.wav"}));
  expect_folder({"out"});
}

TEST_F(BadInput, TextsLongerThanTheLimitAreRefusedWithoutTakingTheirSize) {
  const std::string limit_message = "texto demasiado longo: o máximo é de 10000 caracteres";
  auto r = run({"--grafica", "-o", "voz.wav", std::string(10001, 'a')});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "quelvara-synth: " + limit_message + "\n");
  expect_folder({});

  // A 10 MB line of NUL bytes in a batch: refused by its number, the next line is made, and
  // the memory it may take stays bounded.
  fs::create_directory(dir / "out");
  RunOptions options;
  if (!address_sanitizer) options.limits.push_back({RLIMIT_AS, rlim_t(300) << 20});
  r = run({"--factor", "1", "-o", "out/", "-"}, std::string(10 << 20, '\0') + "\n_pa_.\n", options);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quelvara-synth: linha 1: " + limit_message + "\n");
  EXPECT_EQ(names_in(dir / "out"), std::vector<std::string>{"2.wav"});
}

TEST_F(BadInput, AnEmptyOutputNameOrAFolderForOneTextIsRefused) {
  fs::create_directory(dir / "out");
  auto r = run({"--grafica", "-o", "", "_pa_."});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "quelvara-synth: o nome do ficheiro de saída (-o) está vazio\n");
  r = run({"--grafica", "-o", "", "-"}, "_pa_.\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "quelvara-synth: o nome do ficheiro de saída (-o) está vazio\n");
  for (const std::string folder : {"out/", "nova/", ".", "out/."}) {
    r = run({"--grafica", "-o", folder, "_pa_."});
    EXPECT_EQ(r.status, 2) << folder;
    EXPECT_EQ(r.err, "quelvara-synth: «" + folder +
                         "» é uma pasta: com um só texto, -o tem de ser o nome de um ficheiro\n");
  }
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  expect_folder({"out"});
  // A folder's name without "." is a file name: the writer adds ".wav" beside the folder.
  r = run({"--grafica", "-o", "out", "_pa_."});
  EXPECT_EQ(r.status, 0) << r.err;
  expect_folder({"out", "out.wav"});
}

TEST_F(BadInput, TheFactorIsADecimalNumberAsTheMainWindowReadsIt) {
  for (const std::string factor : {"0x1", "0X1.8p0", "1.5.2", "1,5", "1 2", "1e", "", " "}) {
    const auto r = run({"--factor", factor, "-o", "voz.wav", "_pa_."});
    EXPECT_EQ(r.status, 2) << "«" << factor << "»";
    EXPECT_EQ(r.err, "quelvara-synth: Introduza um valor entre 0.5 e 2\n") << "«" << factor << "»";
  }
  expect_folder({});
  for (const std::string factor : {"1e0", " 1.5 ", "+2", ".5"}) {
    const auto r = run({"--factor", factor, "-o", "voz.wav", "_pa_."});
    EXPECT_EQ(r.status, 0) << "«" << factor << "»: " << r.err;
  }
  expect_folder({"voz.wav"});
}

TEST_F(BadInput, AUnitWhoseLevelIsNoFiniteNumberIsRefusedByName) {
  // Finite samples so large that the level of the last period overflows.
  quelvara::synthesis::UnitData unit;
  quelvara::testing::append_noise(unit, 200, 0.05);
  quelvara::testing::append_voiced(unit, 6, 1e308);
  ASSERT_TRUE(quelvara::runtime::write_unit_file(dir / "bd" / "oclus" / "225.mat", unit));
  std::ofstream(dir / "voz.wav") << old_contents;
  const auto r = run({"--grafica", "-o", "voz.wav", "_pa_."});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "quelvara-synth: Inseriu um difone que não existe na Base de Dados\n"
            "  difone «pa» (p + a): bd/oclus/225.mat\n");
  EXPECT_EQ(read_bytes(dir / "voz.wav"), old_contents);
  expect_folder({"voz.wav"});
}

// Ends the program with SIGTERM as soon as the file it writes appears beside its target.
void terminate_once_writing(const fs::path& folder, int pid, bool& caught) {
  const int watch = inotify_init1(IN_CLOEXEC);
  inotify_add_watch(watch, folder.c_str(), IN_CREATE);
  pollfd fd{watch, POLLIN, 0};
  if (poll(&fd, 1, 20000) > 0) {
    kill(pid, SIGTERM);
    caught = true;
  }
  close(watch);
}

TEST_F(BadInput, ASignalDuringTheWriteLeavesNoTemporaryFile) {
  std::string text = "_";
  for (int k = 0; k < 4000; ++k) text += "pa";  // a write of about 20 MB
  text += "_";
  // The signal may come just after the file was put in place; try until it lands in the write.
  bool ended_in_the_write = false;
  for (int attempt = 0; attempt < 5 && !ended_in_the_write; ++attempt) {
    fs::remove(dir / "voz.wav");
    bool caught = false;
    RunOptions options;
    options.while_running = [&](int pid) { terminate_once_writing(dir.path(), pid, caught); };
    const auto r = run({"--grafica", "-o", "voz.wav", text}, {}, options);
    ASSERT_TRUE(caught);
    ended_in_the_write = r.signal == SIGTERM && !fs::exists(dir / "voz.wav");
    if (r.signal != SIGTERM) expect_folder({"voz.wav"});
  }
  EXPECT_TRUE(ended_in_the_write) << "the signal never came during the write";
  expect_folder({});
}

}  // namespace
