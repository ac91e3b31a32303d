#pragma once
// quelvara-synth's prosody files: a .pho file (--pho), Praat tiers (--pitch-tier,
// --duration-tier) read into an intonation mode, and the prosody of a run written as a .pho
// file (--write-pho).
#include <functional>
#include <optional>
#include <string>

#include "road/road.h"

namespace quelvara::cli {

struct ProsodyFiles {
  std::optional<std::string> pho;  // "-": standard input
  std::optional<std::string> pitch_tier;
  std::optional<std::string> duration_tier;
  bool any() const { return pho || pitch_tier || duration_tier; }
};

// The mode the files ask for; nullopt after telling say what is wrong with them, as
// "FILE: linha N: why".
std::optional<road::Mode> prosody_mode(const ProsodyFiles& files, const std::function<void(const std::string&)>& say);

// The prosody of a run, as a .pho file: the target it was planned on, or else the lengths and
// pitch its result has. Replaces file only once it is complete; throws std::system_error.
void write_prosody(const road::RoadResult& run, const road::Mode& mode, const std::string& texto,
                   const std::string& file);

}  // namespace quelvara::cli
