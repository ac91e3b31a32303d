#pragma once
// Runs a program with arguments and a standard input, and collects what it wrote and its status.
#include <filesystem>
#include <string>
#include <vector>

namespace quelvara::testing {

struct ProgramResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                          const std::string& input = {},
                          const std::filesystem::path& working_directory = {});

}  // namespace quelvara::testing
