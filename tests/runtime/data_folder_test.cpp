// Where the layouts and pictures are read from: the working folder when it holds them, else the
// installed data folder (none beside this test program), QUELVARA_DATA instead of both.
#include "runtime/data_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace quelvara::runtime {
namespace {

// The test works in a folder of its own, with QUELVARA_DATA as each case sets it.
class DataFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    before = fs::current_path();
    fs::current_path(work.path());
    std::ofstream("interface.fig") << "{}";
    fs::create_directory(data.path() / "bd");
  }
  void TearDown() override {
    fs::current_path(before);
    unsetenv(data_variable);
  }
  static void set_variable(const std::optional<std::string>& value) {
    if (value) setenv(data_variable, value->c_str(), 1);
    else unsetenv(data_variable);
  }
  fs::path before;
  testing::TempDir work;
  testing::TempDir data;
};

TEST_F(DataFolder, ARelativeNameIsReadFromTheVariableElseTheWorkingFolder) {
  const std::string other = data.path().string();
  const struct {
    std::optional<std::string> variable;
    fs::path name;
    fs::path opened;
  } cases[] = {
      {std::nullopt, "interface.fig", "interface.fig"},   // the working folder holds it
      {std::nullopt, "sampa.fig", "sampa.fig"},           // found nowhere: named as given
      {"", "interface.fig", "interface.fig"},             // an empty variable is no variable
      {other, "interface.fig", data.path() / "interface.fig"},  // even where the working folder has it
      {other, "bd", data.path() / "bd"},
      {other, "/etc/hostname", "/etc/hostname"},          // absolute names stay
  };
  for (const auto& c : cases) {
    set_variable(c.variable);
    EXPECT_EQ(data_file(c.name), c.opened) << c.variable.value_or("(unset)") << " " << c.name;
  }
  set_variable(std::nullopt);
  EXPECT_EQ(data_folder_for("bd"), ".");
}

TEST_F(DataFolder, TheVariableMustNameAFolderThatExists) {
  const fs::path missing = data.path() / "nada";
  const fs::path file = work.path() / "interface.fig";
  const struct {
    std::optional<std::string> variable;
    std::string problem;
  } cases[] = {
      {std::nullopt, ""},
      {data.path().string(), ""},
      {missing.string(), "QUELVARA_DATA indica a pasta «" + missing.string() + "», que não existe"},
      {file.string(), "QUELVARA_DATA indica a pasta «" + file.string() + "», que não é uma pasta"},
  };
  for (const auto& c : cases) {
    set_variable(c.variable);
    EXPECT_EQ(data_folder_problem(), c.problem) << c.variable.value_or("(unset)");
  }
}

}  // namespace
}  // namespace quelvara::runtime
