#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "runtime/argument_count.h"
#include "runtime/array_operations.h"
#include "runtime/error.h"
#include "runtime/file_names.h"
#include "runtime/platform.h"
#include "runtime/text_numbers.h"
#include "runtime/text_operations.h"
#include "support/temp_dir.h"

namespace quelvara::runtime {
namespace {

TEST(Num2str, WholeNumbersGiveTheirDigits) {
  EXPECT_EQ(num2str(0), "0");
  EXPECT_EQ(num2str(-0.0), "0");
  EXPECT_EQ(num2str(12), "12");
  EXPECT_EQ(num2str(-3), "-3");
  EXPECT_EQ(num2str(4096), "4096");
  EXPECT_EQ(num2str(1e15), "1000000000000000");
  EXPECT_EQ(num2str(0.5), "0.5");
  EXPECT_EQ(num2str(3.14159265), "3.1416");
  EXPECT_EQ(num2str(NAN), "NaN");
  EXPECT_EQ(num2str(-INFINITY), "-Inf");
}

TEST(Str2num, ReadsDecimalNumbersAndRows) {
  EXPECT_EQ(str2num("1.5"), Array::scalar(1.5));
  EXPECT_EQ(str2num("  -2 "), Array::scalar(-2));
  EXPECT_EQ(str2num("+.5"), Array::scalar(0.5));
  EXPECT_EQ(str2num("2."), Array::scalar(2));
  EXPECT_EQ(str2num("1e3"), Array::scalar(1000));
  EXPECT_EQ(str2num("1 2  3"), Array::row({1, 2, 3}));
  EXPECT_EQ(str2num("1,2, 3 ,4"), Array::row({1, 2, 3, 4}));
  EXPECT_TRUE(std::isinf(str2num("1e999")(1)));
  EXPECT_EQ(str2num("1e-999"), Array::scalar(0));
}

TEST(Str2num, NonNumericTextGivesTheEmptyArray) {
  for (const char* text : {"", "   ", "abc", "1,5x", "1,,2", ",1", "1,", "1.2.3", "e5", "1e", "-",
                           ".", "0x10", "inf", "nan", "1;2", "exit", "delete('x')", "1+1"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(str2num(text).is_empty());
  }
}

TEST(Strcmp, IsWholeCaseSensitiveTextEquality) {
  EXPECT_TRUE(strcmp(Value("Factor"), Value("Factor")));
  EXPECT_FALSE(strcmp(Value("Factor"), Value("factor")));
  EXPECT_FALSE(strcmp(Value("Fact"), Value("Factor")));
  EXPECT_TRUE(strcmp(Value("Gráfica"), Value("Gráfica")));
  EXPECT_TRUE(strcmp(Value(""), Value("")));
  EXPECT_FALSE(strcmp(Value(""), Value()));  // the empty numeric array is no text
  EXPECT_FALSE(strcmp(Value(65.0), Value("A")));
  EXPECT_FALSE(strcmp(Value(Array::text("ab").transposed()), Value("ab")));
}

TEST(LetterTestAndLowerCase, CoverAccentedLetters) {
  EXPECT_EQ(isletter(Array::text("a_1Zé ")).data(), (std::vector<double>{1, 0, 0, 1, 1, 0}));
  EXPECT_EQ(isletter(Array::row({65, 66})).data(), (std::vector<double>{0, 0}));
  EXPECT_FALSE(is_letter(0xD7));
  EXPECT_EQ(lower("InVisible"), "invisible");
  EXPECT_EQ(lower("ÁGUA×1"), "água×1");
  EXPECT_EQ(lower(Array::row({65})), Array::row({65}));  // numbers stay numbers
}

TEST(ArrayOperations, FindMeanFloorRound) {
  EXPECT_EQ(find(Array::row({0, 3, 0, -1})), Array::row({2, 4}));
  EXPECT_EQ(find(Array::column({1, 0, 1})), Array::column({1, 3}));
  EXPECT_TRUE(find(Array::row({0, 0})).is_empty());
  EXPECT_TRUE(find(Array()).is_empty());

  EXPECT_EQ(mean(Array::row({1, 2, 6})), Array::scalar(3));
  EXPECT_EQ(mean(Array::column({1, 2})), Array::scalar(1.5));
  EXPECT_EQ(mean(Array::matrix(2, 2, {1, 3, 10, 20})), Array::row({2, 15}));
  EXPECT_TRUE(std::isnan(mean(Array())(1)));

  EXPECT_EQ(zeros(2, 3), Array::matrix(2, 3, std::vector<double>(6, 0.0)));
  EXPECT_EQ(floor(Array::row({-0.5, 1.7})), Array::row({-1, 1}));
  EXPECT_EQ(round(Array::row({0.5, -0.5, 1.5, -2.5, 2.4999})), Array::row({1, -1, 2, -3, 2}));
  EXPECT_FALSE(round(Array::text("a")).is_char());
}

TEST(FileNames, SplitAndJoin) {
  const auto p = fileparts("layouts/interface.fig");
  EXPECT_EQ(p.path, "layouts");
  EXPECT_EQ(p.name, "interface");
  EXPECT_EQ(p.ext, ".fig");
  const auto bare = fileparts("creditos");
  EXPECT_EQ(bare.path, "");
  EXPECT_EQ(bare.name, "creditos");
  EXPECT_EQ(bare.ext, "");
  const auto win = fileparts(".\\bd\\oclus\\1020.mat");
  EXPECT_EQ(win.path, ".\\bd\\oclus");
  EXPECT_EQ(win.name, "1020");
  EXPECT_EQ(win.ext, ".mat");
  EXPECT_EQ(fileparts("/x.tar.gz").path, "/");
  EXPECT_EQ(fileparts("/x.tar.gz").ext, ".gz");
  EXPECT_EQ(fileparts("a.b/c").ext, "");

  const std::string sep = ispc() ? "\\" : "/";
  EXPECT_EQ(fullfile({"layouts", "interface.fig"}), "layouts" + sep + "interface.fig");
  EXPECT_EQ(fullfile({"layouts/", "/interface.fig"}), "layouts/interface.fig");
  EXPECT_EQ(fullfile({"", "interface.fig"}), "interface.fig");
  EXPECT_EQ(fullfile({"a", "", "b"}), "a" + sep + "b");
}

TEST(FileNames, ExistTellsFilesFoldersAndNothing) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir / "bd" / "oclus");
  std::ofstream(dir / "bd" / "oclus" / "1020.mat") << "x";
  const std::string root = dir.path().string();
  EXPECT_EQ(exist(root + "/bd/oclus/1020.mat"), 2);
  EXPECT_EQ(exist(root + "/bd"), 7);
  EXPECT_EQ(exist(root + "/bd/oclus/2010.mat"), 0);
  EXPECT_EQ(exist(""), 0);
  if (!ispc()) {
    EXPECT_EQ(exist(root + "\\bd\\oclus\\1020.mat"), 2);
    EXPECT_EQ(host_path(".\\bd\\x.mat"), std::filesystem::path("./bd/x.mat"));
  }
}

TEST(Platform, AnswersAreConsistent) {
  EXPECT_NE(ispc(), isunix());
  EXPECT_EQ(platform_type(), "PCWIN");  // playback is provided on every host
}

TEST(ArgumentCount, OutsideTheBoundsFails) {
  EXPECT_EQ(nargchk(2, 4, 2), "");
  EXPECT_EQ(nargchk(2, 4, 4), "");
  EXPECT_EQ(nargchk(2, 4, 1), "Not enough input arguments.");
  EXPECT_EQ(nargchk(2, 4, 5), "Too many input arguments.");
  EXPECT_NO_THROW(check_argument_count(1, 1, 1));
  try {
    check_argument_count(1, 1, 0);
    ADD_FAILURE() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.message(), "Not enough input arguments.");
  }
}

}  // namespace
}  // namespace quelvara::runtime
