// What the writer puts in a file: header fields, sample encoding for each bit depth, channel
// order and file naming, checked byte by byte and through an independent reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "audio/wavwrite.h"
#include "support/temp_dir.h"
#include "wave_reading.h"

namespace quelvara::audio {
namespace {

using quelvara::testing::file_bytes;
using quelvara::testing::read_back;
using quelvara::testing::TempDir;
using quelvara::testing::text_at;
using quelvara::testing::u16_at;
using quelvara::testing::u32_at;
using ::testing::ElementsAre;

struct Recorded {
  std::vector<std::string> warnings;
  Warn warn() {
    return [this](const std::string& text) { warnings.push_back(text); };
  }
};

SampleMatrix row(std::vector<double> v) { return SampleMatrix::row(v); }

TEST(WavwriteFormat, SixteenBitMonoHeaderAndSamples) {
  TempDir dir;
  const auto path = (dir / "voz.wav").string();
  Recorded rec;
  wavwrite(row({0.0, 0.25, -0.5, 0.5 / 32768, -0.5 / 32768}), 22050, 16, path, rec.warn());

  const auto b = file_bytes(path);
  ASSERT_EQ(b.size(), 44u + 2 * 5);
  EXPECT_EQ(text_at(b, 0, 4), "RIFF");
  EXPECT_EQ(u32_at(b, 4), 36u + 10);
  EXPECT_EQ(text_at(b, 8, 8), "WAVEfmt ");
  EXPECT_EQ(u32_at(b, 16), 16u);
  EXPECT_EQ(u16_at(b, 20), 1u);
  EXPECT_EQ(u16_at(b, 22), 1u);
  EXPECT_EQ(u32_at(b, 24), 22050u);
  EXPECT_EQ(u32_at(b, 28), 44100u);
  EXPECT_EQ(u16_at(b, 32), 2u);
  EXPECT_EQ(u16_at(b, 34), 16u);
  EXPECT_EQ(text_at(b, 36, 4), "data");
  EXPECT_EQ(u32_at(b, 40), 10u);

  const auto r = read_back(path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(r.info.samplerate, 22050);
  EXPECT_EQ(r.info.channels, 1);
  // Halves are rounded away from zero.
  EXPECT_THAT(r.samples, ElementsAre(0, 8192 << 16, -16384 * 65536, 1 << 16, -1 * 65536));
  EXPECT_TRUE(rec.warnings.empty());
}

TEST(WavwriteFormat, SixteenBitLimitsAndTheSingleClippingWarning) {
  TempDir dir;
  const auto path = (dir / "limites.wav").string();
  Recorded rec;
  wavwrite(row({-1.0, 32767.49 / 32768}), 22050, 16, path, rec.warn());
  EXPECT_TRUE(rec.warnings.empty()) << "-1.0 and values below 32767.5 / 32768 fit";
  EXPECT_THAT(read_back(path).samples, ElementsAre(-32768 * 65536, 32767 << 16));

  wavwrite(row({1.0}), 22050, 16, path, rec.warn());
  EXPECT_THAT(rec.warnings, ElementsAre("Data clipped during write to file:" + path));
  EXPECT_THAT(read_back(path).samples, ElementsAre(32767 << 16));

  rec.warnings.clear();
  wavwrite(row({-3.0, 32767.5 / 32768, 0.0, 2.0}), 22050, 16, path, rec.warn());
  EXPECT_EQ(rec.warnings.size(), 1u) << "both limits exceeded still warn once";
  EXPECT_THAT(read_back(path).samples, ElementsAre(-32768 * 65536, 32767 << 16, 0, 32767 << 16));
}

TEST(WavwriteFormat, NanIsWrittenAsZeroAndInfinitiesAreClipped) {
  TempDir dir;
  const auto path = (dir / "nan.wav").string();
  const double inf = std::numeric_limits<double>::infinity();
  Recorded rec;
  wavwrite(row({std::nan(""), 0.5}), 22050, 16, path, rec.warn());
  EXPECT_TRUE(rec.warnings.empty());
  EXPECT_THAT(read_back(path).samples, ElementsAre(0, 16384 << 16));

  wavwrite(row({inf, -inf, std::nan("")}), 22050, 8, path, rec.warn());
  EXPECT_EQ(rec.warnings.size(), 1u);
  const auto b = file_bytes(path);
  EXPECT_THAT(std::vector<unsigned char>(b.begin() + 44, b.end()), ElementsAre(255, 0, 0, 0));
}

TEST(WavwriteFormat, EightBitOffsetAndPadByte) {
  TempDir dir;
  const auto path = (dir / "oito.wav").string();
  Recorded rec;
  wavwrite(row({-1.0, 0.0, 1.0}), 8000, 8, path, rec.warn());
  EXPECT_EQ(rec.warnings.size(), 1u);

  const auto b = file_bytes(path);
  ASSERT_EQ(b.size(), 44u + 3 + 1);
  EXPECT_EQ(u32_at(b, 4), 36u + 3 + 1) << "the RIFF size counts the pad byte";
  EXPECT_EQ(u32_at(b, 40), 3u) << "the data size does not";
  EXPECT_EQ(u16_at(b, 32), 1u);
  EXPECT_EQ(u16_at(b, 34), 8u);
  EXPECT_THAT(std::vector<unsigned char>(b.begin() + 44, b.end()), ElementsAre(0, 128, 255, 0));

  const auto r = read_back(path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
  EXPECT_EQ(r.info.frames, 3);
}

TEST(WavwriteFormat, TwentyFourBitSamplesAreThreeLittleEndianBytes) {
  TempDir dir;
  const auto path = (dir / "vinte.wav").string();
  Recorded rec;
  wavwrite(row({-1.0, 0.5, -1.0 / 8388608, 1.0}), 44100, 24, path, rec.warn());
  EXPECT_EQ(rec.warnings.size(), 1u);

  const auto b = file_bytes(path);
  ASSERT_EQ(b.size(), 44u + 12);
  EXPECT_EQ(u32_at(b, 28), 3u * 44100);
  EXPECT_EQ(u16_at(b, 32), 3u);
  EXPECT_THAT(std::vector<unsigned char>(b.begin() + 44, b.end()),
              ElementsAre(0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F));
  const auto r = read_back(path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_THAT(r.samples, ElementsAre(-8388608 * 256, 4194304 * 256, -256, 8388607 * 256));

  wavwrite(row({0.25}), 44100, 24, path, rec.warn());
  EXPECT_EQ(file_bytes(path).size(), 44u + 3 + 1) << "3 data bytes are padded";
}

TEST(WavwriteFormat, ThirtyTwoBitFloatIsNeitherScaledNorClipped) {
  TempDir dir;
  const auto path = (dir / "float.wav").string();
  Recorded rec;
  wavwrite(row({1.5, -2.0, 0.125}), 22050, 32, path, rec.warn());
  EXPECT_TRUE(rec.warnings.empty());

  const auto b = file_bytes(path);
  ASSERT_EQ(b.size(), 44u + 12);
  EXPECT_EQ(u32_at(b, 16), 16u) << "no extension field, also for float";
  EXPECT_EQ(u16_at(b, 20), 3u);
  EXPECT_EQ(u16_at(b, 32), 4u);
  EXPECT_EQ(u16_at(b, 34), 32u);
  const auto r = read_back(path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_THAT(r.floats, ElementsAre(1.5f, -2.0f, 0.125f));
}

TEST(WavwriteFormat, RowAndColumnGiveTheSameFile) {
  TempDir dir;
  const std::vector<double> v{0.1, -0.2, 0.3};
  wavwrite(SampleMatrix::row(v), 22050, 16, (dir / "row.wav").string());
  wavwrite(SampleMatrix{3, 1, v}, 22050, 16, (dir / "column.wav").string());
  EXPECT_EQ(file_bytes(dir / "row.wav"), file_bytes(dir / "column.wav"));
}

TEST(WavwriteFormat, ChannelsAreInterleavedFrameByFrame) {
  TempDir dir;
  const auto path = (dir / "canais.wav").string();
  // Three frames of three channels, stored column by column.
  const SampleMatrix y{3, 3, {0.1, 0.2, 0.3, -0.1, -0.2, -0.3, 0.5, 0.25, 0.0}};
  wavwrite(y, 16000, 16, path);

  const auto b = file_bytes(path);
  EXPECT_EQ(u16_at(b, 22), 3u);
  EXPECT_EQ(u32_at(b, 28), 16000u * 6);
  EXPECT_EQ(u16_at(b, 32), 6u);
  const auto r = read_back(path);
  ASSERT_EQ(r.info.channels, 3);
  std::vector<int> expected;
  for (double x : {0.1, -0.1, 0.5, 0.2, -0.2, 0.25, 0.3, -0.3, 0.0}) {
    expected.push_back(static_cast<int>(std::round(x * 32768)) * 65536);
  }
  EXPECT_EQ(r.samples, expected);
}

TEST(WavwriteFormat, EmptyArrayGivesAHeaderOnly) {
  TempDir dir;
  const auto path = (dir / "vazio.wav").string();
  wavwrite(SampleMatrix{}, 22050, 16, path);
  const auto b = file_bytes(path);
  ASSERT_EQ(b.size(), 44u);
  EXPECT_EQ(u32_at(b, 4), 36u);
  EXPECT_EQ(u16_at(b, 22), 0u);
  EXPECT_EQ(u32_at(b, 24), 22050u);
  EXPECT_EQ(u32_at(b, 28), 0u);
  EXPECT_EQ(u16_at(b, 32), 0u);
  EXPECT_EQ(u32_at(b, 40), 0u);
}

// Names are resolved against the working directory, as the save action's are.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::filesystem::path& p) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(p);
  }
  ~WorkingDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(WavwriteFormat, NameWithoutAnyDotGetsWavAndMessagesKeepTheGivenName) {
  TempDir dir;
  WorkingDirectory cwd(dir.path());
  std::filesystem::create_directory("saida.d");
  Recorded rec;
  wavwrite(row({2.0}), 22050, 16, "voz", rec.warn());
  wavwrite(row({0.0}), 22050, 16, "a.b");
  wavwrite(row({0.0}), 22050, 16, "saida.d/voz");
  wavwrite(row({0.0}), "padrao");

  EXPECT_TRUE(std::filesystem::exists("voz.wav"));
  EXPECT_FALSE(std::filesystem::exists("voz"));
  EXPECT_THAT(rec.warnings, ElementsAre("Data clipped during write to file:voz"));
  EXPECT_TRUE(std::filesystem::exists("a.b"));
  EXPECT_FALSE(std::filesystem::exists("a.b.wav"));
  EXPECT_TRUE(std::filesystem::exists("saida.d/voz")) << "a dot in a folder name counts";
  const auto b = file_bytes("padrao.wav");
  EXPECT_EQ(u32_at(b, 24), 8000u);
  EXPECT_EQ(u16_at(b, 34), 16u);
}

}  // namespace
}  // namespace quelvara::audio
