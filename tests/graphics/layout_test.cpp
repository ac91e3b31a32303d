#include "graphics/layout.h"

#include <gtest/gtest.h>

#include "graphics/callbacks.h"
#include "runtime/error.h"
#include "support/temp_dir.h"

#include <fstream>

namespace quelvara::graphics {
namespace {

using runtime::Record;
using runtime::RuntimeError;

struct Fired {
  std::string module, callback;
  Handle object;
};

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_layout_callback_dispatcher([this](const std::string& m, const std::string& c, Handle h, Value) {
      fired.push_back({m, c, h});
      visible_while_creating.push_back(get_text(*ancestor_figure(h), "Visible"));
    });
  }
  void TearDown() override {
    set_layout_callback_dispatcher({});
    reset_tree();
  }
  Record hidden() {
    Record r;
    r.set("Visible", Value("off"));
    return r;
  }
  std::vector<Fired> fired;
  std::vector<std::string> visible_while_creating;
};

constexpr const char* dialog = R"({
  "format": "quelvara-layout", "version": 1, "module": "gravar",
  "window": {
    "properties": { "Tag": "gravar", "Name": "Gravar", "Visible": "on", "Position": [1, 2, 200, 100] },
    "appdata": { "VARDOOptions": { "syscolorfig": 1, "singleton": 0 } },
    "children": [
      { "type": "uicontrol",
        "properties": { "String": "", "Style": "edit", "Tag": "nome", "position": [10, 50, 180, 25],
                        "CreateFcn": { "callback": "nome_CreateFcn" },
                        "Callback": { "callback": "nome_Callback" } } },
      { "type": "uicontrol",
        "properties": { "Style": "popupmenu", "String": ["Factor", "Gráfica"], "Value": 2,
                        "CreateFcn": { "module": "outro", "callback": "tipo_CreateFcn" } } },
      { "type": "axes", "children": [ { "type": "image" } ] }
    ]
  }
})";

TEST_F(LayoutTest, LoadsHiddenWithStoredVisibleAndRunsCreationCallbacks) {
  const auto loaded = load_layout_text(dialog, hidden(), "gravar.fig");
  const Handle f = loaded.figure;
  EXPECT_EQ(get_text(f, "Visible"), "off");
  EXPECT_TRUE(loaded.saved.get("Visible").is_text("on"));
  EXPECT_EQ(get_text(f, "Name"), "Gravar");
  EXPECT_EQ(get(f, "Position").array(), runtime::Array::row({1, 2, 200, 100}));
  const Value options = getappdata(f, "VARDOOptions");
  ASSERT_TRUE(options.is_record());
  EXPECT_EQ(options.record().get("syscolorfig").number(), 1);

  const auto objects = findall(f);
  ASSERT_EQ(objects.size(), 5u);
  const Handle edit = objects[1], popup = objects[2];
  EXPECT_EQ(get_text(edit, "Style"), "edit");
  EXPECT_EQ(get(popup, "String").cell().items.at(1).text(), "Gráfica");
  EXPECT_EQ(get(popup, "Value").number(), 2);
  EXPECT_EQ(type_of(objects[4]), "image");

  ASSERT_EQ(fired.size(), 2u);
  EXPECT_EQ(fired[0].module, "gravar");
  EXPECT_EQ(fired[0].callback, "nome_CreateFcn");
  EXPECT_EQ(fired[0].object, edit);
  EXPECT_EQ(fired[1].module, "outro");
  EXPECT_EQ(visible_while_creating, (std::vector<std::string>{"off", "off"}));

  // The action callback names the module and the callback, and reaches the dispatcher.
  EXPECT_EQ(get(edit, "Callback").function().name, "gravar/nome_Callback");
  fire_callback(edit, "Callback");
  EXPECT_EQ(fired.back().callback, "nome_Callback");
}

TEST_F(LayoutTest, WithoutOverrideTheStoredVisibleIsSet) {
  const auto loaded = load_layout_text(dialog, {}, "gravar.fig");
  EXPECT_EQ(get_text(loaded.figure, "Visible"), "on");
  EXPECT_EQ(loaded.saved.size(), 0u);
}

TEST_F(LayoutTest, MalformedLayoutsAreRefusedWithTheirFaultAndLeaveNothing) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "not valid JSON"},
      {"{\"format\": \"quelvara-layout\", \"version\": 1, \"window\": {", "not valid JSON"},
      {"[1, 2]", "top level"},
      {R"({"format": "other", "version": 1, "window": {}})", "format"},
      {R"({"format": "quelvara-layout", "version": 2, "window": {}})", "version"},
      {R"({"format": "quelvara-layout", "version": 1})", "no \"window\""},
      {R"({"format": "quelvara-layout", "version": 1, "window": {}, "extra": 1})", "extra"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"properties": {"Colour": [1,1,1]}}})", "Colour"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"properties": {"Visible": "talvez"}}})", "Visible"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"type": "uicontrol",
          "properties": {"Callback": {"callback": "x"}}}]}})", "no module"},
      {R"({"format": "quelvara-layout", "version": 1, "module": "m", "window": {"children": [{"type": "uicontrol",
          "properties": {"Callback": {"callback": ""}}}]}})", "callback"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"type": "figure"}]}})", "figure"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"type": "image"}]}})", "image"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"properties": {}}]}})", "type"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"type": "uicontrol",
          "properties": {"Position": [[1], 2]}}]}})", "Position"},
      {R"({"format": "quelvara-layout", "version": 1, "window": {"children": [{"type": "uicontrol",
          "properties": {"Position": [1, 2, -3, 4]}}]}})", "negative"},
      {"{\"format\": \"quelvara-layout\", \"version\": 1, \"window\": {\"appdata\": {\"x\": " +
           std::string(200, '[') + std::string(200, ']') + "}}}",
       "nesting"},
  };
  for (const auto& [text, expected] : cases) {
    try {
      load_layout_text(text, hidden(), "bad.fig");
      ADD_FAILURE() << "accepted: " << text;
    } catch (const RuntimeError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Cannot load layout 'bad.fig': ", 0), 0u) << message;
      EXPECT_NE(message.find(expected), std::string::npos) << message << " / expected " << expected;
    }
    EXPECT_TRUE(figures().empty()) << text;
  }
  EXPECT_TRUE(fired.empty());
}

TEST_F(LayoutTest, ReadsFilesAndReportsUnreadableOnes) {
  testing::TempDir dir;
  {
    std::ofstream out(dir / "gravar.fig");
    out << dialog;
  }
  EXPECT_TRUE(ishandle(hgload(dir / "gravar.fig", hidden()).figure));
  try {
    hgload(dir / "nenhum.fig");
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot be read"), std::string::npos);
  }
  EXPECT_THROW(hgload(dir.path()), RuntimeError);  // a folder
}

}  // namespace
}  // namespace quelvara::graphics
