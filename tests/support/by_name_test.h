#pragma once
// A test of functions called by name: the message of a call that fails, and the text that the
// calls print on the console.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"

namespace quelvara::testing {

class ByNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = runtime::install_print_handler([this](std::string_view t) { printed_ += t; });
  }
  void TearDown() override { runtime::install_print_handler(previous_); }

  // The message of the call, or "" when it went through.
  std::string error_of(std::string_view name, int nargout, std::vector<runtime::Value> args) {
    try {
      runtime::call_by_name(name, nargout, std::move(args));
    } catch (const runtime::RuntimeError& e) {
      return e.message();
    }
    return "";
  }

  std::string printed_;

 private:
  runtime::PrintHandler previous_;
};

}  // namespace quelvara::testing
