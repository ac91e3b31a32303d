#pragma once
// Reading back what the programs write, for suites that link libsndfile.
#include <sndfile.h>

#include <filesystem>

namespace quelvara::testing {

// The frames of a mono WAVE file at 22050 Hz; -1 when it cannot be read, -2 when it is of
// another rate or has more channels.
inline long long frames_of(const std::filesystem::path& file) {
  SF_INFO info{};
  SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
  if (!f) return -1;
  sf_close(f);
  return info.samplerate == 22050 && info.channels == 1 ? info.frames : -2;
}

}  // namespace quelvara::testing
