// The audio functions called by name, as the windows and the shell reach them.
#include "audio/install.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/function_registry.h"
#include "support/by_name_test.h"
#include "support/temp_dir.h"

namespace quelvara::audio {
namespace {

using runtime::Array;
using runtime::Value;

class AudioByName : public quelvara::testing::ByNameTest {
 protected:
  void SetUp() override {
    ByNameTest::SetUp();
    install_audio();
  }
};

TEST_F(AudioByName, EntriesRejectSurplusCountsWithTheFixedMessages) {
  EXPECT_EQ(error_of("wavwrite", 0, std::vector<Value>(5)),
            "Run-time Error: File: wavwrite Line: 1 Column: 1 The function \"wavwrite\" was called "
            "with more than the declared number of inputs (4).");
  EXPECT_NE(error_of("wavwrite/PCM_Quantize", 1, std::vector<Value>(3)).find("Line: 208"), std::string::npos);
}

TEST_F(AudioByName, WavwriteByNameWritesAndChecksItsArguments) {
  testing::TempDir dir;
  const std::string name = (dir / "voz").string();
  runtime::call_by_name("wavwrite", 0, {Value(Array::row({0, 0.5, 1.0})), Value(22050.0), Value(16.0), Value(name)});
  EXPECT_EQ(std::filesystem::file_size(name + ".wav"), 44u + 6u);
  EXPECT_EQ(printed_, "Warning: Data clipped during write to file:" + name + "\n");
  EXPECT_EQ(error_of("wavwrite", 0, {Value(Array::row({0})), Value(3.0)}), "Wave file name must be a string.");
  EXPECT_EQ(error_of("wavwrite", 0, {Value(Array::row({0}))}), "Not enough input arguments.");
  EXPECT_EQ(error_of("wavwrite", 0, {Value(Array::row({0})), Value(8000.0), Value(12.0), Value(name)}),
            "Invalid number of bits specified.");
  // The two-argument form: 8000 samples per second, 16 bits.
  runtime::call_by_name("wavwrite", 0, {Value(Array::row({0, 0})), Value(name + "2.wav")});
  std::ifstream in(name + "2.wav", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.size(), 48u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[24]) | static_cast<unsigned char>(bytes[25]) << 8, 8000);
}

TEST_F(AudioByName, InnerOperationsByName) {
  runtime::Record format;
  format.set("filename", "voz.wav");
  format.set("wFormatTag", 1.0);
  format.set("nChannels", 1.0);
  format.set("nSamplesPerSec", 22050.0);
  format.set("nAvgBytesPerSec", 44100.0);
  format.set("nBlockAlign", 2.0);
  format.set("nBitsPerSample", 16.0);
  const auto q = runtime::call_by_name("wavwrite/PCM_Quantize", 1, {Value(Array::row({1.0, -1.0, 0.25})), Value(format)});
  EXPECT_EQ(q[0].array(), Array::row({32767, -32768, 8192}));
  EXPECT_EQ(printed_, "Warning: Data clipped during write to file:voz.wav\n");

  testing::TempDir dir;
  const std::string name = (dir / "voz.wav").string();
  const auto opened = runtime::call_by_name("wavwrite/OpenWaveWrite", 2, {Value(name)});
  ASSERT_TRUE(opened[1].is_text(""));
  runtime::Record ck;
  ck.set("fid", opened[0]);
  ck.set("filename", name);
  ck.set("ID", "RIFF");
  ck.set("Size", 36.0);
  EXPECT_TRUE(runtime::call_by_name("wavwrite/write_ckinfo", 1, {Value(ck)})[0].is_text(""));
  EXPECT_TRUE(runtime::call_by_name("wavwrite/write_wavefmt", 1, {opened[0], Value(format)})[0].is_text(""));
  EXPECT_TRUE(runtime::call_by_name("wavwrite/write_wavedat", 1, {opened[0], Value(format), Value(Array::row({0.5}))})[0]
                  .is_text(""));
  EXPECT_EQ(error_of("wavwrite/write_ckinfo", 1, {Value(ck.get("ID"))}), "The chunk descriptor must be a record.");
  ck.set("fid", 99.0);
  EXPECT_EQ(error_of("wavwrite/write_ckinfo", 1, {Value(ck)}), "Invalid file identifier.");
  const auto refused = runtime::call_by_name("wavwrite/OpenWaveWrite", 2, {Value(3.0)});
  EXPECT_EQ(refused[0].number(), -1);
  EXPECT_TRUE(refused[1].is_text("Wave file name must be a string."));
}

}  // namespace
}  // namespace quelvara::audio
