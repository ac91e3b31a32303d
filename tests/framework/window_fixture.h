#pragma once
// Headless fixture for window tests: works in the folder of the test layouts, starts from an
// empty object tree with a 1024 x 768 screen, installs the framework and collects the errors
// that end event callbacks.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/install.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::framework::testing {

using graphics::Handle;
using runtime::Record;
using runtime::Value;

inline std::filesystem::path layouts_dir() {
  return std::filesystem::path(QUELVARA_SOURCE_DIR) / "tests" / "framework" / "layouts";
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(layouts_dir());
    graphics::reset_tree();
    graphics::set_screen_size(1024, 768);
    install_framework();
    graphics::set_callback_error_handler([this](const std::exception& e) { errors.push_back(e.what()); });
  }
  void TearDown() override {
    while (graphics::pending_events() > 0) graphics::run_posted_events();
    graphics::set_callback_error_handler({});
    graphics::reset_tree();
    std::filesystem::current_path(old_dir_);
  }

  std::vector<std::string> errors;

 private:
  std::filesystem::path old_dir_;
};

// The field of a handles record, as a number.
inline Handle field(const Value& handles, const char* name) { return handles.record().get(name).number(); }

}  // namespace quelvara::framework::testing
