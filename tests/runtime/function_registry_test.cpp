#include "runtime/function_registry.h"

#include <gtest/gtest.h>

#include "runtime/by_name.h"
#include "runtime/error.h"
#include "runtime/module_constants.h"
#include "runtime/runtime_users.h"

namespace quelvara::runtime {
namespace {

std::string error_of(std::string_view name, int nargout, std::vector<Value> args) {
  try {
    call_by_name(name, nargout, std::move(args));
  } catch (const RuntimeError& e) {
    return e.message();
  }
  return "";
}

Function returning(double x) {
  return [x](int, std::vector<Value>) { return std::vector<Value>{Value(x)}; };
}

TEST(FunctionRegistry, RegisteredNamesWithoutBodyAreNotAvailable) {
  const NamedFunction names[] = {{"imread", -1, 3}, {"movegui", -1, 0}};
  register_functions(names);
  EXPECT_TRUE(is_registered("imread"));
  EXPECT_EQ(registered_function("movegui")->results, 0);
  EXPECT_EQ(error_of("imread", 1, {}), "The function \"imread\" is not available.");
  EXPECT_EQ(error_of("no_such_thing", 0, {}), "Undefined function \"no_such_thing\".");

  // A later layer plugs the body in; the registration is untouched.
  define_function("imread", returning(5));
  EXPECT_EQ(call_by_name("imread", 1, {})[0].number(), 5);
  define_function("imread", returning(6));  // replaced
  EXPECT_EQ(call_by_name("imread", 1, {})[0].number(), 6);
  define_function_if_absent("imread", returning(7));  // kept
  EXPECT_EQ(call_by_name("imread", 1, {})[0].number(), 6);
  // The entry's checks still apply.
  EXPECT_NE(error_of("imread", 4, {}).find("declared number of outputs (3)"), std::string::npos);
  undefine_function("imread");
  EXPECT_FALSE(has_body("imread"));
  unregister_functions();
  EXPECT_FALSE(is_registered("imread"));
}

// A surplus call gets its row's message before the body is looked up, so a name whose body is
// missing (or not yet supplied) reports the surplus and not its absence.
TEST(FunctionRegistry, EveryRowsChecksRunBeforeTheBodyIsLookedUp) {
  ASSERT_EQ(entry_check_table().size(), 66u);
  for (const EntryCheck& row : entry_check_table()) {
    const std::string& name = row.qualified_name;
    SCOPED_TRACE(name);
    ASSERT_FALSE(has_body(name));
    const auto message = [&](const char* what, int k) {
      return "Run-time Error: File: " + name + " Line: " + std::to_string(row.line) +
             " Column: 1 The function \"" + name + "\" was called with more than the declared number of " +
             what + " (" + std::to_string(k) + ").";
    };
    const int in_ok = limits(row.max_inputs) ? row.max_inputs : 7;
    const int out_ok = limits(row.max_outputs) ? row.max_outputs : 7;
    const auto args = [](int n) { return std::vector<Value>(static_cast<std::size_t>(n), Value(1.0)); };
    if (limits(row.max_outputs)) {
      EXPECT_EQ(error_of(name, row.max_outputs + 1, args(in_ok)), message("outputs", row.max_outputs));
    }
    if (limits(row.max_inputs)) {
      EXPECT_EQ(error_of(name, out_ok, args(row.max_inputs + 1)), message("inputs", row.max_inputs));
    }
    EXPECT_EQ(error_of(name, out_ok, args(in_ok)), "Undefined function \"" + name + "\".");
  }
}

TEST(FunctionRegistry, ModuleTablesResolveNamesWithinTheirModule) {
  define_function("sampa/ok_Callback", returning(1));
  define_function("creditos/ok_Callback", returning(2));
  define_function("creditos/creditos_OpeningFcn", returning(3));
  define_function("creditos/private/x", returning(4));
  EXPECT_EQ(call_module_function("sampa", "ok_Callback", 0, {})[0].number(), 1);
  EXPECT_EQ(call_module_function("creditos", "ok_Callback", 0, {})[0].number(), 2);
  EXPECT_EQ(module_functions("creditos"), (std::vector<std::string>{"creditos_OpeningFcn", "ok_Callback"}));
  EXPECT_EQ(error_of("sampa/ok_Callback", 0, std::vector<Value>(4)),
            "Run-time Error: File: sampa/ok_Callback Line: 101 Column: 1 The function "
            "\"sampa/ok_Callback\" was called with more than the declared number of inputs (3).");
  // A reference reaches whatever body is current when it is called.
  const FunctionRef ref = function_reference("sampa/ok_Callback");
  define_function("sampa/ok_Callback", returning(9));
  EXPECT_EQ((*ref.call)(0, {})[0].number(), 9);
  for (const char* n : {"sampa/ok_Callback", "creditos/ok_Callback", "creditos/creditos_OpeningFcn",
                        "creditos/private/x"})
    undefine_function(n);
}

TEST(FunctionRegistry, ABodyMayReplaceItselfWhileRunning) {
  define_function("iskeyword", [](int, std::vector<Value>) {
    define_function("iskeyword", returning(2));
    return std::vector<Value>{Value(1.0)};
  });
  EXPECT_EQ(call_by_name("iskeyword", 1, {})[0].number(), 1);
  EXPECT_EQ(call_by_name("iskeyword", 1, {})[0].number(), 2);
  undefine_function("iskeyword");
}

TEST(ModuleConstants, AreBuiltOnceAndReleasedByName) {
  int builds = 0;
  ModuleConstants constants("test_module", [&] {
    ++builds;
    Record r;
    r.set("titulo", "Quelvara");
    return r;
  });
  EXPECT_EQ(builds, 1);
  EXPECT_TRUE(constants.get("titulo").is_text("Quelvara"));
  EXPECT_THROW(constants.get("other"), RuntimeError);
  EXPECT_EQ(module_constants("test_module"), &constants);
  EXPECT_TRUE(release_module_constants("test_module"));
  EXPECT_TRUE(constants.released());
  EXPECT_THROW(constants.get("titulo"), RuntimeError);
  EXPECT_FALSE(release_module_constants("absent_module"));
  EXPECT_EQ(builds, 1);
}

TEST(RuntimeUsers, TheRuntimeGoesUpWithTheFirstUserAndDownWithTheLast) {
  const int count = runtime_user_count();
  const int starts = runtime_start_count();
  {
    RuntimeUser a;
    RuntimeUser b;
    EXPECT_EQ(runtime_user_count(), count + 2);
    EXPECT_TRUE(runtime_is_up());
  }
  EXPECT_EQ(runtime_user_count(), count);
  // Only a count that left 0 starts the runtime.
  EXPECT_EQ(runtime_start_count(), starts + (count == 0 ? 1 : 0));
}

}  // namespace
}  // namespace quelvara::runtime
