#include "framework/window_data.h"

#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "window_fixture.h"

namespace quelvara::framework::testing {
namespace {

using runtime::Array;
using runtime::RuntimeError;

class WindowDataTest : public WindowTest {
 protected:
  Handle control(Handle parent, const std::string& tag) {
    const Handle h = graphics::create_object("uicontrol", parent);
    graphics::set(h, "Tag", Value(tag));
    return h;
  }
};

TEST_F(WindowDataTest, GuihandlesKeepsValidTagsInListingOrder) {
  const Handle f = graphics::create_object("figure", graphics::root_handle);
  graphics::set(f, "Tag", Value("janela"));
  const Handle ok1 = control(f, "ok");
  const Handle upper = control(f, "OK");
  const Handle ok2 = control(f, "ok");
  graphics::set(ok2, "Visible", Value("off"));  // hidden objects count too
  const std::string tag63(63, 'a');
  const Handle long63 = control(f, tag63);
  for (const char* bad : {"", "1abc", "_abc", "com espaco", "end", "while"}) control(f, bad);
  control(f, std::string(64, 'b'));
  const Handle end_capital = control(f, "End");
  const Handle digit = control(f, "valor_1");

  const Value h = guihandles(Value(ok1));
  ASSERT_TRUE(h.is_record());
  EXPECT_EQ(h.record().names(),
            (std::vector<std::string>{"janela", "ok", "OK", tag63, "End", "valor_1"}));
  EXPECT_EQ(h.record().get("ok").array(), Array::row({ok1, ok2}));
  EXPECT_EQ(field(h, "OK"), upper);
  EXPECT_EQ(field(h, "janela"), f);
  EXPECT_EQ(field(h, tag63.c_str()), long63);
  EXPECT_EQ(field(h, "End"), end_capital);
  EXPECT_EQ(field(h, "valor_1"), digit);

  graphics::make_current_figure(f);
  EXPECT_EQ(guihandles().record().names(), h.record().names());
}

TEST_F(WindowDataTest, WindowWithoutValidTagsGivesTheEmptyValue) {
  const Handle f = graphics::create_object("figure", graphics::root_handle);
  control(f, "2x");
  EXPECT_TRUE(guihandles(Value(f)).is_empty());
}

TEST_F(WindowDataTest, GuidataStoresWithTheWindowOfAnyObjectInside) {
  const Handle f = graphics::create_object("figure", graphics::root_handle);
  const Handle ax = graphics::create_object("axes", f);
  const Handle img = graphics::create_object("image", ax);
  EXPECT_TRUE(guidata(Value(f)).is_empty());  // never stored
  Record r;
  r.set("click", Value("on"));
  guidata(Value(img), r);
  EXPECT_TRUE(guidata(Value(f)).record().get("click").is_text("on"));
  EXPECT_TRUE(guidata(Value(ax)).record().get("click").is_text("on"));
  EXPECT_TRUE(graphics::isappdata(f, handles_record_key));

  for (const Value& bad : {Value(graphics::root_handle), Value(f + 99), Value(Array::row({f, f})), Value("x")}) {
    try {
      guidata(bad);
      ADD_FAILURE() << "guidata accepted a value outside every window";
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), "H must be the handle to a figure or figure descendent.");
    }
  }
  EXPECT_THROW(guihandles(Value(graphics::root_handle)), RuntimeError);
}

TEST_F(WindowDataTest, NameRules) {
  EXPECT_TRUE(isvarname(Value("a")));
  EXPECT_TRUE(isvarname(Value("texto_Callback2")));
  EXPECT_TRUE(isvarname(Value(std::string(63, 'z'))));
  EXPECT_FALSE(isvarname(Value(std::string(64, 'z'))));
  EXPECT_FALSE(isvarname(Value("")));
  EXPECT_FALSE(isvarname(Value("9a")));
  EXPECT_FALSE(isvarname(Value("a-b")));
  EXPECT_FALSE(isvarname(Value("função")));
  EXPECT_FALSE(isvarname(Value(5)));
  EXPECT_FALSE(isvarname(Value(Array::matrix(2, 1, {'a', 'b'}))));  // two rows
  EXPECT_FALSE(isvarname(Value("for")));

  EXPECT_TRUE(iskeyword(Value("end")));
  EXPECT_FALSE(iskeyword(Value("End")));
  EXPECT_FALSE(iskeyword(Value("ends")));
  EXPECT_FALSE(iskeyword(Value(1)));
  const auto words = reserved_words().items;
  ASSERT_EQ(words.size(), 17u);
  EXPECT_TRUE(words.front().is_text("break"));
  EXPECT_TRUE(words[6].is_text("end"));
  EXPECT_TRUE(words.back().is_text("while"));
}

TEST_F(WindowDataTest, ByNameEntriesCheckCountsAndResults) {
  const Handle f = graphics::create_object("figure", graphics::root_handle);
  const Handle c = control(f, "nome");
  Record r;
  r.set("output", Value("x"));
  EXPECT_TRUE(runtime::call_by_name("guidata", 0, {Value(c), Value(r)}).empty());
  const auto got = runtime::call_by_name("guidata", 1, {Value(f)});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got[0].record().get("output").is_text("x"));
  EXPECT_THROW(runtime::call_by_name("guidata", 1, {Value(c), Value(r)}), RuntimeError);
  try {
    runtime::call_by_name("guidata", 2, {Value(c)});
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: guidata Line: 1 Column: 1 The function \"guidata\" was called with more "
                 "than the declared number of outputs (1).");
  }
  EXPECT_EQ(runtime::call_by_name("iskeyword", 1, {}).at(0).cell().items.size(), 17u);
  EXPECT_EQ(runtime::call_by_name("isvarname", 1, {Value("ok")}).at(0).number(), 1);
  EXPECT_EQ(runtime::call_by_name("guidata/getParentFigure", 1, {Value(c)}).at(0).number(), f);
  EXPECT_TRUE(runtime::call_by_name("guihandles/getParentFigure", 1, {Value(0)}).at(0).is_empty());
  EXPECT_EQ(field(runtime::call_by_name("guihandles", 1, {Value(c)}).at(0), "nome"), c);
  EXPECT_THROW(runtime::call_by_name("isvarname", 1, {Value("a"), Value("b")}), RuntimeError);
}

}  // namespace
}  // namespace quelvara::framework::testing
