#pragma once
// Runs a program with arguments and a standard input, and collects what it wrote and its status.
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quelvara::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  int signal = 0;   // the signal that ended it, when one did
  std::string out;
  std::string err;
};

// What the program is started with beyond its arguments.
struct RunOptions {
  std::vector<std::pair<int, rlim_t>> limits;  // resource limits (RLIMIT_AS, RLIMIT_FSIZE, ...)
  std::vector<std::string> environment;        // "NAME=value", set on top of the test's own
  // Run as the user nobody when started as root. The program is run from a copy in a folder of
  // its own that nobody may enter (the build folder may lie in a folder only root enters, as a
  // clone in /root does); the working folder and what the program reads in it must be open to
  // nobody already.
  bool unprivileged = false;
  bool output_without_reader = false;          // standard output a pipe that nobody reads
  // Called in the test process once the program runs, with its process id.
  std::function<void(int pid)> while_running;
};

ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& input = {},
                          const std::filesystem::path& working_directory = {},
                          const RunOptions& options = {});

}  // namespace quelvara::testing
