#pragma once
// The phonetics program, when it is installed: its path on PATH, and the F0 it hears.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_program.h"

namespace quelvara::testing {

// Its path, or empty when it is not installed.
inline std::string praat() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && std::filesystem::exists(std::filesystem::path(dir) / "praat"))
      return (std::filesystem::path(dir) / "praat").string();
  return {};
}

struct HeardPitch {
  double seconds = 0;
  double hz = 0;
};

// Its pitch of a WAVE file (10 ms frames, 75 to 600 Hz), voiced frames only; a script is
// written into dir.
inline std::vector<HeardPitch> heard_pitch(const std::string& program, const std::filesystem::path& dir,
                                           const std::filesystem::path& wave) {
  std::ofstream(dir / "pitch.praat") << "form F0\n  sentence file x\nendform\nRead from file: file$\n"
                                        "To Pitch: 0.01, 75, 600\nn = Get number of frames\nfor i to n\n"
                                        "  t = Get time from frame number: i\n  f = Get value in frame: i, \"Hertz\"\n"
                                        "  appendInfoLine: fixed$(t, 4), \" \", f\nendfor\n";
  const auto result = run_program(program, {"--run", (dir / "pitch.praat").string(), wave.string()}, {}, dir);
  std::vector<HeardPitch> heard;
  std::istringstream lines(result.out);
  for (std::string time, hz; lines >> time >> hz;)
    if (hz.find("undefined") == std::string::npos) heard.push_back({std::stod(time), std::stod(hz)});
  return heard;
}

}  // namespace quelvara::testing
