// The quelvara executable itself, started as a process.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/temp_dir.h"

namespace {

struct Outcome {
  int status = -1;
  std::string output;
};

// environment: a command that sets what the run adds to or takes from it ("env -u DISPLAY").
Outcome run_program(const std::string& arguments, const std::string& environment = "") {
  quelvara::testing::TempDir dir;
  // Real windows without a display; the toolkit's note about its runtime folder is no output
  // of ours.
  const std::string command = "cd '" + dir.path().string() +
                              "' && mkdir -m 700 runtime && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=\"$PWD/runtime\" " +
                              environment + " '" + QUELVARA_EXECUTABLE + "' " + arguments + " 2>&1";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe)) outcome.output += buffer.data();
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

// A normal run lasts until the user closes the main window (the windows' end-to-end tests drive
// that); started in a folder without the layouts, the program reports the missing main window
// in the error-report form and ends with status 1, with or without arguments.
TEST(Program, WithoutItsLayoutsReportsTheMissingMainWindowAndExitsWithOne) {
  for (const char* arguments : {"", "interface_OpeningFcn 'Gráfica' ''"}) {
    SCOPED_TRACE(arguments);
    const auto outcome = run_program(arguments);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.output.rfind("RuntimeError\nException!  File: ", 0), 0u) << outcome.output;
    EXPECT_NE(outcome.output.find("    Cannot load layout 'interface.fig'"), std::string::npos) << outcome.output;
  }
}

// Before anything opens, what stops the program is said in Portuguese, with status 1.
TEST(Program, WithoutADisplayOrWithAMissingDataFolderSaysWhyAndExitsWithOne) {
  const struct {
    std::string environment;
    std::string output;
  } cases[] = {
      {"env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY",
       "quelvara: não há nenhum ecrã onde abrir as janelas (DISPLAY e WAYLAND_DISPLAY estão vazios).\n"
       "  Corra o quelvara numa sessão gráfica, ou num ecrã virtual:\n"
       "    xvfb-run -a -s \"-screen 0 1920x1080x24\" quelvara\n"
       "  Para sintetizar sem janelas: quelvara-synth --help.\n"},
      {"QUELVARA_DATA=/nenhuma/pasta", "quelvara: QUELVARA_DATA indica a pasta «/nenhuma/pasta», que não existe\n"},
  };
  for (const auto& c : cases) {
    const auto outcome = run_program("", c.environment);
    EXPECT_EQ(outcome.status, 1) << c.environment;
    EXPECT_EQ(outcome.output, c.output);
  }
}

}  // namespace
