#include "framework/gui_mainfcn.h"

#include "framework/placement.h"
#include "framework/window_data.h"
#include "framework/window_module.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "window_fixture.h"

namespace quelvara::framework::testing {
namespace {

using runtime::Array;
using runtime::RuntimeError;
using Args = std::vector<Value>;
using Results = std::vector<Value>;

// What the test modules saw, and what a test makes them do.
struct Probe {
  int openings = 0;
  Args opening_args;
  Args output_args;
  Args callback_args;
  Args create_args;
  std::function<void(Args&)> on_opening;
};
Probe probe;

runtime::Function recorder(Args Probe::*slot, std::function<void(Args&)> Probe::*hook = nullptr) {
  return [slot, hook](int, Args args) {
    probe.*slot = args;
    if (hook && probe.*hook) (probe.*hook)(args);
    return Results{};
  };
}

void register_test_modules() {
  // A plain single-instance window.
  register_window_module(
      {"creditos",
       {{"creditos_OpeningFcn",
         [](int, Args args) {
           ++probe.openings;
           probe.opening_args = args;
           if (probe.on_opening) probe.on_opening(args);
           return Results{};
         }},
        {"creditos_OutputFcn",
         [](int, Args args) {
           probe.output_args = args;
           return Results{args.at(0), Value("second")};
         }},
        {"ok_Callback", recorder(&Probe::callback_args)}}});

  // A modal dialog: the answer goes through the handles field "output".
  register_window_module(
      {"gravar",
       {{"gravar_OpeningFcn",
         [](int, Args args) {
           const Handle h = args.at(0).number();
           Value handles = args.at(2);
           handles.record().set("output", Value(h));
           guidata(Value(h), handles);
           centrarcaixas(h);
           graphics::uiwait(h);
           return Results{};
         }},
        {"gravar_OutputFcn",
         [](int, Args args) {
           probe.output_args = args;
           if (args.at(2).is_empty()) return Results{Value("false")};
           Value out = args.at(2).record().get("output");
           graphics::delete_object(args.at(0).number());
           return Results{out};
         }},
        {"nome_CreateFcn", recorder(&Probe::create_args)},
        {"nome_Callback", [](int, Args) { return Results{}; }},
        {"ok_Callback",
         [](int, Args args) {
           Value handles = args.at(2);
           handles.record().set("output", graphics::get(field(handles, "nome"), "String"));
           guidata(args.at(0), handles);
           graphics::uiresume(*graphics::gcbf());
           return Results{};
         }},
        {"cancelar_Callback",
         [](int, Args args) {
           Value handles = args.at(2);
           handles.record().set("output", Value("false"));
           guidata(args.at(0), handles);
           graphics::uiresume(*graphics::gcbf());
           return Results{};
         }}}});

  // Its layout options do not ask for a single instance.
  register_window_module({"val_factor",
                          {{"val_factor_OpeningFcn", recorder(&Probe::opening_args, &Probe::on_opening)},
                           {"val_factor_OutputFcn", [](int, Args args) { return Results{args.at(0)}; }}}});
}

class GuiMainfcnTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    probe = {};
    register_test_modules();
  }
  Handle open(const char* module, Args args = {}) {
    return runtime::call_by_name(module, 1, std::move(args)).at(0).number();
  }
  Handle tagged(Handle figure, const char* tag) {
    for (Handle h : graphics::findall(figure))
      if (graphics::get_text(h, "Tag") == tag) return h;
    ADD_FAILURE() << "no object tagged " << tag;
    return 0;
  }
};

TEST_F(GuiMainfcnTest, OpeningBuildsTheRecordRunsTheOpeningFunctionAndShows) {
  graphics::set(graphics::root_handle, "DefaultUicontrolBackgroundColor", Value(Array::row({0.5, 0.6, 0.7})));
  const Handle f = open("creditos");
  EXPECT_EQ(probe.openings, 1);
  ASSERT_EQ(probe.opening_args.size(), 3u);
  EXPECT_EQ(probe.opening_args[0].number(), f);
  EXPECT_TRUE(probe.opening_args[1].is_empty());
  EXPECT_EQ(probe.opening_args[2].record().names(), (std::vector<std::string>{"creditos", "imagem", "ok"}));
  EXPECT_TRUE(graphics::get(f, "Visible").is_text("on"));
  EXPECT_TRUE(graphics::isappdata(f, on_screen_key));
  EXPECT_FALSE(graphics::isappdata(f, in_initialization_key));
  EXPECT_EQ(graphics::get(f, "Color").array(), Array::row({0.5, 0.6, 0.7}));  // syscolorfig
  EXPECT_EQ(field(probe.output_args.at(2), "ok"), tagged(f, "ok"));

  // Only as many results as asked for.
  EXPECT_EQ(runtime::call_by_name("creditos", 2, {}).size(), 2u);
  EXPECT_TRUE(runtime::call_by_name("creditos", 0, {}).empty());
}

TEST_F(GuiMainfcnTest, OpeningAgainReusesTheWindowAndKeepsTheStoredRecord) {
  const Handle f = open("creditos");
  Value handles = guidata(Value(f));
  handles.record().set("added", Value(42));
  guidata(Value(f), handles);
  graphics::set(f, "Visible", Value("off"));
  const Handle again = open("creditos");
  EXPECT_EQ(again, f);
  EXPECT_EQ(graphics::figures().size(), 1u);
  EXPECT_EQ(probe.openings, 2);
  EXPECT_EQ(probe.opening_args.at(2).record().get("added").number(), 42);
  EXPECT_TRUE(graphics::get(f, "Visible").is_text("on"));

  // Without "GUIOnScreen" (layout options singleton = 0) the record is rebuilt from the tags.
  const Handle v = open("val_factor");
  Value vh = guidata(Value(v));
  vh.record().set("added", Value(1));
  guidata(Value(v), vh);
  EXPECT_EQ(open("val_factor"), v);
  EXPECT_FALSE(guidata(Value(v)).record().has("added"));
  EXPECT_FALSE(graphics::isappdata(v, on_screen_key));
}

TEST_F(GuiMainfcnTest, FourArgumentsWithAHandleDispatchFewerOpen) {
  const Handle f = open("creditos");
  const Handle ok = tagged(f, "ok");
  const Value handles = guidata(Value(f));
  runtime::call_by_name("creditos", 0, {Value("ok_Callback"), Value(ok), Value(), handles});
  ASSERT_EQ(probe.callback_args.size(), 3u);
  EXPECT_EQ(probe.callback_args[0].number(), ok);
  EXPECT_EQ(probe.openings, 1);  // no window opened

  // Three arguments open the window; the first two are refused as a property pair, and all
  // three reach the opening function.
  runtime::call_by_name("creditos", 0, {Value("ok_Callback"), Value(ok), Value()});
  EXPECT_EQ(probe.openings, 2);
  EXPECT_EQ(probe.opening_args.size(), 6u);
  // A second argument that is no handle opens too.
  runtime::call_by_name("creditos", 0, {Value("ok_Callback"), Value(ok + 1000), Value(), handles});
  EXPECT_EQ(probe.openings, 3);

  // The callback runs through its entry: four arguments are too many.
  try {
    runtime::call_by_name("creditos", 0, {Value("ok_Callback"), Value(ok), Value(), handles, Value(1)});
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: creditos/ok_Callback Line: 83 Column: 1 The function "
                 "\"creditos/ok_Callback\" was called with more than the declared number of inputs (3).");
  }
  // A name that is not in the table fails only when it is run.
  EXPECT_THROW(runtime::call_by_name("creditos", 0, {Value("nada_Callback"), Value(ok), Value(), handles}),
               RuntimeError);
  EXPECT_NO_THROW(runtime::call_by_name("creditos", 0, {Value("nada_Callback")}));
}

TEST_F(GuiMainfcnTest, LayoutCallbacksGetTheRecordStoredAtThatMoment) {
  const Handle f = open("creditos");
  Value handles = guidata(Value(f));
  handles.record().set("click", Value("on"));
  guidata(Value(f), handles);
  graphics::fire_callback(tagged(f, "ok"), "Callback");
  ASSERT_EQ(probe.callback_args.size(), 3u);
  EXPECT_EQ(probe.callback_args[0].number(), tagged(f, "ok"));
  EXPECT_TRUE(probe.callback_args[1].is_empty());
  EXPECT_TRUE(probe.callback_args[2].record().get("click").is_text("on"));
}

TEST_F(GuiMainfcnTest, VisiblePairs) {
  const Handle hidden = open("creditos", {Value("Visible"), Value("off")});
  EXPECT_TRUE(graphics::get(hidden, "Visible").is_text("off"));
  EXPECT_FALSE(graphics::isappdata(hidden, on_screen_key));
  EXPECT_FALSE(graphics::isappdata(hidden, in_initialization_key));
  graphics::delete_object(hidden);

  const Handle one_letter = open("creditos", {Value("Visible"), Value("o")});
  EXPECT_TRUE(graphics::get(one_letter, "Visible").is_text("on"));
  graphics::delete_object(one_letter);

  const Handle v = open("creditos", {Value("Name"), Value("Outro"), Value("v"), Value("of")});
  EXPECT_TRUE(graphics::get(v, "Visible").is_text("off"));
  EXPECT_EQ(graphics::get_text(v, "Name"), "Outro");  // pairs are set as properties
  graphics::delete_object(v);

  const Handle later = open("creditos", {Value("Visible"), Value("off"), Value("visible"), Value("ON")});
  EXPECT_TRUE(graphics::get(later, "Visible").is_text("on"));
  // A refused pair ends the property walk; the pairs before it stay set.
  graphics::delete_object(later);
  const Handle partial = open("creditos", {Value("Name"), Value("A"), Value("Bogus"), Value(1), Value("Tag"), Value("t")});
  EXPECT_EQ(graphics::get_text(partial, "Name"), "A");
  EXPECT_EQ(graphics::get_text(partial, "Tag"), "creditos");
}

TEST_F(GuiMainfcnTest, HandleVisibilityCallbackIsOpenedDuringTheOpeningFunction) {
  std::string during;
  probe.on_opening = [&](Args& args) { during = graphics::get_text(args.at(0).number(), "HandleVisibility"); };
  open("creditos", {Value("HandleVisibility"), Value("callback")});
  EXPECT_EQ(during, "on");
  EXPECT_EQ(graphics::get_text(graphics::figures().back(), "HandleVisibility"), "callback");
}

TEST_F(GuiMainfcnTest, AWindowDeletedInItsOpeningFunctionGivesTheOutputFunctionNoRecord) {
  probe.on_opening = [](Args& args) { graphics::delete_object(args.at(0).number()); };
  const auto results = runtime::call_by_name("creditos", 1, {});
  EXPECT_FALSE(graphics::ishandle(results.at(0).number()));
  ASSERT_EQ(probe.output_args.size(), 3u);
  EXPECT_TRUE(probe.output_args[2].is_empty());
  EXPECT_TRUE(graphics::figures().empty());
}

TEST_F(GuiMainfcnTest, AStaleHalfOpenedWindowIsDeletedAndLoadedAfresh) {
  probe.on_opening = [](Args&) { throw RuntimeError("opening stopped"); };
  EXPECT_THROW(open("creditos"), RuntimeError);
  ASSERT_EQ(graphics::figures().size(), 1u);
  const Handle stale = graphics::figures().front();
  EXPECT_TRUE(graphics::isappdata(stale, in_initialization_key));

  probe.on_opening = nullptr;
  const Handle fresh = open("creditos");
  EXPECT_FALSE(graphics::ishandle(stale));
  EXPECT_NE(fresh, stale);
  EXPECT_FALSE(graphics::isappdata(fresh, in_initialization_key));
  EXPECT_EQ(graphics::figures(), std::vector<Handle>{fresh});
}

TEST_F(GuiMainfcnTest, ClosingTheLastShownWindowTakesTheHalfOpenedOnesAlong) {
  const Handle shown = open("creditos");
  probe.on_opening = [](Args&) { throw RuntimeError("opening stopped"); };
  EXPECT_THROW(open("val_factor"), RuntimeError);
  probe.on_opening = nullptr;
  const Handle stale = graphics::figures().back();
  ASSERT_NE(stale, shown);
  EXPECT_TRUE(graphics::isappdata(stale, in_initialization_key));

  graphics::close(shown);
  EXPECT_FALSE(graphics::ishandle(stale));
  EXPECT_TRUE(graphics::figures().empty());
}

TEST_F(GuiMainfcnTest, AWindowInItsOpeningStepsIsNotTakenAlong) {
  const Handle shown = open("val_factor");
  // The last shown window goes while another window runs its opening function, hidden.
  probe.on_opening = [&](Args&) { graphics::close(shown); };
  const Handle opened = open("creditos");
  EXPECT_FALSE(graphics::ishandle(shown));
  ASSERT_TRUE(graphics::ishandle(opened));
  EXPECT_TRUE(graphics::get(opened, "Visible").is_text("on"));
}

TEST_F(GuiMainfcnTest, MissingStateFieldsAreNamedWithTheModule) {
  Record state = make_gui_state("creditos", 1, {});
  state.remove("gui_OutputFcn");
  try {
    gui_mainfcn(0, {Value(state)});
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("gui_OutputFcn"), std::string::npos) << m;
    EXPECT_NE(m.find("creditos.cpp"), std::string::npos) << m;
  }
  state = make_gui_state("creditos", 1, {});
  state.remove("gui_Name");
  try {
    gui_mainfcn(0, {Value(state)});
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("gui_Name"), std::string::npos);
  }
  EXPECT_THROW(gui_mainfcn(0, {}), RuntimeError);
  EXPECT_TRUE(graphics::figures().empty());
}

TEST_F(GuiMainfcnTest, ModalDialogAnswersThroughItsOutputField) {
  graphics::post_event([&] {
    const Handle dialog = graphics::figures().back();
    EXPECT_TRUE(graphics::get(dialog, "Visible").is_text("on"));  // the wait shows it
    EXPECT_TRUE(graphics::is_waiting(dialog));
    graphics::set(tagged(dialog, "nome"), "String", Value("frase"));
    graphics::fire_callback_from_event(tagged(dialog, "ok"), "Callback");
  });
  const auto answer = runtime::call_by_name("gravar", 1, {});
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_TRUE(answer[0].is_text("frase"));
  EXPECT_TRUE(graphics::figures().empty());  // the output function deleted it
  EXPECT_TRUE(errors.empty()) << errors.front();
  // The creation callback ran while loading, before any record was stored.
  ASSERT_EQ(probe.create_args.size(), 3u);
  EXPECT_TRUE(probe.create_args[2].is_empty());
}

TEST_F(GuiMainfcnTest, ModalDialogOpenedFromACallbackIsCentredOverItsCaller) {
  const Handle main = open("creditos");  // [100, 100, 400, 300] after "onscreen"
  Value answer;
  probe.callback_args.clear();
  graphics::post_event([&] {
    const Handle dialog = graphics::figures().back();
    EXPECT_EQ(graphics::pixel_position(dialog), (graphics::Rect{200, 200, 200, 100}));
    graphics::fire_callback_from_event(tagged(dialog, "cancelar"), "Callback");
  });
  const Handle button = tagged(main, "ok");
  graphics::set(button, "Callback", Value(runtime::FunctionRef{
                                        "ask", std::make_shared<runtime::Function>([&](int, Args) {
                                          answer = runtime::call_by_name("gravar", 1, {}).at(0);
                                          return Results{};
                                        })}));
  graphics::fire_callback(button, "Callback");
  EXPECT_TRUE(answer.is_text("false"));
  EXPECT_EQ(graphics::figures(), std::vector<Handle>{main});
}

TEST_F(GuiMainfcnTest, ClosingTheDialogDuringItsWaitGivesAnEmptyRecord) {
  graphics::post_event([] { graphics::close(graphics::figures().back()); });
  const auto answer = runtime::call_by_name("gravar", 1, {});
  EXPECT_TRUE(answer.at(0).is_text("false"));
  EXPECT_TRUE(probe.output_args.at(2).is_empty());
}

TEST_F(GuiMainfcnTest, LocalOpenfigIsCallableByName) {
  const auto got = runtime::call_by_name("gui_mainfcn/local_openfig", 1, {Value("creditos"), Value("reuse")});
  const Handle f = got.at(0).number();
  EXPECT_TRUE(graphics::get(f, "Visible").is_text("off"));  // fresh and "auto": hidden
  EXPECT_THROW(runtime::call_by_name("gui_mainfcn/local_openfig", 1, {Value("creditos"), Value("reuse"), Value("x")}),
               RuntimeError);
}

}  // namespace
}  // namespace quelvara::framework::testing
