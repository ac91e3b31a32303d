#include "shell/core_functions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "support/temp_dir.h"

namespace quelvara::shell {
namespace {

using runtime::Array;
using runtime::Value;

class CoreFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    install_core_functions();
    previous_ = runtime::install_print_handler([this](std::string_view t) { printed_ += t; });
  }
  void TearDown() override { runtime::install_print_handler(previous_); }

  std::string error_of(std::string_view name, int nargout, std::vector<Value> args) {
    try {
      runtime::call_by_name(name, nargout, std::move(args));
    } catch (const runtime::RuntimeError& e) {
      return e.message();
    }
    return "";
  }

  std::string printed_;
  runtime::PrintHandler previous_;
};

std::string check_message(const std::string& name, const char* what, int k) {
  return "Run-time Error: File: " + name + " Line: 1 Column: 1 The function \"" + name +
         "\" was called with more than the declared number of " + what + " (" + std::to_string(k) + ").";
}

TEST_F(CoreFunctions, EntriesRejectSurplusCountsWithTheFixedMessages) {
  EXPECT_EQ(error_of("bartlett", 2, {Value(4.0), Value(1.0)}), check_message("bartlett", "outputs", 1));
  EXPECT_EQ(error_of("wavwrite", 0, std::vector<Value>(5)), check_message("wavwrite", "inputs", 4));
  EXPECT_EQ(error_of("signal/private/check_order", 1, {Value(1.0), Value(2.0)}),
            check_message("signal/private/check_order", "inputs", 1));
  EXPECT_NE(error_of("wavwrite/PCM_Quantize", 1, std::vector<Value>(3)).find("Line: 208"), std::string::npos);
}

TEST_F(CoreFunctions, BartlettByName) {
  const auto w = runtime::call_by_name("bartlett", 1, {Value(4.0)});
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].array(), Array::column({0, 2.0 / 3, 2.0 / 3, 0}));
  const auto empty = runtime::call_by_name("bartlett", 1, {Value()})[0].array();
  EXPECT_EQ(empty.rows(), 0u);
  EXPECT_EQ(empty.cols(), 1u);
  EXPECT_EQ(runtime::call_by_name("bartlett", 1, {Value(2.5)})[0].array(), Array::column({0, 1, 0}));
  EXPECT_EQ(printed_, "Warning: Rounding order to nearest integer.\n");
  EXPECT_EQ(error_of("bartlett", 1, {Value(-0.4)}), "Order cannot be less than zero.");
  EXPECT_EQ(error_of("bartlett", 1, {}), "Not enough input arguments.");
  EXPECT_EQ(error_of("bartlett", 1, {Value(Array::row({1, 2}))}), "The order must be a single number.");
}

TEST_F(CoreFunctions, CheckOrderByNameGivesItsThreeResults) {
  const auto trivial = runtime::call_by_name("signal/private/check_order", 3, {Value()});
  ASSERT_EQ(trivial.size(), 3u);
  EXPECT_TRUE(trivial[0].is_empty());
  EXPECT_EQ(trivial[1].array().rows(), 0u);
  EXPECT_EQ(trivial[1].array().cols(), 1u);
  EXPECT_EQ(trivial[2].number(), 1);
  const auto one = runtime::call_by_name("signal/private/check_order", 3, {Value(1.0)});
  EXPECT_EQ(one[1].array(), Array::scalar(1));
  const auto plain = runtime::call_by_name("signal/private/check_order", 3, {Value(6.0)});
  EXPECT_EQ(plain[0].number(), 6);
  EXPECT_TRUE(plain[1].is_empty());
  EXPECT_EQ(plain[2].number(), 0);
}

TEST_F(CoreFunctions, WavwriteByNameWritesAndChecksItsArguments) {
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

TEST_F(CoreFunctions, InnerOperationsByName) {
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
}  // namespace quelvara::shell
