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

Outcome run_program(const std::string& arguments) {
  quelvara::testing::TempDir dir;
  const std::string command =
      "cd '" + dir.path().string() + "' && '" + QUELVARA_EXECUTABLE + "' " + arguments + " 2>&1";
  Outcome outcome;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return outcome;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe)) outcome.output += buffer.data();
  const int raw = pclose(pipe);
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return outcome;
}

TEST(Program, StartsAndExitsCleanlyWithAndWithoutArguments) {
  for (const char* arguments : {"", "interface_OpeningFcn 'Gráfica' ''"}) {
    SCOPED_TRACE(arguments);
    const auto outcome = run_program(arguments);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.output, "");  // nothing is printed in normal use
  }
}

}  // namespace
