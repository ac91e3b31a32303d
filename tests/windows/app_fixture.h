#pragma once
// A working folder like the runnable one (layouts, pictures and the fixture database) with the
// windows installed, and the user's side of the headless event loop: answering dialogs,
// closing message boxes and picking items, as actions queued for the next wait.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "graphics/object_tree.h"
#include "runtime/value.h"
#include "support/temp_dir.h"

namespace quelvara::windows::testing {

using graphics::Handle;
using runtime::Value;

class AppFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The newest window tagged tag, or nullopt.
  static std::optional<Handle> window(const std::string& tag);
  // The object tagged tag inside figure.
  static Handle object(Handle figure, const std::string& tag);
  // The main window, opened as the program opens it.
  Handle open_main();
  Value record(Handle figure) const;

  // Acting now, as the user does, with errors going to the callback error handler.
  void confirm_text(Handle main, const std::string& text);
  void pick(Handle main, const std::string& item);
  void press(Handle figure, const std::string& tag);

  // Actions for the next waits, in order.
  void then_answer(const std::string& dialog, const std::string& typed);
  void then_cancel(const std::string& dialog);
  void then_close_window(const std::string& tag);
  void then_close_message();

  std::filesystem::path folder() const { return dir_.path(); }

  std::vector<std::string> errors;    // errors that ended callbacks
  std::vector<std::string> messages;  // texts of the message boxes closed by then_close_message

 private:
  quelvara::testing::TempDir dir_;
  std::filesystem::path old_dir_;
};

std::string read_bytes(const std::filesystem::path& file);

// The application object that Qt widgets need, offscreen unless told otherwise; made by the
// first caller and kept to the end of the process.
void ensure_qt_application();

}  // namespace quelvara::windows::testing
