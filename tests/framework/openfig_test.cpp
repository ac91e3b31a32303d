#include "framework/openfig.h"

#include <fstream>

#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "window_fixture.h"

namespace quelvara::framework::testing {
namespace {

using runtime::Array;
using runtime::RuntimeError;

class OpenfigTest : public WindowTest {
 protected:
  std::vector<double> registry(const std::string& file) {
    const Value v = graphics::getappdata(graphics::root_handle, openfig_registry_key(file));
    return v.is_empty() ? std::vector<double>{} : v.array().data();
  }
  void expect_refused(Value name, std::optional<Value> policy, std::optional<Value> visible, const char* message) {
    const auto before = graphics::figures();
    try {
      openfig(name, policy, visible);
      ADD_FAILURE() << "accepted, expected: " << message;
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), message);
    }
    EXPECT_EQ(graphics::figures(), before);  // nothing loaded
  }
};

TEST_F(OpenfigTest, RegistryKeys) {
  EXPECT_EQ(openfig_registry_key("creditos.fig"), "OpenFig_gifsotiderc_SINGLETON");
  const std::string k = openfig_registry_key("val_factor.fig");
  EXPECT_EQ(k, "OpenFig_gifrotcaf_lav_SINGLETON");
  EXPECT_EQ(k.size(), 31u);
  EXPECT_EQ(openfig_registry_key("interface.fig"), "OpenFig_gifecafretni_SINGLETON");
  EXPECT_EQ(openfig_registry_key("sub/dir/x-y.fig"), "OpenFig_gifyxridbus_SINGLETON");
  EXPECT_EQ(openfig_registry_key("a_very_long_layout_name.fig").size(), 31u);
}

TEST_F(OpenfigTest, ReuseTwiceLoadsOnceAndShowsTheRootDefault) {
  const Handle first = openfig(Value("creditos"), Value("reuse"), Value("auto"));
  EXPECT_TRUE(graphics::get(first, "Visible").is_text("off"));  // fresh + auto stays hidden
  graphics::set(graphics::root_handle, "DefaultFigureVisible", Value("on"));
  const Handle again = openfig(Value("creditos.fig"), Value("reuse"), Value("AUTO"));
  EXPECT_EQ(again, first);
  EXPECT_EQ(graphics::figures().size(), 1u);
  EXPECT_TRUE(graphics::get(again, "Visible").is_text("on"));
  EXPECT_EQ(registry("creditos.fig"), std::vector<double>{first});
}

TEST_F(OpenfigTest, NewTwiceThenReuseGivesTheNewestAndFallsBackWhenItCloses) {
  const Handle a = openfig(Value("creditos"));
  const Handle b = openfig(Value("creditos"), Value("new"));
  EXPECT_NE(a, b);
  EXPECT_EQ(registry("creditos.fig"), (std::vector<double>{a, b}));
  EXPECT_TRUE(graphics::get(a, "Visible").is_text("on"));  // no visible: the stored value
  EXPECT_EQ(openfig(Value("creditos"), Value("reuse")), b);

  graphics::delete_object(b);
  EXPECT_EQ(openfig(Value("creditos"), Value("reuse")), a);
  EXPECT_EQ(registry("creditos.fig"), std::vector<double>{a});  // the stale handle is dropped

  graphics::delete_object(a);
  const Handle fresh = openfig(Value("creditos"), Value("reuse"), Value("visible"));
  EXPECT_NE(fresh, a);
  EXPECT_TRUE(graphics::get(fresh, "Visible").is_text("on"));
  EXPECT_EQ(registry("creditos.fig"), std::vector<double>{fresh});
}

TEST_F(OpenfigTest, VisibilityChoicesAndTheStoredValue) {
  const Handle shown = openfig(Value("creditos"), Value("new"), Value("invisible"));
  EXPECT_TRUE(graphics::get(shown, "Visible").is_text("off"));
  const Handle hidden = openfig(Value("val_factor"), Value("new"));  // stores Visible off
  EXPECT_TRUE(graphics::get(hidden, "Visible").is_text("off"));
  const Handle forced = openfig(Value("val_factor"), Value("new"), Value("Visible"));
  EXPECT_TRUE(graphics::get(forced, "Visible").is_text("on"));
}

TEST_F(OpenfigTest, FolderSpellingsAndExtensions) {
  const Handle plain = openfig(Value("creditos"), Value("reuse"));
  EXPECT_EQ(openfig(Value("creditos.fig"), Value("reuse")), plain);
  std::filesystem::copy_file("creditos.fig", "capital_test_copy.FIG");
  const Handle capital = openfig(Value("capital_test_copy.FIG"), Value("reuse"));
  std::filesystem::remove("capital_test_copy.FIG");
  EXPECT_TRUE(graphics::ishandle(capital));
  const Handle other = openfig(Value("../layouts/creditos.fig"), Value("reuse"));
  EXPECT_NE(other, plain);  // another spelling, another entry
  EXPECT_EQ(registry("../layouts/creditos.fig"), std::vector<double>{other});
  const Handle full = openfig(Value((layouts_dir() / "creditos").string()), Value("reuse"));
  EXPECT_NE(full, plain);
}

TEST_F(OpenfigTest, ArgumentErrorsComeBeforeAnyLoad) {
  expect_refused(Value("creditos"), Value("Reuse"), std::nullopt, "Second input argument must be 'new' or 'reuse'.");
  expect_refused(Value("creditos"), Value("renew"), std::nullopt, "Second input argument must be 'new' or 'reuse'.");
  expect_refused(Value("creditos"), Value("new"), Value("shown"), "Third input argument must be 'invisible' or 'visible'.");
  expect_refused(Value("creditos.txt"), Value("new"), std::nullopt, "Argument must be a .fig file");
  // The visible check comes first.
  expect_refused(Value("creditos.txt"), Value("Reuse"), Value("x"), "Third input argument must be 'invisible' or 'visible'.");
  EXPECT_NO_THROW(openfig(Value("creditos"), Value("new"), Value()));  // empty visible = absent
}

TEST_F(OpenfigTest, ALayoutThatCannotLoadLeavesTheRegistryAlone) {
  const Handle a = openfig(Value("creditos"), Value("new"));
  graphics::delete_object(a);
  EXPECT_THROW(openfig(Value("missing"), Value("reuse")), RuntimeError);
  EXPECT_TRUE(registry("missing.fig").empty());
  {
    std::ofstream broken("broken_test_layout.fig");
    broken << "{\"format\": \"quelvara-layout\", \"version\": 1, \"window\": {\"properties\": {\"Colour\": 1}}}";
  }
  try {
    openfig(Value("broken_test_layout"));
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("Colour"), std::string::npos);
  }
  std::filesystem::remove("broken_test_layout.fig");
  EXPECT_TRUE(graphics::figures().empty());
}

TEST_F(OpenfigTest, ByNameEntry) {
  const auto got = runtime::call_by_name("openfig", 1, {Value("creditos"), Value("reuse"), Value("auto")});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(graphics::ishandle(got[0].number()));
  EXPECT_THROW(runtime::call_by_name("openfig", 1, {Value("creditos"), Value("new"), Value("auto"), Value(1)}),
               RuntimeError);
  EXPECT_THROW(runtime::call_by_name("openfig", 1, {}), RuntimeError);
}

}  // namespace
}  // namespace quelvara::framework::testing
