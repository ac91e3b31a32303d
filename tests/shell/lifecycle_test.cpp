#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/by_name.h"
#include "runtime/console.h"
#include "runtime/function_registry.h"
#include "runtime/module_constants.h"
#include "shell/graphics_scope.h"
#include "shell/interface_stub.h"
#include "shell/process_entry.h"
#include "shell/program_description.h"

namespace quelvara::shell {
namespace {

using runtime::Value;

// Runs the real start-up and shut-down with a recording stand-in for the main window, a
// recording graphics runtime, and the console captured.
class Lifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    set_lifecycle_observer([this](const std::string& e) { events_.push_back(e); });
    previous_print_ = runtime::install_print_handler([this](std::string_view t) { printed_ += t; });
    runtime::define_function("interface", [this](int nargout, std::vector<Value> args) {
      events_.push_back("interface");
      nargout_ = nargout;
      for (const auto& a : args) {
        EXPECT_TRUE(a.is_text());
        arguments_.push_back(a.text());
      }
      if (interface_fails_) throw runtime::RuntimeError("x", std::nullopt, 3);
      return std::vector<Value>{Value(handle_)};
    });
    GraphicsRuntime g;
    g.initialise = [this](int& argc, char**) {
      graphics_argc_ = argc;
      if (initialise_fails_) throw runtime::RuntimeError("no display");
    };
    g.wait_until_no_windows = [this] {
      events_.push_back("waited");
      if (wait_fails_) throw runtime::RuntimeError("lost window");
    };
    previous_graphics_ = set_graphics_runtime(g);
  }
  void TearDown() override {
    set_lifecycle_observer({});
    runtime::install_print_handler(previous_print_);
    runtime::define_function("interface", interface_stub);
    set_graphics_runtime(previous_graphics_);
  }

  int run(std::vector<std::string> argv_strings) {
    std::vector<char*> argv;
    for (auto& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    return process_entry(static_cast<int>(argv_strings.size()), argv.data());
  }

  std::size_t position(const std::string& event) const {
    return static_cast<std::size_t>(std::find(events_.begin(), events_.end(), event) - events_.begin());
  }

  std::vector<std::string> events_;
  std::vector<std::string> arguments_;
  std::string printed_;
  int nargout_ = -1;
  int graphics_argc_ = -1;
  double handle_ = 1;
  bool interface_fails_ = false;
  bool initialise_fails_ = false;
  bool wait_fails_ = false;
  runtime::PrintHandler previous_print_;
  GraphicsRuntime previous_graphics_;
};

TEST_F(Lifecycle, StartsInListOrderAndStopsInReverse) {
  ASSERT_EQ(run({"quelvara"}), 0);
  std::vector<std::string> expected;
  const auto& list = start_stop_list();
  ASSERT_EQ(list.size(), 27u);
  for (const auto& pair : list) expected.push_back("start " + pair.owner);
  expected.insert(expected.end(), {"graphics initialise", "interface", "graphics wait", "waited",
                                   "graphics terminate"});
  for (auto it = list.rbegin(); it != list.rend(); ++it) expected.push_back("stop " + it->owner);
  EXPECT_EQ(events_, expected);
  // The modules stop before the graphics bridge, which stops before the function library.
  EXPECT_EQ(list[0].owner, "function library");
  EXPECT_EQ(list[1].owner, "graphics bridge");
  EXPECT_EQ(events_.back(), "stop function library");
  EXPECT_LT(position("stop interface"), position("stop graphics bridge"));
  EXPECT_EQ(printed_, "");  // a normal run prints nothing
}

TEST_F(Lifecycle, ArgumentsReachInterfaceAsTextsWithoutTheProgramName) {
  EXPECT_EQ(run({"quelvara"}), 0);
  EXPECT_TRUE(arguments_.empty());
  EXPECT_EQ(nargout_, 1);
  EXPECT_EQ(graphics_argc_, 1);
  EXPECT_EQ(run({"quelvara", "interface_OpeningFcn", "Gráfica", ""}), 0);
  EXPECT_EQ(arguments_, (std::vector<std::string>{"interface_OpeningFcn", "Gráfica", ""}));
}

TEST_F(Lifecycle, ANormalRunExitsZeroWhateverTheMainWindowHandle) {
  handle_ = 7.9;
  EXPECT_EQ(run({"quelvara"}), 0);
  handle_ = -3;
  EXPECT_EQ(run({"quelvara"}), 0);
}

TEST_F(Lifecycle, AnErrorFromInterfaceIsReportedAndShutdownStillRuns) {
  interface_fails_ = true;
  EXPECT_EQ(run({"quelvara"}), 1);
  EXPECT_EQ(printed_, "RuntimeError\nException!  File: No File Info., Line: 3\n    x\n");
  EXPECT_LT(position("interface"), position("waited"));
  EXPECT_EQ(events_.back(), "stop function library");
}

TEST_F(Lifecycle, ErrorsOfTheGraphicsScopeAreReportedWithStatusOne) {
  wait_fails_ = true;
  EXPECT_EQ(run({"quelvara"}), 1);
  EXPECT_NE(printed_.find("    lost window\n"), std::string::npos);
  EXPECT_EQ(events_.back(), "stop function library");  // the stops run all the same

  events_.clear();
  printed_.clear();
  wait_fails_ = false;
  initialise_fails_ = true;
  EXPECT_EQ(run({"quelvara"}), 1);
  EXPECT_EQ(printed_, "RuntimeError\nException!  File: No File Info., Line: 0\n    no display\n");
  EXPECT_EQ(position("interface"), events_.size());  // never called
  EXPECT_EQ(events_.back(), "stop function library");
  EXPECT_EQ(std::count_if(events_.begin(), events_.end(),
                          [](const std::string& e) { return e.starts_with("stop "); }),
            27);
}

TEST_F(Lifecycle, RegistersTheNamedFunctionsAndStopsReleaseModuleConstants) {
  runtime::ModuleConstants constants("bartlett", [] {
    runtime::Record r;
    r.set("um", 1.0);
    return r;
  });
  runtime::define_function("interface", [](int, std::vector<Value>) {
    EXPECT_TRUE(runtime::is_registered("imread"));
    EXPECT_FALSE(runtime::module_constants("bartlett")->released());
    try {
      runtime::call_by_name("imread", 1, {Value("fig_tts.jpg")});
      ADD_FAILURE() << "imread ran";
    } catch (const runtime::RuntimeError& e) {
      EXPECT_EQ(e.message(), "The function \"imread\" is not available.");
    }
    return std::vector<Value>{Value()};
  });
  EXPECT_EQ(run({"quelvara"}), 0);
  EXPECT_TRUE(constants.released());
}

// The registered counts and the table of checks are two statements of the same declarations;
// they must agree, and every main function of the table must be registered.
TEST(ProgramDescription, EveryRegisteredFunctionsCountsEqualItsRowOfTheCheckTable) {
  const auto functions = named_functions();
  ASSERT_EQ(functions.size(), 25u);
  for (std::size_t i = 0; i < functions.size(); ++i) {
    const auto& f = functions[i];
    SCOPED_TRACE(f.name);
    EXPECT_EQ(start_stop_list()[i + 2].owner, f.name);
    if (const auto* row = runtime::find_entry_check(f.name)) {
      EXPECT_EQ(f.inputs, row->max_inputs);
      EXPECT_EQ(f.results, row->max_outputs);
    } else {
      EXPECT_FALSE(runtime::limits(f.inputs));
      EXPECT_FALSE(runtime::limits(f.results));
    }
  }
  for (const auto& row : runtime::entry_check_table()) {
    if (row.qualified_name.find('/') != std::string::npos) continue;
    EXPECT_TRUE(std::any_of(functions.begin(), functions.end(),
                            [&](const auto& f) { return f.name == row.qualified_name; }))
        << row.qualified_name << " has a check but is not registered";
  }
}

}  // namespace
}  // namespace quelvara::shell
