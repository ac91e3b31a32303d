#include "audio/playback.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "audio/wavplay.h"
#include "support/temp_dir.h"

namespace {

using quelvara::audio::play_blocking;
using quelvara::audio::PlaybackError;
using quelvara::testing::TempDir;

// Points the audio system of this process at an ALSA configuration of the test's own, in
// place of the system's (whose device plugins would only add noise), for the test's lifetime.
class AlsaConfiguration {
 public:
  explicit AlsaConfiguration(const std::string& contents) {
    if (const char* path = std::getenv("ALSA_CONFIG_PATH")) old_path_ = path;
    const auto file = dir_ / "asound.conf";
    std::ofstream(file) << contents;
    setenv("ALSA_CONFIG_PATH", file.c_str(), 1);
  }
  ~AlsaConfiguration() {
    if (old_path_) setenv("ALSA_CONFIG_PATH", old_path_->c_str(), 1);
    else unsetenv("ALSA_CONFIG_PATH");
  }

 private:
  TempDir dir_;
  std::optional<std::string> old_path_;
};

// A default device that converts to 16-bit mono at 22050 Hz and writes the raw samples to a
// file, with no sound card behind it.
std::string capturing_device(const std::string& file) {
  return "pcm.!default {\n"
         "  type plug\n"
         "  slave {\n"
         "    pcm { type file slave.pcm { type null } file \"" + file + "\" format \"raw\" }\n"
         "    format S16_LE\n"
         "    channels 1\n"
         "    rate 22050\n"
         "  }\n"
         "}\n";
}

std::vector<double> captured(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<double> samples;
  unsigned char bytes[2];
  while (in.read(reinterpret_cast<char*>(bytes), 2))
    samples.push_back(static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8)) / 32768.0);
  return samples;
}

std::vector<double> test_signal() {
  std::vector<double> s(5000);  // more than one write block
  for (std::size_t n = 0; n < s.size(); ++n)
    s[n] = 0.8 * std::sin(2 * M_PI * 440 * n / 22050.0) * (n % 7 == 0 ? -0.5 : 1.0);
  return s;
}

void expect_within_one_step(const std::vector<double>& got, const std::vector<double>& want) {
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t n = 0; n < want.size(); ++n)
    ASSERT_NEAR(got[n], want[n], 1.0 / 32768) << "sample " << n;
}

TEST(PlayBlocking, TheSamplesReachTheDeviceInOrder) {
  TempDir out;
  const auto file = out / "played.raw";
  AlsaConfiguration alsa(capturing_device(file.string()));
  const auto signal = test_signal();
  play_blocking(signal, 22050);
  expect_within_one_step(captured(file), signal);
}

TEST(PlayBlocking, ValuesBeyondFullScaleAreClippedByTheDevice) {
  TempDir out;
  const auto file = out / "played.raw";
  AlsaConfiguration alsa(capturing_device(file.string()));
  play_blocking(std::vector<double>{1.5, -3.0, 0.5}, 22050);
  expect_within_one_step(captured(file), {32767.0 / 32768, -1.0, 0.5});
}

TEST(PlayBlocking, WavplayOnThisPlatformPlaysTheSystemsRow) {
  TempDir out;
  const auto file = out / "played.raw";
  AlsaConfiguration alsa(capturing_device(file.string()));
  const auto signal = test_signal();
  quelvara::audio::wavplay({quelvara::runtime::Array::row(signal), 22050});
  expect_within_one_step(captured(file), signal);
}

TEST(PlayBlocking, NoUsableDeviceIsAClearError) {
  AlsaConfiguration alsa("pcm.!default { type hw card 97 }\nctl.!default { type hw card 97 }\n");
  try {
    play_blocking(std::vector<double>{0.1, 0.2}, 22050);
    FAIL() << "playing on a missing device succeeded";
  } catch (const PlaybackError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Cannot open an audio output device", 0), 0u)
        << e.what();
  }
}

TEST(PlayBlocking, SamplesThatDoNotMakeFramesAreRefused) {
  EXPECT_THROW(play_blocking(std::vector<double>{0.1, 0.2, 0.3}, 22050, 2), PlaybackError);
  EXPECT_THROW(play_blocking(std::vector<double>{0.1}, 22050, 0), PlaybackError);
}

}  // namespace
