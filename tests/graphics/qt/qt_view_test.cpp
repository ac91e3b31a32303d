#include "graphics/qt/qt_view.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <filesystem>

#include "framework/install.h"
#include "framework/window_data.h"
#include "framework/window_module.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/msgbox.h"
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

  // Acts as the user once the newest window is in a modal wait and active (checked on every
  // turn of the event loop, never after a fixed time).
  static void when_waiting(std::function<void(Handle)> act) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
      const auto all = figures();
      if (all.empty() || !is_waiting(all.back())) return;
      if (QApplication::activeWindow() != widget_of(all.back())) return;
      timer->stop();
      timer->deleteLater();
      act(all.back());
    });
    timer->start();
  }

  // A callback that counts its runs.
  static Value counting(int& runs) {
    return Value(runtime::FunctionRef{"count", std::make_shared<runtime::Function>([&runs](int, Args) {
                                        ++runs;
                                        return Results{};
                                      })});
  }
  static Handle shown_figure(Rect where) {
    const Handle f = create_object("figure", root_handle);
    set_pixel_position(f, where);
    set(f, "Visible", Value("on"));
    return f;
  }
  static Handle control(Handle figure, const char* style, const char* tag, Rect where) {
    const Handle h = create_object("uicontrol", figure);
    set(h, "Style", Value(style));
    set(h, "Tag", Value(tag));
    set(h, "String", Value(tag));
    set_pixel_position(h, where);
    return h;
  }
  // Runs the events until done() holds; false when it never does.
  static bool settle(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
  }
  static bool active(Handle figure) {
    return settle([&] { return QApplication::activeWindow() == widget_of(figure); });
  }

  // The user's input, through the window system: it reaches only what a user could reach.
  static void user_click(Handle h) {
    QWidget* w = widget_of(h);
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {}, w->mapTo(w->window(), w->rect().center()));
  }
  static void user_key(Handle figure, Qt::Key key) { QTest::keyClick(widget_of(figure)->windowHandle(), key); }
  static void user_type(Handle figure, const char* text) {
    for (const char* c = text; *c; ++c) QTest::keyClick(widget_of(figure)->windowHandle(), *c);
  }

  std::vector<std::string> errors;

 private:
  std::filesystem::path old_dir_;
};

// Counts the times a window is shown, with its geometry at the first.
class ShowWatch final : public QObject {
 public:
  explicit ShowWatch(QWidget* w) { w->installEventFilter(this); }
  int shows = 0;
  QRect first_geometry;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Show && ++shows == 1) first_geometry = static_cast<QWidget*>(o)->geometry();
    return false;
  }
};

TEST_F(QtViewTest, AWindowIsMappedOnceWhenItsVisibleSaysSoAtItsPlaceCountingFromTheBottom) {
  const Rect screen = pixel_position(root_handle);
  const Handle f = create_object("figure", root_handle);  // visible by default...
  QWidget* window = widget_of(f);
  ASSERT_NE(window, nullptr);
  ShowWatch watch(window);
  set(f, "Visible", Value("off"));  // ...but hidden at once, as the layout loader does
  set(f, "Position", Value(runtime::Array::row({100, 50, 300, 200})));
  const Handle b = create_object("uicontrol", f);
  set(b, "Position", Value(runtime::Array::row({10, 20, 80, 30})));
  QCoreApplication::processEvents();
  EXPECT_EQ(watch.shows, 0);
  set(f, "Visible", Value("on"));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(watch.shows, 1);
  EXPECT_EQ(watch.first_geometry, QRect(100, static_cast<int>(screen.height) - 250, 300, 200));
  EXPECT_EQ(widget_of(b)->geometry(), QRect(10, 200 - 50, 80, 30));
  set(f, "Visible", Value("on"));
  set(f, "Position", Value(runtime::Array::row({120, 50, 300, 200})));
  EXPECT_EQ(watch.shows, 1);
  EXPECT_EQ(window->geometry().left(), 120);  // a shown window moves at once

  // A window left as made, visible, is shown once the events run.
  const Handle g = create_object("figure", root_handle);
  EXPECT_FALSE(widget_of(g)->isVisible());
  EXPECT_TRUE(settle([&] { return widget_of(g)->isVisible(); }));

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

TEST_F(QtViewTest, ResizeOffFixesTheSizeAndLeavesOutTheMaximiseButton) {
  const Handle fixed = create_object("figure", root_handle);
  set(fixed, "Resize", Value("off"));
  set_pixel_position(fixed, {100, 100, 300, 200});
  set(fixed, "Visible", Value("on"));
  QWidget* w = widget_of(fixed);
  EXPECT_EQ(w->minimumSize(), QSize(300, 200));
  EXPECT_EQ(w->maximumSize(), QSize(300, 200));
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
  set_pixel_position(fixed, {100, 100, 320, 220});  // the model may still change it
  EXPECT_EQ(w->maximumSize(), QSize(320, 220));
  EXPECT_EQ(w->size(), QSize(320, 220));

  QWidget* free = widget_of(shown_figure({100, 100, 300, 200}));
  EXPECT_NE(free->minimumSize(), free->maximumSize());
}

TEST_F(QtViewTest, ADisabledButtonLooksDisabled) {
  const Handle f = shown_figure({100, 100, 300, 100});
  const Handle a = control(f, "pushbutton", "Ouvir", {10, 10, 90, 30});
  const Handle b = control(f, "pushbutton", "Ouvir", {110, 10, 90, 30});
  set(b, "String", Value("Ouvir"));
  set(a, "String", Value("Ouvir"));
  const auto look = [](Handle h) { return widget_of(h)->grab().toImage(); };
  ASSERT_EQ(look(a), look(b));  // the same button looks the same
  set(b, "Enable", Value("off"));
  const QImage enabled = look(a), disabled = look(b);
  ASSERT_EQ(enabled.size(), disabled.size());
  // The caption is the darkest part of a button: greyed, it is much lighter.
  const auto darkest = [](const QImage& image) {
    int least = 255;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) least = std::min(least, qGray(image.pixel(x, y)));
    return least;
  };
  EXPECT_GT(darkest(disabled), darkest(enabled) + 60);
  set(b, "Enable", Value("on"));
  EXPECT_EQ(look(a), look(b));
}

TEST_F(QtViewTest, AModalWindowTakesTheInputFromTheOthersUntilItGoes) {
  const Handle main = shown_figure({100, 300, 300, 100});
  const Handle button = control(main, "pushbutton", "botao", {10, 10, 90, 30});
  int pressed = 0;
  set(button, "Callback", counting(pressed));
  ASSERT_TRUE(active(main));
  user_click(button);
  EXPECT_EQ(pressed, 1);

  const Handle dialog = create_object("figure", root_handle);
  set(dialog, "WindowStyle", Value("modal"));
  set_pixel_position(dialog, {150, 320, 200, 60});
  set(dialog, "Visible", Value("on"));
  QWidget* d = widget_of(dialog);
  EXPECT_EQ(d->windowModality(), Qt::ApplicationModal);
  ASSERT_NE(d->windowHandle(), nullptr);
  EXPECT_EQ(d->windowHandle()->transientParent(), widget_of(main)->windowHandle());  // kept above it
  ASSERT_TRUE(active(dialog));
  user_click(button);
  user_key(main, Qt::Key_Space);
  EXPECT_EQ(pressed, 1);

  delete_object(dialog);
  ASSERT_TRUE(active(main));  // the focus goes back to the window it was kept above
  user_click(button);
  EXPECT_EQ(pressed, 2);

  // Message boxes are modal too.
  const Handle box = msgbox("Mensagem", "Quelvara");
  EXPECT_EQ(widget_of(box)->windowModality(), Qt::ApplicationModal);
  ASSERT_TRUE(active(box));
  user_click(button);
  EXPECT_EQ(pressed, 2);
  EXPECT_TRUE(errors.empty());
}

TEST_F(QtViewTest, EnterAndEscapePressTheButtonsTheWindowNames) {
  const Handle f = create_object("figure", root_handle);
  set(f, "Visible", Value("off"));
  set_pixel_position(f, {100, 100, 300, 120});
  const Handle edit = control(f, "edit", "valor", {10, 80, 280, 30});
  set(edit, "String", Value("1"));
  const Handle ok = control(f, "pushbutton", "ok", {10, 10, 90, 30});
  const Handle cancel = control(f, "pushbutton", "cancelar", {110, 10, 90, 30});
  set(f, "DefaultButton", Value("ok"));
  set(f, "CancelButton", Value("cancelar"));
  std::vector<std::string> runs;
  const auto recording = [&](std::string what) {
    return Value(runtime::FunctionRef{what, std::make_shared<runtime::Function>([&runs, what](int, Args) {
                                        runs.push_back(what);
                                        return Results{};
                                      })});
  };
  set(edit, "Callback", recording("edit"));
  set(ok, "Callback", recording("ok"));
  set(cancel, "Callback", recording("cancel"));
  set(f, "Visible", Value("on"));
  ASSERT_TRUE(active(f));

  // The edit box has the focus with its text selected: typing replaces it.
  user_type(f, "0.3");
  EXPECT_EQ(dynamic_cast<QLineEdit*>(widget_of(edit))->text(), "0.3");
  user_key(f, Qt::Key_Return);  // the box passes its text on, then OK runs
  EXPECT_EQ(runs, (std::vector<std::string>{"edit", "ok"}));
  EXPECT_EQ(get_text(edit, "String"), "0.3");
  user_key(f, Qt::Key_Escape);
  EXPECT_EQ(runs.back(), "cancel");

  // Enter on a focused button presses that button; Tab goes through the controls in order.
  user_key(f, Qt::Key_Tab);
  user_key(f, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), widget_of(cancel));
  runs.clear();
  user_key(f, Qt::Key_Return);
  EXPECT_EQ(runs, std::vector<std::string>{"cancel"});

  // A message box closes with Enter or with Escape.
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    const Handle box = msgbox("Mensagem", "Quelvara");
    ASSERT_TRUE(active(box));
    user_key(box, key);
    EXPECT_FALSE(ishandle(box));
  }
  EXPECT_TRUE(errors.empty());
}

TEST_F(QtViewTest, ShowingAShownWindowAgainBringsItForward) {
  const Handle first = shown_figure({100, 100, 200, 100});
  const Handle second = shown_figure({150, 150, 200, 100});
  ASSERT_TRUE(active(second));
  set(first, "Visible", Value("on"));
  EXPECT_TRUE(active(first));
}

}  // namespace
}  // namespace quelvara::graphics
