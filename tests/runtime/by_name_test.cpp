#include "runtime/by_name.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace quelvara::runtime {
namespace {

constexpr int any = -1;

// The message as the system prints it, spelled out here rather than taken from the code.
std::string expected_message(const EntryCheck& row, const char* what, int k) {
  const std::string& name = row.qualified_name;
  return "Run-time Error: File: " + name + " Line: " + std::to_string(row.line) +
         " Column: 1 The function \"" + name + "\" was called with more than the declared number of " +
         what + " (" + std::to_string(k) + ").";
}

std::vector<Value> args_of(int n) { return std::vector<Value>(static_cast<std::size_t>(n), Value(1.0)); }

// The message of a call through the named entry, or "" when the call went through.
std::string message_of(std::string_view name, int nargout, int nargin, bool* ran = nullptr) {
  if (ran) *ran = false;
  auto ref = make_entry(name, [ran](int, std::vector<Value>) {
    if (ran) *ran = true;
    return std::vector<Value>{};
  });
  try {
    (*ref.call)(nargout, args_of(nargin));
  } catch (const RuntimeError& e) {
    return e.message();
  }
  return "";
}

TEST(EntryCheckTable, EveryRowGivesItsExactMessagesAndAcceptsItsLimits) {
  ASSERT_EQ(entry_check_table().size(), 66u);
  for (const EntryCheck& row : entry_check_table()) {
    const std::string& name = row.qualified_name;
    SCOPED_TRACE(name);
    EXPECT_EQ(&entry_check(name), &row);
    const int in_ok = row.max_inputs == any ? 12 : row.max_inputs;
    const int out_ok = row.max_outputs == any ? 12 : row.max_outputs;
    bool ran = false;
    EXPECT_EQ(message_of(name, out_ok, in_ok, &ran), "");
    EXPECT_TRUE(ran);
    if (row.max_outputs != any) {
      EXPECT_EQ(message_of(name, row.max_outputs + 1, in_ok, &ran),
                expected_message(row, "outputs", row.max_outputs));
      EXPECT_FALSE(ran);
    }
    if (row.max_inputs != any) {
      EXPECT_EQ(message_of(name, out_ok, row.max_inputs + 1, &ran),
                expected_message(row, "inputs", row.max_inputs));
      EXPECT_FALSE(ran);
    }
    // Only the first failing check is reported.
    if (row.max_outputs != any && row.max_inputs != any) {
      EXPECT_EQ(message_of(name, row.max_outputs + 1, row.max_inputs + 1),
                expected_message(row, "outputs", row.max_outputs));
    }
  }
}

TEST(EntryCheckTable, FunctionsWithoutACheckAcceptAnyCount) {
  for (const char* name : {"interface", "creditos", "gravar", "sampa", "val_factor", "gui_mainfcn",
                           "audio/private/playsndb", "images/private/qorregistry"}) {
    SCOPED_TRACE(name);
    const auto& check = entry_check(name);
    EXPECT_EQ(check.qualified_name, name);
    EXPECT_FALSE(limits(check.max_inputs));
    EXPECT_FALSE(limits(check.max_outputs));
    bool ran = false;
    EXPECT_EQ(message_of(name, 40, 40, &ran), "");
    EXPECT_TRUE(ran);
  }
  EXPECT_EQ(&entry_check("gui_mainfcn"), &entry_check("gui_mainfcn"));
}

TEST(ByNameEntry, WorkedExamples) {
  EXPECT_EQ(message_of("interface/texto_Callback", 0, 4),
            "Run-time Error: File: interface/texto_Callback Line: 41 Column: 1 The function "
            "\"interface/texto_Callback\" was called with more than the declared number of inputs (3).");
  for (int nargin : {0, 3, 9})
    EXPECT_EQ(message_of("interface/interface_OpeningFcn", 1, nargin),
              "Run-time Error: File: interface/interface_OpeningFcn Line: 20 Column: 1 The function "
              "\"interface/interface_OpeningFcn\" was called with more than the declared number of "
              "outputs (0).");
  EXPECT_EQ(message_of("bartlett", 2, 2),
            "Run-time Error: File: bartlett Line: 1 Column: 1 The function \"bartlett\" was called "
            "with more than the declared number of outputs (1).");
  EXPECT_EQ(message_of("wavwrite", 0, 5),
            "Run-time Error: File: wavwrite Line: 1 Column: 1 The function \"wavwrite\" was called "
            "with more than the declared number of inputs (4).");
}

TEST(ByNameEntry, PassesFewerArgumentsAndResultsThrough) {
  std::vector<Value> seen;
  int seen_nargout = -5;
  auto ref = make_entry("guidata", [&](int nargout, std::vector<Value> args) {
    seen = args;
    seen_nargout = nargout;
    return std::vector<Value>{Value(7.0)};
  });
  EXPECT_EQ(ref.name, "guidata");
  const auto results = (*ref.call)(0, {Value("a")});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].is_text("a"));
  EXPECT_EQ(seen_nargout, 0);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].number(), 7.0);
}

TEST(ByNameEntry, TurnsEscapingErrorsIntoRuntimeErrors) {
  const auto& check = entry_check("openfig");
  auto fails_with = [&](auto thrower) -> RuntimeError {
    try {
      call_through_entry(check, 1, {}, [&](int, std::vector<Value>) -> std::vector<Value> {
        thrower();
        return {};
      });
    } catch (const RuntimeError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return RuntimeError("");
  };
  EXPECT_EQ(fails_with([] { throw std::invalid_argument("bad thing"); }).message(), "bad thing");
  EXPECT_EQ(fails_with([] { throw std::bad_alloc(); }).message(), "A memory allocation request failed.");
  const auto kept = fails_with([] { throw RuntimeError("m", std::string("f"), 9, std::nullopt, "d"); });
  EXPECT_EQ(kept.message(), "m");
  EXPECT_EQ(kept.file(), "f");
  EXPECT_EQ(kept.line(), 9);
  EXPECT_FALSE(kept.kind().has_value());
  EXPECT_EQ(kept.detail(), "d");
}

TEST(ByNameEntry, AnythingThatIsNoStandardExceptionIsAnUnknownError) {
  const auto caught = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return current_runtime_error();
    }
    return RuntimeError("nothing thrown");
  };
  EXPECT_EQ(caught([] { throw 42; }).message(), "Unknown error.");
  EXPECT_EQ(caught([] { throw std::bad_alloc(); }).message(), "A memory allocation request failed.");
  EXPECT_EQ(caught([] { throw std::out_of_range("index 9"); }).message(), "index 9");
}

}  // namespace
}  // namespace quelvara::runtime
