// Editing the result's prosody from the analysis window, headless: the edits the picture hands
// over run again on the main window's record, undo, redo and Repor walk their history, and the
// prosody saved from the window gives quelvara-synth the bytes that Gravar writes.
#include <fstream>

#include "app_fixture.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/file_chooser.h"
#include "support/run_program.h"
#include "windows/analysis_display.h"

namespace quelvara::windows::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ProsodyEdit::Kind;

// Keeps what the window shows for editing and the handler it hands over, as a picture would.
class EditingDisplay : public AnalysisDisplay {
 public:
  void show(Handle, std::shared_ptr<const inspection::Snapshot>) override {}
  void set_options(Handle, const ViewOptions&) override {}
  void set_editing(Handle, std::optional<EditableProsody> prosody, ProsodyEditHandler on_edit) override {
    shown = std::move(prosody);
    handler = std::move(on_edit);
  }
  void show_everything(Handle) override {}
  std::optional<TimeSelection> selection(Handle) const override { return std::nullopt; }
  std::string save_picture(Handle, const std::string&) const override { return {}; }

  std::optional<EditableProsody> shown;
  ProsodyEditHandler handler;
};

class ProsodyEditingTest : public AppFolderTest {
 protected:
  void SetUp() override {
    AppFolderTest::SetUp();
    set_analysis_display(&display);
    main = open_main();
  }
  void TearDown() override {
    AppFolderTest::TearDown();
    set_analysis_display(nullptr);
  }
  // The analysis window opened on text in mode, with Editar prosódia on.
  Handle edit(const std::string& text, const std::string& mode) {
    confirm_text(main, text);
    pick(main, mode);
    press(main, "botao_analise");
    const Handle analysis = *window("analise");
    graphics::set(object(analysis, "editar"), "Value", Value(1.0));
    press(analysis, "editar");
    return analysis;
  }
  void ask(const ProsodyEdit& e) {
    ASSERT_TRUE(display.handler) << "nothing is being edited";
    display.handler(e);
  }
  std::vector<double> sinal() const { return record(main).record().get("sinal").array().data(); }
  std::string mode_shown() const { return record(main).record().get("entoacao").record().get("modo").text(); }
  std::string enable(Handle analysis, const std::string& tag) const {
    return graphics::get_text(object(analysis, tag), "Enable");
  }
  // Gravar's file and quelvara-synth's for the same prosody files.
  void expect_synth_gives_gravar(const std::vector<std::string>& args, const std::string& name) {
    then_answer("gravar", name);
    press(main, "botao_gravar");
    std::vector<std::string> all = args;
    all.insert(all.end(), {"-o", "synth-" + name + ".wav"});
    const auto run = quelvara::testing::run_program(QUELVARA_SYNTH, all, "", folder());
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string gravar = read_bytes(folder() / (name + ".wav"));
    EXPECT_GT(gravar.size(), 44u);
    EXPECT_TRUE(gravar == read_bytes(folder() / ("synth-" + name + ".wav"))) << name;
  }

  EditingDisplay display;
  Handle main = 0;
};

TEST_F(ProsodyEditingTest, EditsRunAgainOnTheRecordAndUndoRedoAndReporWalkTheirHistory) {
  const Handle analysis = edit("_papa_.", "Natural");
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_TRUE(display.shown);
  ASSERT_GE(display.shown->points.size(), 2u);
  ASSERT_EQ(display.shown->phones.size(), 6u);
  EXPECT_EQ(enable(analysis, "repor"), "off");
  const auto plan = sinal();
  const auto first = display.shown->points[0];

  // Beyond the bounds, the point stops at 600 Hz and a phone at 10 ms.
  ask({Kind::move_point, 0, 0, 5000});
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_DOUBLE_EQ(display.shown->points[0].hz, 600);
  EXPECT_DOUBLE_EQ(display.shown->points[0].time, first.time);
  EXPECT_EQ(mode_shown(), "Prosódia editada");
  EXPECT_EQ(enable(analysis, "repor"), "on");
  const auto raised = sinal();
  EXPECT_NE(raised, plan);
  const auto& p = display.shown->phones[1];
  ask({Kind::move_phone_end, 1, p.start, 0});
  EXPECT_NEAR(display.shown->phones[1].end - display.shown->phones[1].start, 0.010, 1e-9);
  const auto shortened = sinal();
  EXPECT_LT(shortened.size(), raised.size());

  ask({Kind::undo});
  EXPECT_EQ(sinal(), raised);
  ask({Kind::undo});
  EXPECT_EQ(sinal(), plan);
  EXPECT_EQ(mode_shown(), "Natural");
  ask({Kind::redo});
  EXPECT_EQ(sinal(), raised);
  press(analysis, "repor");
  EXPECT_EQ(sinal(), plan);
  EXPECT_EQ(enable(analysis, "repor"), "off");
  ask({Kind::undo});  // Repor is a step like any other
  EXPECT_EQ(sinal(), raised);

  // A new intonation is a new result: its own plan, with nothing to undo.
  pick(main, "Gráfica");
  const auto grafica = sinal();
  ask({Kind::undo});
  EXPECT_EQ(sinal(), grafica);
  ASSERT_TRUE(display.shown);
  ask({Kind::add_point, 0, display.shown->phones[2].start + 0.005, 90});
  EXPECT_NE(sinal(), grafica);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(ProsodyEditingTest, SavedProsodyGivesGravarsBytesAndABrokenFileChangesNothing) {
  const Handle analysis = edit("_papa_.", "Gráfica");
  ASSERT_TRUE(display.shown);
  ask({Kind::move_point, 1, 0, 160});
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(enable(analysis, "guardar_prosodia"), "on");

  graphics::queue_file_answer((folder() / "editada.pho").string());
  then_close_message();
  press(analysis, "guardar_prosodia");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("editada.pho"), std::string::npos) << messages[0];
  expect_synth_gives_gravar({"--pho", "editada.pho"}, "editada");

  graphics::queue_file_answer((folder() / "editada.PitchTier").string());
  then_close_message();
  press(analysis, "guardar_prosodia");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("editada.DurationTier"), std::string::npos) << messages[1];
  expect_synth_gives_gravar({"--pitch-tier", "editada.PitchTier", "--duration-tier", "editada.DurationTier", "_papa_."},
                            "tiers");

  // A broken file names itself and its line; the result stays as it was. A sound one applies.
  const auto edited = sinal();
  press(analysis, "repor");
  const auto plan = sinal();
  std::ofstream(folder() / "partida.pho") << "_ 50\np 80 50 x\n";
  graphics::queue_file_answer((folder() / "partida.pho").string());
  then_close_message();
  press(analysis, "abrir_prosodia");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_NE(messages[2].find("partida.pho"), std::string::npos) << messages[2];
  EXPECT_NE(messages[2].find("linha 2"), std::string::npos) << messages[2];
  EXPECT_EQ(sinal(), plan);
  graphics::queue_file_answer((folder() / "editada.pho").string());
  press(analysis, "abrir_prosodia");
  EXPECT_EQ(sinal(), edited);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

}  // namespace
}  // namespace quelvara::windows::testing
