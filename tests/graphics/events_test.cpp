#include <gtest/gtest.h>

#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/msgbox.h"
#include "graphics/object_tree.h"
#include "runtime/error.h"

namespace quelvara::graphics {
namespace {

using runtime::Cell;
using runtime::FunctionRef;
using runtime::RuntimeError;

FunctionRef function(std::function<void(std::vector<Value>)> body) {
  return {"test", std::make_shared<runtime::Function>([body](int, std::vector<Value> args) {
            body(std::move(args));
            return std::vector<Value>{};
          })};
}

class EventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    set_callback_error_handler([this](const std::exception& e) { errors.push_back(e.what()); });
  }
  void TearDown() override {
    set_callback_error_handler({});
    reset_tree();
    while (pending_events() > 0) run_posted_events();
  }
  std::vector<std::string> errors;
};

TEST_F(EventsTest, CallbackSeesItsObjectAndFigureAndExtraArguments) {
  const Handle f = create_object("figure", root_handle);
  const Handle b = create_object("uicontrol", f);
  std::vector<Value> got;
  std::optional<Handle> object, fig;
  set(b, "Callback", Value(Cell{{Value(function([&](std::vector<Value> a) {
                                    got = a;
                                    object = gcbo();
                                    fig = gcbf();
                                  })),
                                  Value("extra")}}));
  EXPECT_FALSE(gcbo().has_value());
  EXPECT_TRUE(gcbf_value().is_empty());  // empty outside callbacks
  fire_callback(b, "Callback", Value(7));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].number(), b);
  EXPECT_EQ(got[1].number(), 7);
  EXPECT_EQ(got[2].text(), "extra");
  EXPECT_EQ(object, b);
  EXPECT_EQ(fig, f);
  EXPECT_FALSE(gcbf().has_value());
  fire_callback(f, "ResizeFcn");  // empty: nothing happens
}

TEST_F(EventsTest, ErrorsEndingEventCallbacksAreReportedNotThrown) {
  const Handle f = create_object("figure", root_handle);
  set(f, "ResizeFcn", Value(function([](std::vector<Value>) { throw RuntimeError("boom"); })));
  EXPECT_THROW(fire_callback(f, "ResizeFcn"), RuntimeError);
  fire_callback_from_event(f, "ResizeFcn");
  EXPECT_EQ(errors, std::vector<std::string>{"boom"});
}

TEST_F(EventsTest, CloseRunsCloseRequestFcnOrDeletes) {
  const Handle f = create_object("figure", root_handle);
  int asked = 0;
  set(f, "CloseRequestFcn", Value(function([&](std::vector<Value>) { ++asked; })));
  close(f);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(ishandle(f));
  set(f, "CloseRequestFcn", Value());
  close(f);
  EXPECT_FALSE(ishandle(f));
}

TEST_F(EventsTest, UiwaitShowsTheWindowAndEndsOnResumeOrDeletion) {
  const Handle f = create_object("figure", root_handle);
  set(f, "Visible", Value("off"));
  bool was_visible = false;
  post_event([&] {
    was_visible = get_text(f, "Visible") == "on";
    EXPECT_TRUE(is_waiting(f));
    uiresume(f);
  });
  bool later_ran = false;
  post_event([&] { later_ran = true; });
  uiwait(f);
  EXPECT_TRUE(was_visible);
  EXPECT_TRUE(ishandle(f));
  EXPECT_FALSE(later_ran);  // the wait ended at the resume
  drawnow();
  EXPECT_FALSE(later_ran);  // drawing does not act for the user
  run_posted_events();
  EXPECT_TRUE(later_ran);

  const Handle g = create_object("figure", root_handle);
  post_event([&] { delete_object(g); });
  uiwait(g);
  EXPECT_FALSE(ishandle(g));

  uiwait(g);  // not a handle: returns at once
}

TEST_F(EventsTest, NestedWaitsEndIndependently) {
  const Handle outer = create_object("figure", root_handle);
  const Handle inner = create_object("figure", root_handle);
  std::vector<std::string> order;
  post_event([&] {
    post_event([&] {
      order.push_back("resume inner");
      uiresume(inner);
    });
    uiwait(inner);
    order.push_back("inner done");
    post_event([&] { uiresume(outer); });
  });
  uiwait(outer);
  EXPECT_EQ(order, (std::vector<std::string>{"resume inner", "inner done"}));
}

TEST_F(EventsTest, HeadlessWaitThatCannotEndFails) {
  const Handle f = create_object("figure", root_handle);
  EXPECT_THROW(uiwait(f), RuntimeError);
  EXPECT_FALSE(is_waiting(f));
}

TEST_F(EventsTest, MessageBoxShowsTextAndTitleAndItsButtonClosesIt) {
  const Handle box = msgbox("Inseriu um difone que não existe", "Quelvara");
  EXPECT_EQ(get_text(box, "Name"), "Quelvara");
  EXPECT_EQ(get_text(box, "Visible"), "on");
  Handle ok = 0;
  bool has_text = false;
  for (Handle h : findall(box, "uicontrol")) {
    if (get_text(h, "Tag") == "OKButton") ok = h;
    if (get_text(h, "String") == "Inseriu um difone que não existe") has_text = true;
  }
  EXPECT_TRUE(has_text);
  ASSERT_NE(ok, 0);
  post_event([&] { fire_callback_from_event(ok, "Callback"); });
  uiwait(box);
  EXPECT_FALSE(ishandle(box));
  EXPECT_TRUE(errors.empty());
}

TEST_F(EventsTest, WaitUntilNoWindowsRunsEventsUntilTheLastWindowGoes) {
  const Handle a = create_object("figure", root_handle);
  const Handle b = create_object("figure", root_handle);
  post_event([&] { close(a); });
  post_event([&] { close(b); });
  post_event([] {});
  wait_until_no_windows();
  EXPECT_TRUE(figures().empty());
  EXPECT_EQ(pending_events(), 1u);
}

}  // namespace
}  // namespace quelvara::graphics
