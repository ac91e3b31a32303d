// The whole program in one process on real Qt widgets without a display: the user types, picks,
// presses and answers dialogs through the widgets, and the files written are compared with the
// command-line synthesizer's.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>

#include "app_fixture.h"
#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/file_chooser.h"
#include "graphics/qt/qt_view.h"
#include "runtime/console.h"
#include "support/run_program.h"
#include "windows/install.h"
#include "windows/qt/analysis_canvas.h"
#include "windows/qt/analysis_view.h"

// The font library keeps a cache for the life of the process; under the leak checker that is
// not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so"; }

namespace quelvara::windows::testing {
namespace {

namespace fs = std::filesystem;
using Act = std::function<void(Handle)>;

constexpr qint64 patience_ms = 60000;  // generous: a stuck wait fails the test instead of hanging it

class QtEndToEndTest : public AppFolderTest {
 protected:
  static void SetUpTestSuite() { ensure_qt_application(); }
  void SetUp() override {
    AppFolderTest::SetUp();
    graphics::start_qt_view();
    graphics::set_callback_error_handler([this](const std::exception& e) { errors.push_back(e.what()); });
    main = open_main();
  }
  void TearDown() override {
    delete answering;
    graphics::reset_tree();
    graphics::stop_qt_view();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    AppFolderTest::TearDown();
  }

  template <typename W>
  static W* widget(Handle h) {
    auto* w = dynamic_cast<W*>(graphics::widget_of(h));
    EXPECT_NE(w, nullptr) << "no widget of the expected kind";
    return w;
  }

  // The user's answers to the waits that come, in order: each runs once the newest window is
  // in a modal wait and has become the active window, as a user sees it. Whatever is left when patience runs out is a failure, and the waiting
  // windows are closed so that the test ends.
  void then(std::deque<Act> acts) {
    pending_acts = std::move(acts);
    delete answering;
    auto* timer = new QTimer;
    answering = timer;
    timer->setInterval(0);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [this, timer, clock] {
      const auto all = graphics::figures();
      if (pending_acts.empty() || clock->elapsed() > patience_ms) {
        if (!pending_acts.empty()) {
          ADD_FAILURE() << pending_acts.size() << " answers were never asked for";
          pending_acts.clear();
          for (Handle f : all)
            if (f != main && graphics::ishandle(f)) graphics::delete_object(f);
        }
        timer->stop();
        timer->deleteLater();
        return;
      }
      if (all.empty() || !graphics::is_waiting(all.back())) return;
      if (QApplication::activeWindow() != graphics::widget_of(all.back())) return;
      Act act = std::move(pending_acts.front());
      pending_acts.pop_front();
      if (pending_acts.empty()) {
        timer->stop();
        timer->deleteLater();
      }
      act(all.back());
    });
    timer->start();
  }

  Act answer(std::string typed) {
    return [this, typed](Handle dialog) {
      const std::string edit = graphics::get_text(dialog, "Tag") == "gravar" ? "nome" : "valor";
      auto* box = widget<QLineEdit>(object(dialog, edit));
      box->selectAll();
      QTest::keyClicks(box, QString::fromStdString(typed));
      QTest::mouseClick(widget<QPushButton>(object(dialog, "ok")), Qt::LeftButton);
    };
  }
  Act cancel() {
    return [this](Handle dialog) { QTest::mouseClick(widget<QPushButton>(object(dialog, "cancelar")), Qt::LeftButton); };
  }
  Act read_message() {
    return [this](Handle box) {
      EXPECT_EQ(graphics::get_text(box, "Name"), "Quelvara");
      messages.push_back(widget<QLabel>(object(box, "MessageBox"))->text().toStdString());
      QTest::mouseClick(widget<QPushButton>(object(box, "OKButton")), Qt::LeftButton);
    };
  }

  void type(const std::string& text) {
    auto* box = widget<QLineEdit>(object(main, "texto"));
    box->selectAll();
    QTest::keyClicks(box, QString::fromStdString(text));
    QTest::keyClick(box, Qt::Key_Return);
  }
  // The user clicks into the box and types; letters beyond ASCII, which the test keyboard
  // lacks, arrive as an input method commits them. The box takes what was typed when it loses
  // the focus, as it does when the user presses Transcrever.
  void type_spelling(const std::string& text) {
    auto* box = widget<QLineEdit>(object(main, "texto_pt"));
    QApplication::setActiveWindow(graphics::widget_of(main));  // back from a message box
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    const QString typed = QString::fromStdString(text);
    bool ascii = true;
    for (QChar c : typed) ascii = ascii && c.unicode() < 128;
    if (ascii) {
      QTest::keyClicks(box, typed);
    } else {
      QInputMethodEvent commit;
      commit.setCommitString(typed);
      QApplication::sendEvent(box, &commit);
    }
  }
  void choose(const QString& item) {
    auto* combo = widget<QComboBox>(object(main, "tipo_variacao"));
    const int index = combo->findText(item);
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
    emit combo->activated(index);  // what a pick by the user emits
  }
  void click(Handle figure, const std::string& tag) {
    QTest::mouseClick(widget<QPushButton>(object(figure, tag)), Qt::LeftButton);
  }
  // The user's own input, through the window system: what a modal window blocks never arrives.
  void user_click(Handle figure, const std::string& tag) {
    QWidget* w = graphics::widget_of(object(figure, tag));
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {}, w->mapTo(w->window(), w->rect().center()));
  }
  // Keys go to the active window, or are aimed at the given one.
  static void user_key(Qt::Key key, Handle to = 0) { QTest::keyClick(key_target(to), key); }
  static void user_type(const std::string& text, Handle to = 0) {
    for (char c : text) QTest::keyClick(key_target(to), c);
  }
  static QWindow* key_target(Handle to) {
    return to ? graphics::widget_of(to)->windowHandle() : QGuiApplication::focusWindow();
  }
  static bool becomes_active(Handle figure) {
    QElapsedTimer clock;
    clock.start();
    while (QApplication::activeWindow() != graphics::widget_of(figure) && clock.elapsed() < 5000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return QApplication::activeWindow() == graphics::widget_of(figure);
  }
  // A dialog answered from the keyboard: the text, then Enter.
  Act type_and_enter(std::string typed) {
    return [typed](Handle) {
      user_type(typed);
      user_key(Qt::Key_Return);
    };
  }
  Act press_key(Qt::Key key) {
    return [key](Handle) { user_key(key); };
  }

  void expect_answers_used() {
    EXPECT_TRUE(pending_acts.empty());
    EXPECT_TRUE(errors.empty()) << errors.front();
  }

  // The file quelvara-synth writes for the same text and database.
  std::string synthesized(const std::vector<std::string>& mode, const std::string& texto) {
    std::vector<std::string> args = mode;
    args.insert(args.end(), {"-o", "referencia.wav", texto});
    const auto run = quelvara::testing::run_program(QUELVARA_SYNTH, args, {}, folder());
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string bytes = read_bytes(folder() / "referencia.wav");
    fs::remove(folder() / "referencia.wav");
    EXPECT_GT(bytes.size(), 44u);
    return bytes;
  }

  Handle main = 0;
  std::deque<Act> pending_acts;
  QPointer<QTimer> answering;  // the timer of the current answers, gone with the test
};

TEST_F(QtEndToEndTest, GraficaThenSaveWritesTheSynthesizersFile) {
  ASSERT_TRUE(graphics::widget_of(main)->isVisible());
  EXPECT_EQ(graphics::widget_of(main)->windowTitle(), "Quelvara");
  EXPECT_FALSE(widget<QPushButton>(object(main, "botao_gravar"))->isEnabled());
  type("_pa_.");
  choose("Gráfica");
  ASSERT_TRUE(widget<QPushButton>(object(main, "botao_gravar"))->isEnabled());
  then({answer("voz")});
  click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--grafica"}, "_pa_."));
  EXPECT_TRUE(messages.empty());
}

TEST_F(QtEndToEndTest, AFactorOutOfRangeIsAskedAgainAndTheAcceptedOneIsUsed) {
  type("_papa_.");
  then({answer("0.3"), read_message(), answer("1.5")});
  choose("Factor");
  EXPECT_EQ(messages, std::vector<std::string>{"Introduza um valor entre 0.5 e 2"});
  then({answer("voz")});
  click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--factor", "1.5"}, "_papa_."));
}

TEST_F(QtEndToEndTest, APickBeforeAnyTextAndAMissingUnitOnlyShowTheirMessages) {
  then({read_message()});
  choose("Gráfica");
  EXPECT_EQ(messages, std::vector<std::string>{"Não activou a caixa de texto"});
  EXPECT_TRUE(framework::guidata(Value(main)).record().get("click").is_text("off"));
  EXPECT_FALSE(widget<QPushButton>(object(main, "botao_ouvir"))->isEnabled());

  type("_pi_.");
  const auto orig = framework::guidata(Value(main)).record().get("orig").array();
  then({read_message()});
  type("_pe_.");
  EXPECT_EQ(messages.back(), "Inseriu um difone que não existe na Base de Dados");
  EXPECT_EQ(framework::guidata(Value(main)).record().get("orig").array(), orig);
  expect_answers_used();
}

TEST_F(QtEndToEndTest, CancelAndFalseWriteNothingAndASecondSaveOverwrites) {
  type("_pa_.");
  choose("Gráfica");
  then({cancel()});
  click(main, "botao_gravar");
  then({answer("false")});
  click(main, "botao_gravar");
  for (const auto& e : fs::directory_iterator(folder())) EXPECT_NE(e.path().extension(), ".wav") << e.path();

  then({answer("voz")});
  click(main, "botao_gravar");
  const std::string grafica = read_bytes(folder() / "voz.wav");
  type("_papa_!");
  choose("Gráfica");
  then({answer("voz")});
  click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_NE(read_bytes(folder() / "voz.wav"), grafica);
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--grafica"}, "_papa_!"));
}

TEST_F(QtEndToEndTest, CreditsAndChartOpenOnceShowTheirPicturesAndCloseAlone) {
  click(main, "botao_creditos");
  click(main, "botao_creditos");
  click(main, "sampa");
  click(main, "sampa");
  ASSERT_EQ(graphics::figures().size(), 3u);
  const Handle credits = *window("creditos");
  const Handle chart = *window("sampa");
  EXPECT_TRUE(graphics::widget_of(credits)->isVisible());
  EXPECT_TRUE(graphics::widget_of(chart)->isVisible());

  // What the chart's area shows is the picture file, scaled to the area.
  QWidget* area = graphics::widget_of(object(chart, "img_sampa"));
  const QImage shown = area->grab().toImage().convertToFormat(QImage::Format_RGB888);
  const QImage file = QImage(QString::fromStdString((folder() / "sampa.jpg").string()))
                          .scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_RGB888);
  ASSERT_EQ(shown.size() / shown.devicePixelRatio(), area->size());
  int differing = 0;
  for (int y = 0; y < file.height(); y += 7)
    for (int x = 0; x < file.width(); x += 7)
      if (std::abs(qRed(shown.pixel(x, y)) - qRed(file.pixel(x, y))) > 8) ++differing;
  EXPECT_EQ(differing, 0);

  click(credits, "ok");
  EXPECT_FALSE(graphics::ishandle(credits));
  EXPECT_TRUE(graphics::ishandle(chart));
  click(chart, "ok");
  EXPECT_FALSE(graphics::ishandle(chart));
  EXPECT_TRUE(graphics::widget_of(main)->isVisible());
  EXPECT_TRUE(errors.empty());
}

TEST_F(QtEndToEndTest, LeavingEndsTheWaitOnlyWhenTheLastWindowIsGone) {
  click(main, "botao_creditos");
  const Handle credits = *window("creditos");
  click(main, "botao_sair");
  EXPECT_FALSE(graphics::ishandle(main));
  ASSERT_TRUE(graphics::ishandle(credits));
  // The user closes the credits by their frame while the program waits for its last window.
  QTimer::singleShot(0, [&] { graphics::widget_of(credits)->close(); });
  graphics::wait_until_no_windows();
  EXPECT_TRUE(graphics::figures().empty());
  main = 0;
}

// A default ALSA device of the test's own: a file plugin behind a conversion to 16-bit mono at
// 22050 Hz, so that what is played can be read back without a sound card.
class AlsaDevice {
 public:
  explicit AlsaDevice(const fs::path& folder, bool working = true) : capture_(folder / "tocado.raw") {
    if (const char* old = std::getenv("ALSA_CONFIG_PATH")) old_ = old;
    const fs::path conf = folder / "asound.conf";
    std::ofstream out(conf);
    if (working)
      out << "pcm.!default {\n  type plug\n  slave {\n    pcm { type file slave.pcm { type null } file \""
          << capture_.string() << "\" format \"raw\" }\n    format S16_LE\n    channels 1\n    rate 22050\n  }\n}\n";
    else
      out << "pcm.!default { type hw card 99 }\n";
    setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
  }
  ~AlsaDevice() {
    if (old_.empty()) unsetenv("ALSA_CONFIG_PATH");
    else setenv("ALSA_CONFIG_PATH", old_.c_str(), 1);
  }
  std::vector<double> played() const {
    std::ifstream in(capture_, std::ios::binary);
    std::vector<double> samples;
    unsigned char b[2];
    while (in.read(reinterpret_cast<char*>(b), 2)) samples.push_back(static_cast<std::int16_t>(b[0] | (b[1] << 8)) / 32768.0);
    return samples;
  }

 private:
  fs::path capture_;
  std::string old_;
};

TEST_F(QtEndToEndTest, ThePlayButtonsSamplesReachTheAudioDevice) {
  AlsaDevice device(folder());
  type("_pa_.");
  choose("Gráfica");
  click(main, "botao_ouvir");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const auto sinal = framework::guidata(Value(main)).record().get("sinal").array().data();
  const auto played = device.played();
  ASSERT_EQ(played.size(), sinal.size());
  for (std::size_t n = 0; n < sinal.size(); ++n)
    ASSERT_NEAR(played[n], std::clamp(sinal[n], -1.0, 1.0), 1.0 / 32768) << "sample " << n;
}

TEST_F(QtEndToEndTest, WithoutAnAudioDeviceThePlaySaysSoInPortugueseAndTheSignalCanStillBeSaved) {
  AlsaDevice device(folder(), false);
  std::string console;
  const auto old = runtime::install_print_handler([&](std::string_view text) { console += text; });
  install_callback_error_report();
  type("_pa_.");
  choose("Gráfica");
  then({read_message()});
  click(main, "botao_ouvir");
  runtime::install_print_handler(old);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Não foi encontrado nenhum dispositivo de saída de áudio"), std::string::npos);
  EXPECT_NE(messages[0].find("Gravar"), std::string::npos);
  EXPECT_EQ(console, "");  // an expected state of the machine, not a fault to report

  // The analysis window has no Gravar: there the advice names its own Exportar.
  click(main, "botao_analise");
  const auto analysis = window("analise");
  ASSERT_TRUE(analysis);
  then({read_message()});
  click(*analysis, "ouvir_sinal");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("Exportar"), std::string::npos) << messages[1];
  EXPECT_EQ(messages[1].find("Gravar"), std::string::npos) << messages[1];

  then({answer("voz")});
  click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_TRUE(fs::exists(folder() / "voz.wav"));
}

// The analysis window as a student uses it: opened after a Gráfica run, zoomed with the wheel,
// a stretch selected and played, both signals exported; a new text is drawn at once.
TEST_F(QtEndToEndTest, TheAnalysisWindowZoomsSelectsPlaysTheSelectionAndExports) {
  AlsaDevice device(folder());
  install_analysis_view();
  EXPECT_FALSE(widget<QPushButton>(object(main, "botao_analise"))->isEnabled());
  type("_papa_.");
  choose("Gráfica");
  ASSERT_TRUE(widget<QPushButton>(object(main, "botao_analise"))->isEnabled());
  click(main, "botao_analise");
  const auto analysis = window("analise");
  ASSERT_TRUE(analysis);
  EXPECT_EQ(graphics::widget_of(*analysis)->windowTitle(), "Análise");
  AnalysisCanvas* canvas = analysis_canvas_of(object(*analysis, "grafico"));
  ASSERT_NE(canvas, nullptr);
  ASSERT_TRUE(canvas->isVisible());
  ASSERT_TRUE(canvas->snapshot() && canvas->snapshot()->result);
  const auto sinal = framework::guidata(Value(main)).record().get("sinal").array().data();
  EXPECT_EQ(canvas->snapshot()->result->sinal, sinal);

  // Three notches of the wheel in the middle of the picture.
  const double whole = canvas->view_end() - canvas->view_start();
  const auto layout = canvas->layout();
  const QPointF middle(layout.orig.left + layout.orig.width / 2, layout.sinal.middle());
  QWheelEvent turn(middle, canvas->mapToGlobal(middle), QPoint(), QPoint(0, 360), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &turn);
  EXPECT_NEAR(canvas->view_end() - canvas->view_start(), whole * 0.512, 1e-9);

  // A drag across the result, then its play button: the selected samples reach the device.
  const int y = static_cast<int>(canvas->layout().sinal.middle());
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(150, y));
  QTest::mouseMove(canvas, QPoint(650, y));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(650, y));
  ASSERT_TRUE(canvas->selection());
  click(*analysis, "ouvir_sinal");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const auto from = static_cast<std::size_t>(std::lround(canvas->selection()->first * 22050));
  const auto to = static_cast<std::size_t>(std::lround(canvas->selection()->second * 22050));
  ASSERT_LT(from, to);
  ASSERT_LE(to, sinal.size());
  const auto played = device.played();
  ASSERT_EQ(played.size(), to - from);
  for (std::size_t n = 0; n < played.size(); ++n)
    ASSERT_NEAR(played[n], std::clamp(sinal[from + n], -1.0, 1.0), 1.0 / 32768) << "sample " << n;

  graphics::set_file_chooser(nullptr);  // the toolkit's chooser is driven in the desktop session
  graphics::queue_file_answer("estudo");
  then({read_message()});
  click(*analysis, "exportar");
  expect_answers_used();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("estudo-sinal.wav"), std::string::npos) << messages[0];
  EXPECT_EQ(read_bytes(folder() / "estudo-sinal.wav"), synthesized({"--grafica"}, "_papa_."));
  for (const char* name : {"estudo-orig.wav", "estudo-orig.TextGrid", "estudo-sinal.TextGrid"})
    EXPECT_TRUE(fs::exists(folder() / name)) << name;

  // The picture for slides: PNG at twice its size, SVG with its texts.
  graphics::queue_file_answer("estudo.png");
  click(*analysis, "guardar_imagem");
  graphics::queue_file_answer("estudo.SVG");
  click(*analysis, "guardar_imagem");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const QImage png((folder() / "estudo.png").c_str());
  EXPECT_EQ(png.size(), canvas->plot_size() * 2);
  const std::string svg = read_bytes(folder() / "estudo.SVG");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("resultado"), std::string::npos);

  // A new text redraws the open window; its result comes with the next intonation run.
  type("_pa_.");
  ASSERT_TRUE(canvas->snapshot());
  EXPECT_EQ(canvas->snapshot()->difones, (std::vector<std::string>{"_p", "pa", "a_"}));
  EXPECT_FALSE(canvas->snapshot()->result);
  choose("Gráfica");
  EXPECT_TRUE(canvas->snapshot()->result);
  EXPECT_DOUBLE_EQ(canvas->view_start(), 0);  // another length: the whole is shown again
}

// The dialogs and message boxes are modal: while one waits, nothing the user does to the main
// window reaches it, and the state stays consistent.
TEST_F(QtEndToEndTest, WhileTheFactorDialogWaitsNeitherAPickNorANewTextReachTheMainWindow) {
  type("_papa_.");
  const Value analysed = record(main);
  std::size_t windows_while_waiting = 0;
  then({[&](Handle dialog) {
    user_click(main, "tipo_variacao");  // Factor again
    user_click(main, "texto");
    user_type("_pa_.", main);  // a new text aimed at the main window
    user_key(Qt::Key_Return, main);
    user_click(main, "botao_creditos");
    windows_while_waiting = graphics::figures().size();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), graphics::widget_of(dialog));
    type_and_enter("1.5")(dialog);
  }});
  choose("Factor");
  expect_answers_used();
  EXPECT_EQ(windows_while_waiting, 2u);  // the main window and the one dialog
  const Value after = record(main);
  EXPECT_EQ(graphics::get_text(object(main, "texto"), "String"), "_papa_.");
  EXPECT_EQ(after.record().get("orig").array(), analysed.record().get("orig").array());
  ASSERT_TRUE(after.record().has("sinal"));
  EXPECT_TRUE(widget<QPushButton>(object(main, "botao_gravar"))->isEnabled());
  then({type_and_enter("voz")});
  user_click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--factor", "1.5"}, "_papa_."));
}

TEST_F(QtEndToEndTest, WhileTheSaveDialogWaitsTheMainWindowsButtonsDoNothing) {
  type("_pa_.");
  choose("Gráfica");
  then({[&](Handle dialog) {
    user_click(main, "botao_creditos");
    user_click(main, "botao_sair");
    user_click(main, "botao_gravar");
    EXPECT_EQ(graphics::figures(), (std::vector<Handle>{main, dialog}));
    type_and_enter("voz")(dialog);
  }});
  user_click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_EQ(graphics::figures(), std::vector<Handle>{main});
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--grafica"}, "_pa_."));
}

// The whole road from the keyboard: Enter answers a dialog or closes a message box, Escape
// cancels, and the factor box's text is replaced by what is typed.
TEST_F(QtEndToEndTest, EnterAndEscapeAnswerTheDialogsAndCloseTheMessages) {
  ASSERT_TRUE(becomes_active(main));
  user_type("_papa_.");  // the text box has the focus from the start
  user_key(Qt::Key_Return);
  user_key(Qt::Key_Tab);  // to the intonation list
  user_key(Qt::Key_Down);  // Gráfica
  ASSERT_TRUE(record(main).record().has("sinal"));
  then({type_and_enter("frase")});
  user_click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_EQ(read_bytes(folder() / "frase.wav"), synthesized({"--grafica"}, "_papa_."));

  then({type_and_enter("0.3"), read_message(), type_and_enter("1.5")});
  choose("Factor");
  expect_answers_used();
  EXPECT_EQ(messages, std::vector<std::string>{"Introduza um valor entre 0.5 e 2"});
  then({type_and_enter("factor")});
  user_click(main, "botao_gravar");
  EXPECT_EQ(read_bytes(folder() / "factor.wav"), synthesized({"--factor", "1.5"}, "_papa_."));

  const auto sinal = record(main).record().get("sinal").array();
  then({press_key(Qt::Key_Escape)});
  choose("Factor");  // cancelled: the signal stays
  EXPECT_EQ(record(main).record().get("sinal").array(), sinal);
  then({[&](Handle dialog) {
    user_type("perdido");
    user_key(Qt::Key_Escape);
    EXPECT_FALSE(graphics::ishandle(dialog) && graphics::is_waiting(dialog));
  }});
  user_click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_FALSE(fs::exists(folder() / "perdido.wav"));

  // A message box closes with Enter.
  then({press_key(Qt::Key_Return)});
  confirm_text(main, "_pe_.");
  expect_answers_used();
  EXPECT_EQ(graphics::figures(), std::vector<Handle>{main});
}

TEST_F(QtEndToEndTest, TheMainWindowHasAFixedSize) {
  QWidget* w = graphics::widget_of(main);
  const graphics::Rect r = graphics::pixel_position(main);
  EXPECT_EQ(w->minimumSize(), QSize(static_cast<int>(r.width), static_cast<int>(r.height)));
  EXPECT_EQ(w->maximumSize(), w->minimumSize());
  EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
}

// A credits window whose picture is missing stays loaded but hidden; leaving still ends with
// the last shown window.
TEST_F(QtEndToEndTest, WithoutTheCreditsPictureLeavingStillEndsTheProgram) {
  fs::remove(folder() / "fig_tts.jpg");
  std::string console;
  const auto old = runtime::install_print_handler([&](std::string_view text) { console += text; });
  install_callback_error_report();
  user_click(main, "botao_creditos");
  runtime::install_print_handler(old);
  EXPECT_NE(console.find("fig_tts.jpg"), std::string::npos);  // a fault of the installation: reported
  const auto box = window("msgbox");
  ASSERT_TRUE(box);
  ASSERT_TRUE(becomes_active(*box));
  user_key(Qt::Key_Return);
  EXPECT_FALSE(graphics::ishandle(*box));
  ASSERT_EQ(graphics::figures().size(), 2u);  // the main window and the hidden credits window
  user_click(main, "botao_sair");
  EXPECT_TRUE(graphics::figures().empty());
  graphics::wait_until_no_windows();  // returns at once
  main = 0;
}

}  // namespace
}  // namespace quelvara::windows::testing

namespace quelvara::windows::testing {
namespace {

// The Portuguese text box and its button, on real widgets.
class SpeltTextTest : public QtEndToEndTest {
 protected:
  std::string sampa_box() { return widget<QLineEdit>(object(main, "texto"))->text().toStdString(); }
};

TEST_F(SpeltTextTest, TranscribedTextIsAnalysedAndSavedAsTheSynthesizerDoes) {
  // The transcription needs the units of the default database.
  const fs::path database = fs::path(QUELVARA_APP_DIR) / "bd";
  if (!fs::exists(fs::path(QUELVARA_APP_DIR) / "bd-index.txt")) GTEST_SKIP() << "the build made no default database";
  fs::remove_all(folder() / "bd");
  fs::create_directory_symlink(database, folder() / "bd");

  type_spelling("Bom dia, Lisboa!");
  click(main, "botao_transcrever");
  EXPECT_EQ(sampa_box(), "_\"bo~\"di6_liZ\"bo6_!");
  EXPECT_EQ(widget<QLineEdit>(object(main, "texto_pt"))->text().toStdString(), "Bom dia, Lisboa!");
  const Value analysed = framework::guidata(Value(main));
  EXPECT_TRUE(analysed.record().get("click").is_text("on"));
  EXPECT_TRUE(analysed.record().get("pontuacao").is_text("!"));
  choose("Gráfica");
  then({answer("voz")});
  click(main, "botao_gravar");
  expect_answers_used();
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), synthesized({"--grafica"}, "_bo~di6_liZbo6_!"));
}

TEST_F(SpeltTextTest, ATextThatCannotBeTranscribedOnlyShowsWhy) {
  type("_pa_.");
  const Value before = framework::guidata(Value(main));
  then({read_message(), read_message(), read_message()});
  click(main, "botao_transcrever");  // empty
  type_spelling(" ... ");
  click(main, "botao_transcrever");
  type_spelling("pá # pá");
  click(main, "botao_transcrever");
  expect_answers_used();
  EXPECT_EQ(messages, (std::vector<std::string>{"Escreva um texto em português para transcrever.",
                                                "O texto não tem palavras para transcrever.",
                                                "Não é possível transcrever «#» (posição 4)."}));
  EXPECT_EQ(sampa_box(), "_pa_.");
  const Value after = framework::guidata(Value(main));
  EXPECT_EQ(after.record().get("orig").array(), before.record().get("orig").array());
  EXPECT_TRUE(after.record().get("click").is_text("on"));
}

TEST_F(SpeltTextTest, TheSampaStaysEditableAndAMissingUnitIsReportedAsForTypedSampa) {
  type_spelling("Pá!");
  click(main, "botao_transcrever");
  EXPECT_EQ(sampa_box(), "_\"pa_!");
  EXPECT_TRUE(framework::guidata(Value(main)).record().get("pontuacao").is_text("!"));
  // The student corrects the transcription and confirms it as usual.
  type("_pi_.");
  EXPECT_TRUE(framework::guidata(Value(main)).record().get("pontuacao").is_text("."));
  // A transcription whose units the database lacks gets the database's message.
  then({read_message()});
  type_spelling("Sol");
  click(main, "botao_transcrever");
  expect_answers_used();
  EXPECT_EQ(messages, std::vector<std::string>{"Inseriu um difone que não existe na Base de Dados"});
  EXPECT_EQ(sampa_box(), "_\"sOl~_");
}

}  // namespace
}  // namespace quelvara::windows::testing
