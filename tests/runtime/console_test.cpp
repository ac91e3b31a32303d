#include "runtime/console.h"

#include <gtest/gtest.h>

#include <string>

namespace quelvara::runtime {
namespace {

// Captures the print handler's text for one test and restores the handlers after it.
class ConsoleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_print_ = install_print_handler([this](std::string_view t) { printed_ += t; });
    previous_error_ = install_error_handler(standard_error_handler);
  }
  void TearDown() override {
    install_print_handler(previous_print_);
    install_error_handler(previous_error_);
  }
  std::string printed_;
  PrintHandler previous_print_;
  ErrorHandler previous_error_;
};

RuntimeError caught(void (*raise)()) {
  try {
    raise();
  } catch (const RuntimeError& e) {
    return e;
  }
  ADD_FAILURE() << "no error";
  return RuntimeError("");
}

TEST_F(ConsoleTest, ErrorReportOfARuntimeErrorWithoutFileHasThreeLines) {
  const RuntimeError e("x", std::nullopt, 12);
  EXPECT_EQ(error_report(e), "RuntimeError\nException!  File: No File Info., Line: 12\n    x\n");
  print_error_report(e);
  EXPECT_EQ(printed_, error_report(e));
}

TEST_F(ConsoleTest, ErrorReportShowsFileKindAndDetailOnlyWhenPresent) {
  EXPECT_EQ(error_report(RuntimeError("m", std::string("interface"), 41, std::nullopt, "d")),
            "Exception!  File: interface, Line: 41\n    m\nd\n");
  EXPECT_EQ(error_report(RuntimeError("m", std::nullopt, 0, "Kind", "d")),
            "Kind\nException!  File: No File Info., Line: 0\n    m\nd\n");
}

TEST_F(ConsoleTest, ErrorsBecomeRuntimeErrorsAndAreRecorded) {
  const auto e = caught([] { error("Order cannot be less than zero."); });
  EXPECT_EQ(e.message(), "Order cannot be less than zero.");
  EXPECT_EQ(e.kind(), "RuntimeError");
  EXPECT_FALSE(e.detail().has_value());
  EXPECT_EQ(last_error(), "Order cannot be less than zero.");
  EXPECT_EQ(caught([] { memory_exhausted(); }).message(), "A memory allocation request failed.");
  EXPECT_EQ(last_error(), "A memory allocation request failed.");
  EXPECT_EQ(printed_, "");
}

TEST_F(ConsoleTest, WarningsArePrintedAndWorkGoesOn) {
  warning("Rounding order to nearest integer.");
  warning("Data clipped during write to file:voz.wav");
  EXPECT_EQ(printed_,
            "Warning: Rounding order to nearest integer.\nWarning: Data clipped during write to file:voz.wav\n");
}

TEST_F(ConsoleTest, ErrorStillThrowsWhenAHandlerReturns) {
  install_error_handler([](std::string_view, MessageKind) {});
  EXPECT_EQ(caught([] { error("kept"); }).message(), "kept");
}

TEST(StandardPrintHandler, WritesTextUnchanged) {
  // Raw bytes, flushed, with no line break added.
  ::testing::internal::CaptureStdout();
  standard_print_handler("abc");
  standard_print_handler("é\n");
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "abcé\n");
}

}  // namespace
}  // namespace quelvara::runtime
