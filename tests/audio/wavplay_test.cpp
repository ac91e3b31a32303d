#include "audio/wavplay.h"

#include <gtest/gtest.h>

#include <optional>

#include "runtime/error.h"

namespace {

using quelvara::audio::PlatformQueries;
using quelvara::audio::wavplay;
using quelvara::runtime::Array;
using quelvara::runtime::RuntimeError;
using quelvara::runtime::Value;

// What a playback routine was called with.
struct Call {
  std::vector<Value> inputs;
};

class Wavplay : public ::testing::Test {
 protected:
  std::string platform = "PCWIN";
  std::optional<Call> sync_call;
  std::optional<Call> async_call;

  void play(std::vector<Value> args) {
    const PlatformQueries queries{[this] { return platform; }};
    wavplay(
        args, queries,
        [this](int, std::vector<Value> in) {
          EXPECT_FALSE(sync_call) << "the synchronous routine ran twice";
          sync_call = Call{std::move(in)};
          return std::vector<Value>{Value(99)};  // discarded
        },
        [this](int, std::vector<Value> in) {
          async_call = Call{std::move(in)};
          return std::vector<Value>{};
        });
  }

  // The error message of a call that must fail, with no routine having run.
  std::string failure(std::vector<Value> args) {
    try {
      play(std::move(args));
    } catch (const RuntimeError& e) {
      EXPECT_FALSE(sync_call);
      EXPECT_FALSE(async_call);
      return e.message();
    }
    ADD_FAILURE() << "the call did not fail";
    return {};
  }

  void expect_sync(const Array& samples, const Value& fs) {
    ASSERT_TRUE(sync_call);
    EXPECT_FALSE(async_call);
    ASSERT_EQ(sync_call->inputs.size(), 2u);
    EXPECT_EQ(sync_call->inputs[0].array(), samples);
    ASSERT_TRUE(sync_call->inputs[1].is_array());
    EXPECT_EQ(sync_call->inputs[1].array(), fs.array());
  }
};

const Array signal = Array::row({0.0, 0.5, -0.25, 1.5, -2.0, 0.125});

TEST_F(Wavplay, TheSystemsRowReachesTheRoutineAsAnUnchangedColumnAt22050) {
  play({signal, 22050});
  ASSERT_TRUE(sync_call);
  const Array& received = sync_call->inputs[0].array();
  EXPECT_EQ(received.rows(), 6u);
  EXPECT_EQ(received.cols(), 1u);
  EXPECT_EQ(received.data(), signal.data());  // beyond -1..+1 too: no scaling, no clipping
  expect_sync(Array::column(signal.data()), 22050);
}

TEST_F(Wavplay, RateAndModeDefaults) {
  play({signal});
  expect_sync(signal.transposed(), 11025);
  sync_call.reset();
  play({signal, "sync"});
  expect_sync(signal.transposed(), 11025);
  sync_call.reset();
  play({signal, 22050, "sync"});
  expect_sync(signal.transposed(), 22050);
  sync_call.reset();
  play({signal, 8000, "sy"});
  expect_sync(signal.transposed(), 8000);
  sync_call.reset();
  play({signal, 8000, "s"});
  expect_sync(signal.transposed(), 8000);
  sync_call.reset();
  play({signal, ""});  // every entry begins with the empty text; the first is "sync"
  expect_sync(signal.transposed(), 11025);
}

TEST_F(Wavplay, TheRateGoesToTheRoutineWithoutAnyCheck) {
  play({signal, -3});
  expect_sync(signal.transposed(), -3);
  sync_call.reset();
  play({signal, "fast", "sync"});
  expect_sync(signal.transposed(), Value("fast"));
}

TEST_F(Wavplay, ChannelsAsColumnsReachTheRoutineAsRows) {
  const Array stereo = Array::matrix(3, 2, {0.1, 0.2, 0.3, -0.1, -0.2, -0.3});
  play({stereo, 44100});
  expect_sync(Array::matrix(2, 3, {0.1, -0.1, 0.2, -0.2, 0.3, -0.3}), 44100);
}

TEST_F(Wavplay, ArgumentErrors) {
  EXPECT_EQ(failure({}), "Not enough input arguments.");
  EXPECT_EQ(failure({signal, 22050, "sync", "sync"}), "Too many input arguments.");
  EXPECT_EQ(failure({signal, 22050, 3}), "Invalid input arguments.");
  EXPECT_EQ(failure({signal, "loud"}), "Unrecognized option: loud");
  EXPECT_EQ(failure({signal, 22050, "SYNC"}), "Unrecognized option: SYNC");
  EXPECT_EQ(failure({signal, 22050, "synch"}), "Unrecognized option: synch");
  // A mode alone is no samples.
  EXPECT_EQ(failure({"sync"}), "Not enough input arguments.");
  EXPECT_EQ(failure({"a"}), "Not enough input arguments.");
}

TEST_F(Wavplay, OnlyThePcPlatformPlaysAndItsTestComesFirst) {
  platform = "GLNXA64";
  const std::string message = "WAVPLAY is only for use with Windows 95/98/NT machines.";
  EXPECT_EQ(failure({}), message);
  EXPECT_EQ(failure({signal, 22050, 3}), message);
  EXPECT_EQ(failure({signal, 22050}), message);
  EXPECT_EQ(quelvara::audio::host_platform().platform_type(), "PCWIN");
}

TEST_F(Wavplay, TheRoutinesOwnErrorsPassThrough) {
  const PlatformQueries queries{[] { return std::string("PCWIN"); }};
  const auto failing = [](int, std::vector<Value>) -> std::vector<Value> {
    throw RuntimeError("Cannot open an audio output device: Device unavailable");
  };
  try {
    wavplay({signal, 22050}, queries, failing, failing);
    FAIL() << "the routine's error was lost";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.message(), "Cannot open an audio output device: Device unavailable");
  }
}

TEST_F(Wavplay, AsynchronousModeClipsColumnsToSixteenBits) {
  play({signal, 8000, "a"});
  EXPECT_FALSE(sync_call);
  ASSERT_TRUE(async_call);
  ASSERT_EQ(async_call->inputs.size(), 3u);
  EXPECT_EQ(async_call->inputs[0].array(), Array::column({0.0, 0.5, -0.25, 1.0, -1.0, 0.125}));
  EXPECT_EQ(async_call->inputs[1].number(), 8000);
  EXPECT_EQ(async_call->inputs[2].number(), 16);
  async_call.reset();
  EXPECT_EQ(failure({Value("abc"), 8000, "async"}),
            "Data must be of type 'double', 'single', 'int16', or 'uint8'.");
}

TEST(PlaybackRoutines, RejectInputsTheyCannotPlayBeforeOpeningADevice) {
  using quelvara::audio::playsndb;
  auto message = [](std::vector<Value> args) {
    try {
      playsndb(0, std::move(args));
    } catch (const RuntimeError& e) {
      return e.message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message({Array::column({0.1}), -1}), "playsndb: the rate must be a positive number.");
  EXPECT_EQ(message({Array::column({0.1}), "fast"}),
            "playsndb: the rate must be a positive number.");
  EXPECT_EQ(message({Value("abc"), 22050}), "playsndb: the samples must be an array of numbers.");
  EXPECT_EQ(message({Array::column({0.1})}), "playsndb: expected the samples and the rate.");
}

}  // namespace
