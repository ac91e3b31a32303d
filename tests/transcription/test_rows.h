#pragma once
// The rows of a table of test cases under tests/transcription, read as the program reads its
// own tables: tab-separated fields, blank lines and "#" lines skipped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "transcription/table_rows.h"

namespace quelvara::transcription::testing {

inline std::vector<std::vector<std::string>> test_rows(const std::string& name) {
  std::ifstream in(std::filesystem::path(QUELVARA_SOURCE_DIR) / "tests/transcription" / name, std::ios::binary);
  EXPECT_TRUE(in) << "no table " << name;
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::vector<std::string>> rows;
  for_each_row(text, name, [&](std::vector<std::string> fields) { rows.push_back(std::move(fields)); });
  return rows;
}

}  // namespace quelvara::transcription::testing
