#include "graphics/qt/qt_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "framework/install.h"
#include "framework/window_data.h"
#include "framework/window_module.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "runtime/function_registry.h"

// The font library keeps a cache for the life of the process; under the leak checker that is
// not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so"; }

namespace quelvara::graphics {
namespace {

using runtime::Record;
using Args = std::vector<Value>;
using Results = std::vector<Value>;

std::filesystem::path layouts_dir() {
  return std::filesystem::path(QUELVARA_SOURCE_DIR) / "tests" / "framework" / "layouts";
}

class QtViewTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_graphics_qt";
    static char* argv[] = {name, nullptr};
    initialise_qt_graphics(argc, argv);
    EXPECT_NE(QApplication::instance(), nullptr);
    terminate_qt_graphics();
    EXPECT_FALSE(qt_view_running());
  }
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(layouts_dir());
    reset_tree();
    framework::install_framework();
    start_qt_view();
    set_callback_error_handler([this](const std::exception& e) { errors.push_back(e.what()); });
  }
  void TearDown() override {
    set_callback_error_handler({});
    reset_tree();
    stop_qt_view();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    std::filesystem::current_path(old_dir_);
  }
  static Handle tagged(Handle figure, const char* tag) {
    for (Handle h : findall(figure))
      if (get_text(h, "Tag") == tag) return h;
    ADD_FAILURE() << "no object tagged " << tag;
    return 0;
  }
  template <typename W>
  static W* widget(Handle h) {
    auto* w = dynamic_cast<W*>(widget_of(h));
    EXPECT_NE(w, nullptr);
    return w;
  }

  // Acts as the user once the newest window is in a modal wait (checked on every turn of the
  // event loop, never after a fixed time).
  static void when_waiting(std::function<void(Handle)> act) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      const auto all = figures();
      if (all.empty() || !is_waiting(all.back())) return;
      timer->stop();
      timer->deleteLater();
      act(all.back());
    });
    timer->start();
  }

  std::vector<std::string> errors;

 private:
  std::filesystem::path old_dir_;
};

TEST_F(QtViewTest, WindowsSitWhereTheModelSaysCountingFromTheBottom) {
  const Rect screen = pixel_position(root_handle);
  const Handle f = create_object("figure", root_handle);
  set(f, "Position", Value(runtime::Array::row({100, 50, 300, 200})));
  const Handle b = create_object("uicontrol", f);
  set(b, "Position", Value(runtime::Array::row({10, 20, 80, 30})));
  QWidget* window = widget_of(f);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->geometry(), QRect(100, static_cast<int>(screen.height) - 250, 300, 200));
  EXPECT_EQ(widget_of(b)->geometry(), QRect(10, 200 - 50, 80, 30));
  set(f, "Visible", Value("on"));
  EXPECT_TRUE(window->isVisible());

  // The user resizes the window: the model follows, the controls keep their distance from the
  // bottom edge, and the resize callback runs.
  int resized = 0;
  set(f, "ResizeFcn", Value(runtime::FunctionRef{"resize", std::make_shared<runtime::Function>([&](int, Args) {
                                                   ++resized;
                                                   return Results{};
                                                 })}));
  window->resize(300, 260);
  EXPECT_EQ(pixel_position(f).height, 260);
  EXPECT_EQ(pixel_position(f).width, 300);
  EXPECT_GE(resized, 1);
  EXPECT_EQ(widget_of(b)->geometry(), QRect(10, 260 - 50, 80, 30));

  // The close control deletes the window through the model.
  window->close();
  EXPECT_FALSE(ishandle(f));
}

TEST_F(QtViewTest, PopupPicksRunTheCallbackEveryTimeAlsoForTheSameItem) {
  const Handle f = create_object("figure", root_handle);
  const Handle p = create_object("uicontrol", f);
  set(p, "Style", Value("popupmenu"));
  set(p, "String", Value(runtime::Cell{{Value("Factor"), Value("Gráfica")}}));
  set(p, "Value", Value(1));
  std::vector<double> picked;
  set(p, "Callback", Value(runtime::FunctionRef{"pick", std::make_shared<runtime::Function>([&](int, Args a) {
                                                  picked.push_back(get(a.at(0).number(), "Value").number());
                                                  return Results{};
                                                })}));
  auto* combo = widget<QComboBox>(p);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1), QString::fromUtf8("Gráfica"));
  combo->activated(1);  // what a pick emits
  combo->activated(1);
  EXPECT_EQ(picked, (std::vector<double>{2, 2}));
  EXPECT_EQ(combo->currentIndex(), 1);
}

TEST_F(QtViewTest, LayoutWindowRunsCallbacksWithTheStoredHandlesRecord) {
  Args seen_by_ok;
  std::string typed_at_enter;
  framework::register_window_module(
      {"gravar",
       {{"gravar_OpeningFcn",
         [](int, Args args) {
           Value handles = args.at(2);
           handles.record().set("origem", Value("aberta"));
           framework::guidata(args.at(0), handles);
           return Results{};
         }},
        {"gravar_OutputFcn", [](int, Args args) { return Results{args.at(0)}; }},
        {"nome_CreateFcn", [](int, Args) { return Results{}; }},
        {"nome_Callback",
         [&](int, Args args) {
           typed_at_enter = get_text(args.at(0).number(), "String");
           return Results{};
         }},
        {"ok_Callback",
         [&](int, Args args) {
           seen_by_ok = args;
           return Results{};
         }},
        {"cancelar_Callback", [](int, Args) { return Results{}; }}}});
  const Handle f = runtime::call_by_name("gravar", 1, {}).at(0).number();
  ASSERT_TRUE(widget_of(f)->isVisible());
  auto* edit = widget<QLineEdit>(tagged(f, "nome"));
  ASSERT_NE(edit, nullptr);
  QTest::keyClicks(edit, "frase");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(typed_at_enter, "frase");
  EXPECT_EQ(get_text(tagged(f, "nome"), "String"), "frase");

  auto* ok = widget<QPushButton>(tagged(f, "ok"));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->text(), "OK");
  QTest::mouseClick(ok, Qt::LeftButton);
  ASSERT_EQ(seen_by_ok.size(), 3u);
  EXPECT_EQ(seen_by_ok[0].number(), tagged(f, "ok"));
  const Value& handles = seen_by_ok[2];
  ASSERT_TRUE(handles.is_record());
  EXPECT_TRUE(handles.record().get("origem").is_text("aberta"));
  EXPECT_EQ(handles.record().get("nome").number(), tagged(f, "nome"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(QtViewTest, ModalDialogRunsToItsAnswer) {
  framework::register_window_module(
      {"gravar",
       {{"gravar_OpeningFcn",
         [](int, Args args) {
           const Handle h = args.at(0).number();
           Value handles = args.at(2);
           handles.record().set("output", Value(h));
           framework::guidata(Value(h), handles);
           uiwait(h);
           return Results{};
         }},
        {"gravar_OutputFcn",
         [](int, Args args) {
           if (args.at(2).is_empty()) return Results{Value("false")};
           Value out = args.at(2).record().get("output");
           delete_object(args.at(0).number());
           return Results{out};
         }},
        {"nome_CreateFcn", [](int, Args) { return Results{}; }},
        {"nome_Callback", [](int, Args) { return Results{}; }},
        {"ok_Callback",
         [](int, Args args) {
           Value handles = args.at(2);
           handles.record().set("output", get(handles.record().get("nome").number(), "String"));
           framework::guidata(args.at(0), handles);
           uiresume(*gcbf());
           return Results{};
         }},
        {"cancelar_Callback", [](int, Args) { return Results{}; }}}});
  bool shown_while_waiting = false;
  // The user answers once the dialog waits.
  when_waiting([&](Handle dialog) {
    shown_while_waiting = widget_of(dialog)->isVisible();
    auto* edit = dynamic_cast<QLineEdit*>(widget_of(tagged(dialog, "nome")));
    QTest::keyClicks(edit, "resposta");
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::mouseClick(dynamic_cast<QPushButton*>(widget_of(tagged(dialog, "ok"))), Qt::LeftButton);
  });
  const auto answer = runtime::call_by_name("gravar", 1, {});
  EXPECT_TRUE(shown_while_waiting);
  EXPECT_TRUE(answer.at(0).is_text("resposta"));
  EXPECT_TRUE(figures().empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(QtViewTest, WaitsEndWhenTheWindowIsClosedByItsFrame) {
  const Handle box = create_object("figure", root_handle);
  set(box, "Visible", Value("off"));
  when_waiting([&](Handle h) { widget_of(h)->close(); });
  uiwait(box);
  EXPECT_FALSE(ishandle(box));

  // wait_until_no_windows returns once the last window has gone.
  const Handle a = create_object("figure", root_handle);
  const Handle b = create_object("figure", root_handle);
  QTimer::singleShot(0, [&] { close(a); });
  QTimer::singleShot(0, [&] { close(b); });
  wait_until_no_windows();
  EXPECT_TRUE(figures().empty());
}

}  // namespace
}  // namespace quelvara::graphics
