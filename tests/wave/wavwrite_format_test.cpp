// What the writer puts in a file: header, sample encoding of each bit depth, channel order and
// naming, checked byte by byte and through an independent reader.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "wave/wavwrite.h"
#include "support/temp_dir.h"
#include "wave_reading.h"

namespace quelvara::wave {
namespace {

using namespace quelvara::testing;
using ::testing::ElementsAre;

struct Writer {
  TempDir dir;
  std::string path = (dir / "voz.wav").string();
  std::vector<std::string> warnings;
  Bytes write(std::vector<double> row, int nbits, double fs = 22050) {
    wavwrite(SampleMatrix::row(row), fs, nbits, path, [this](const std::string& w) { warnings.push_back(w); });
    return file_bytes(path);
  }
};

TEST(WavwriteFormat, SixteenBitMono) {
  Writer w;
  const Bytes b = w.write({0.0, 0.25, -0.5, 0.5 / 32768, -0.5 / 32768}, 16);
  EXPECT_EQ(b.size(), 44u + 10);
  EXPECT_EQ(header_of(b), (Header{"RIFFWAVEfmt data", 46, 16, 1, 1, 22050, 44100, 2, 16, 10}));
  const ReadBack r = read_back(w.path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  // Halves are rounded away from zero.
  EXPECT_THAT(r.samples, ElementsAre(0, 8192 << 16, -16384 * 65536, 1 << 16, -65536));
  EXPECT_TRUE(w.warnings.empty());
}

TEST(WavwriteFormat, SixteenBitLimitsWarnOncePerWrite) {
  Writer w;
  w.write({-1.0, 32767.49 / 32768}, 16);
  EXPECT_TRUE(w.warnings.empty());
  EXPECT_THAT(read_back(w.path).samples, ElementsAre(-32768 * 65536, 32767 << 16));

  w.write({1.0}, 16);
  EXPECT_THAT(w.warnings, ElementsAre("Data clipped during write to file:" + w.path));
  EXPECT_THAT(read_back(w.path).samples, ElementsAre(32767 << 16));

  w.write({-3.0, 32767.5 / 32768, 0.0}, 16);
  EXPECT_EQ(w.warnings.size(), 2u) << "both limits exceeded: one more warning";
  EXPECT_THAT(read_back(w.path).samples, ElementsAre(-32768 * 65536, 32767 << 16, 0));
}

// The writer rounds with plain arithmetic; every value must come out as the library's rounding
// (halves away from zero) followed by clipping makes it, at every integer depth. The values are
// halves and near-halves around zero, around the limits and far beyond them, and random ones.
TEST(WavwriteFormat, QuantisingMatchesRoundingHalvesAwayFromZeroThenClipping) {
  std::vector<double> values;
  for (double scale : {128.0, 32768.0, 8388608.0}) {
    for (double base : {0.0, 1.0, -1.0, 2.0, -2.0, 127.0, -128.0, 32767.0, -32768.0, 8388607.0, -8388608.0, 1e6}) {
      for (double delta : {-1.5, -0.5, -0.49999999999999994, -1e-9, 0.0, 1e-9, 0.49999999999999994, 0.5, 1.5}) {
        values.push_back((base + delta) / scale);
        values.push_back(std::nextafter((base + delta) / scale, 2.0));
        values.push_back(std::nextafter((base + delta) / scale, -2.0));
      }
    }
  }
  std::uint64_t state = 12345;
  for (int k = 0; k < 20000; ++k) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    values.push_back((static_cast<double>(state >> 11) / 9007199254740992.0) * 2.4 - 1.2);
  }
  values.push_back(1e300);
  values.push_back(-1e300);
  values.push_back(-0.0);

  for (const int nbits : {8, 16, 24}) {
    Writer w;
    const Bytes b = w.write(values, nbits);
    const double scale = std::ldexp(1.0, nbits - 1);
    const double offset = nbits == 8 ? 128 : 0;
    const std::size_t size = static_cast<std::size_t>(nbits / 8);
    ASSERT_EQ(b.size(), 44 + values.size() * size + (values.size() * size) % 2);
    for (std::size_t k = 0; k < values.size(); ++k) {
      const double expected = std::clamp(std::round(scale * values[k] + offset), offset - scale, offset + scale - 1);
      auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(expected));
      if (size < 4) bits &= (1u << (8 * size)) - 1;
      ASSERT_EQ(le_at(b, 44 + k * size, size), bits) << nbits << " bits, value " << values[k];
    }
    EXPECT_EQ(w.warnings.size(), 1u);
  }
}

TEST(WavwriteFormat, NanIsZeroAndInfinitiesAreClipped) {
  Writer w;
  const double inf = std::numeric_limits<double>::infinity();
  w.write({std::nan(""), 0.5}, 16);
  EXPECT_TRUE(w.warnings.empty());
  EXPECT_THAT(read_back(w.path).samples, ElementsAre(0, 16384 << 16));
  EXPECT_THAT(data_bytes(w.write({inf, -inf, std::nan("")}, 8)), ElementsAre(255, 0, 0, 0));
  EXPECT_EQ(w.warnings.size(), 1u);
}

// The 16-bit mono row goes through the writer sixteen samples at a time (where the processor
// allows), then eight, then one by one: a NaN, an infinity or a value past a limit must come
// out the same, and warn, wherever it falls in the row.
TEST(WavwriteFormat, SpecialValuesAnywhereInTheRow) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::uint32_t bits;
    bool warns;
  } cases[] = {{std::nan(""), 0, false}, {inf, 32767, true}, {-inf, 0x8000, true},
               {1.5, 32767, true}, {-1.0 - 1.0 / 32768, 0x8000, true}, {-1.0 - 1e-9, 0x8000, false},
               {-0.5 / 32768, 0xffff, false}};
  for (const auto& c : cases) {
    for (std::size_t at = 0; at < 27; ++at) {
      std::vector<double> row(27, 0.25);
      row[at] = c.value;
      Writer w;
      const Bytes b = w.write(row, 16);
      for (std::size_t k = 0; k < row.size(); ++k) {
        ASSERT_EQ(le_at(b, 44 + 2 * k, 2), k == at ? c.bits : 8192u) << c.value << " at " << at << ", sample " << k;
      }
      EXPECT_EQ(w.warnings.size(), c.warns ? 1u : 0u) << c.value << " at " << at;
    }
  }
}

TEST(WavwriteFormat, EightBitOffsetAndPadByte) {
  Writer w;
  const Bytes b = w.write({-1.0, 0.0, 1.0}, 8, 8000);
  EXPECT_EQ(w.warnings.size(), 1u);
  // The RIFF size counts the pad byte, the data size does not.
  EXPECT_EQ(header_of(b), (Header{"RIFFWAVEfmt data", 40, 16, 1, 1, 8000, 8000, 1, 8, 3}));
  EXPECT_THAT(data_bytes(b), ElementsAre(0, 128, 255, 0));
  EXPECT_EQ(read_back(w.path).info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
}

TEST(WavwriteFormat, TwentyFourBit) {
  Writer w;
  const Bytes b = w.write({-1.0, 0.5, -1.0 / 8388608, 1.0}, 24, 44100);
  EXPECT_EQ(w.warnings.size(), 1u);
  EXPECT_EQ(header_of(b), (Header{"RIFFWAVEfmt data", 48, 16, 1, 1, 44100, 132300, 3, 24, 12}));
  EXPECT_THAT(data_bytes(b), ElementsAre(0, 0, 0x80, 0, 0, 0x40, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F));
  const ReadBack r = read_back(w.path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_THAT(r.samples, ElementsAre(-8388608 * 256, 4194304 * 256, -256, 8388607 * 256));
  EXPECT_EQ(w.write({0.25}, 24).size(), 44u + 3 + 1) << "3 data bytes are padded";
}

TEST(WavwriteFormat, ThirtyTwoBitFloatIsNeitherScaledNorClipped) {
  Writer w;
  const Bytes b = w.write({1.5, -2.0, 0.125}, 32);
  EXPECT_TRUE(w.warnings.empty());
  EXPECT_EQ(header_of(b), (Header{"RIFFWAVEfmt data", 48, 16, 3, 1, 22050, 88200, 4, 32, 12}));
  const ReadBack r = read_back(w.path);
  EXPECT_EQ(r.info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  EXPECT_THAT(r.floats, ElementsAre(1.5f, -2.0f, 0.125f));
}

TEST(WavwriteFormat, ChannelsAreColumnsInterleavedAndARowIsOneChannel) {
  Writer w;
  const Bytes from_row = w.write({0.1, -0.2, 0.3}, 16);
  wavwrite(SampleMatrix{3, 1, {0.1, -0.2, 0.3}}, 22050, 16, w.path);
  EXPECT_EQ(file_bytes(w.path), from_row);

  // Two frames of three channels, stored column by column.
  wavwrite(SampleMatrix{2, 3, {0.5, -0.5, 0.25, -0.25, 0.125, -0.125}}, 16000, 16, w.path);
  EXPECT_EQ(header_of(file_bytes(w.path)), (Header{"RIFFWAVEfmt data", 48, 16, 1, 3, 16000, 96000, 6, 16, 12}));
  const ReadBack r = read_back(w.path);
  EXPECT_THAT(r.samples, ElementsAre(16384 << 16, 8192 << 16, 4096 << 16, -16384 * 65536, -8192 * 65536,
                                     -4096 * 65536));
}

TEST(WavwriteFormat, EmptyArrayGivesTheHeaderOnly) {
  Writer w;
  wavwrite(SampleMatrix{}, 22050, 16, w.path);
  const Bytes b = file_bytes(w.path);
  EXPECT_EQ(b.size(), 44u);
  EXPECT_EQ(header_of(b), (Header{"RIFFWAVEfmt data", 36, 16, 1, 0, 22050, 0, 0, 16, 0}));
}

TEST(WavwriteFormat, NameWithoutAnyDotGetsWavAndMessagesKeepTheGivenName) {
  TempDir dir;
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::filesystem::create_directory("saida.d");
  std::vector<std::string> warnings;
  wavwrite(SampleMatrix::row(std::vector{2.0}), 22050, 16, "voz", [&](const std::string& t) { warnings.push_back(t); });
  wavwrite(SampleMatrix{}, 22050, 16, "a.b");
  wavwrite(SampleMatrix{}, 22050, 16, "saida.d/voz");
  wavwrite(SampleMatrix{}, "padrao");
  const Bytes defaults = file_bytes("padrao.wav");
  std::filesystem::current_path(old);

  EXPECT_THAT(warnings, ElementsAre("Data clipped during write to file:voz"));
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path())) {
    names.push_back(std::filesystem::relative(e.path(), dir.path()).string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ElementsAre("a.b", "padrao.wav", "saida.d", "saida.d/voz", "voz.wav"));
  EXPECT_EQ(header_of(defaults).rate, 8000u);
  EXPECT_EQ(header_of(defaults).bits, 16u);
}

// A row made while it is written gives the bytes of the whole row at every depth, however it is
// cut into stretches (empty ones too), with one clipping warning.
TEST(WavwriteMadeRow, SameBytesAsTheWholeRowWhateverTheStretches) {
  std::vector<double> row;
  for (int k = 0; k < 5000; ++k) row.push_back(1.3 * std::sin(0.01 * k * k) + (k == 777 ? std::nan("") : 0.0));
  for (const int nbits : {8, 16, 24, 32}) {
    Writer whole;
    const Bytes expected = whole.write(row, nbits);
    for (const std::size_t step : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{5000}}) {
      Writer made;
      const MadeRow y{row.size(), [&](const StretchSink& take) {
                        take({});
                        for (std::size_t at = 0; at < row.size(); at += step) {
                          take(std::span(row).subspan(at, std::min(step, row.size() - at)));
                        }
                      }};
      wavwrite(y, 22050, nbits, made.path, [&](const std::string& w) { made.warnings.push_back(w); });
      EXPECT_EQ(file_bytes(made.path), expected) << nbits << " bits, stretches of " << step;
      EXPECT_EQ(made.warnings.size(), nbits == 32 ? 0u : 1u) << nbits << " bits, stretches of " << step;
      EXPECT_EQ(made.warnings.size(), whole.warnings.size()) << nbits << " bits, stretches of " << step;
    }
  }
}

// A row that does not come to the length its header announced is refused, and an existing file
// stays as it was.
TEST(WavwriteMadeRow, ARowOfAnotherLengthIsRefusedAndTheOldFileKept) {
  Writer w;
  const Bytes old = w.write({0.5, 0.25}, 16);
  const std::vector<double> three{0.1, 0.2, 0.3};
  for (const std::size_t announced : {std::size_t{2}, std::size_t{4}}) {
    const MadeRow y{announced, [&](const StretchSink& take) { take(three); }};
    EXPECT_THROW(wavwrite(y, 22050, 16, w.path), std::invalid_argument) << announced;
    EXPECT_EQ(file_bytes(w.path), old) << announced;
  }
}

}  // namespace
}  // namespace quelvara::wave
