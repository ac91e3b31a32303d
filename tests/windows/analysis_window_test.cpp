// The analysis window and the record fields it reads, headless: what the analysis and the
// intonation runs add, the snapshot read back, the window's single instance, play and export.
#include "app_fixture.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "graphics/file_chooser.h"
#include "inspection/record_of_run.h"
#include "road/road.h"
#include "runtime/function_registry.h"
#include "runtime/mat_file.h"
#include "transcription/donor_front_end.h"
#include "windows/analysis_record.h"

namespace quelvara::windows::testing {
namespace {

namespace fs = std::filesystem;

class AnalysisWindowTest : public AppFolderTest {
 protected:
  void SetUp() override {
    AppFolderTest::SetUp();
    // What the play buttons hand to the playback routine.
    runtime::define_function("wavplay", [this](int, std::vector<Value> args) {
      played.push_back(args.at(0).array().data());
      return std::vector<Value>{};
    });
    main = open_main();
  }
  std::vector<std::string> names(const Value& record) const { return record.record().names(); }
  Handle main = 0;
  std::vector<std::vector<double>> played;
};

TEST_F(AnalysisWindowTest, TheAnalysisAddsTheDiphonesAndTheirLengthsAfterTheFieldsItStored) {
  EXPECT_EQ(graphics::get_text(object(main, "botao_analise"), "Enable"), "off");
  confirm_text(main, "_papa_.");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const Value h = record(main);
  const auto analysis = synthesis::analyse("_papa_.", runtime::read_unit_file, ".");
  ASSERT_TRUE(h.record().get("difones").is_cell());
  std::vector<std::string> difones;
  for (const Value& d : h.record().get("difones").cell().items) difones.push_back(d.text());
  EXPECT_EQ(difones, (std::vector<std::string>{"_p", "pa", "ap", "pa", "a_"}));
  const auto& limdf = h.record().get("limdf").array().data();
  EXPECT_EQ(limdf, std::vector<double>(analysis.joined.limdf.begin(), analysis.joined.limdf.end()));
  // The new fields come after those that the analysis has always stored, in their order.
  const auto fields = names(h);
  const auto at = [&](const char* name) { return std::find(fields.begin(), fields.end(), name) - fields.begin(); };
  EXPECT_LT(at("click"), at("pontuacao"));
  EXPECT_LT(at("pontuacao"), at("pitch"));
  EXPECT_LT(at("vzmto"), at("orig"));
  EXPECT_LT(at("orig"), at("difones"));
  EXPECT_LT(at("difones"), at("limdf"));
  EXPECT_EQ(graphics::get_text(object(main, "botao_analise"), "Enable"), "on");
}

TEST_F(AnalysisWindowTest, TheIntonationRunAddsItsMarksAndTheResultBelongsToItsTextOnly) {
  confirm_text(main, "_papa_?");
  pick(main, "Gráfica");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const auto analysis = synthesis::analyse("_papa_?", runtime::read_unit_file, ".");
  const auto marks = inspection::planned_marks(analysis.joined.pitch.row(), analysis.joined.vzmto.row(), road::ContourMode{}, '?');
  auto s = snapshot_of_record(record(main));
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->result);
  EXPECT_EQ(s->result->mode, "Gráfica");
  EXPECT_EQ(s->result->pontuacao, '?');
  EXPECT_EQ(s->result->analysis_marks, marks.analysis);
  EXPECT_EQ(s->result->synthesis_marks, marks.synthesis);
  EXPECT_EQ(s->result->sinal, record(main).record().get("sinal").array().data());
  EXPECT_EQ(s->orig, analysis.joined.orig);
  EXPECT_EQ(s->pitch_marks, inspection::mark_positions(analysis.joined.pitch.row()));

  // A new text keeps the old sinal in the record, but it is not shown with the new text.
  confirm_text(main, "_pa_.");
  s = snapshot_of_record(record(main));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->difones, (std::vector<std::string>{"_p", "pa", "a_"}));
  EXPECT_FALSE(s->result);
  then_answer("val_factor", "1.5");
  pick(main, "Factor");
  s = snapshot_of_record(record(main));
  ASSERT_TRUE(s && s->result);
  EXPECT_EQ(s->result->mode, "Factor");
  EXPECT_DOUBLE_EQ(s->result->factor, 1.5);
}

TEST_F(AnalysisWindowTest, ARecordWithoutAnAnalysisOrWithBrokenRowsGivesNoSnapshot) {
  EXPECT_FALSE(snapshot_of_record(record(main)));
  confirm_text(main, "_pa_.");
  Value h = record(main);
  ASSERT_TRUE(snapshot_of_record(h));
  h.record().set("limdf", Value(runtime::Array::row({1, 2})));
  EXPECT_FALSE(snapshot_of_record(h));
  h = record(main);
  h.record().set("limdf", Value(runtime::Array::row({-1, 2, 3})));
  EXPECT_FALSE(snapshot_of_record(h));
  h = record(main);
  h.record().set("difones", Value("_pa_"));
  EXPECT_FALSE(snapshot_of_record(h));
}

TEST_F(AnalysisWindowTest, OpensOnceAndPlaysEitherSignalWholeWithoutASelection) {
  confirm_text(main, "_pa_.");
  pick(main, "Gráfica");
  press(main, "botao_analise");
  press(main, "botao_analise");
  ASSERT_TRUE(errors.empty()) << errors.front();
  std::size_t count = 0;
  for (Handle f : graphics::figures()) count += graphics::get_text(f, "Tag") == "analise";
  EXPECT_EQ(count, 1u);
  const Handle analysis = *window("analise");
  EXPECT_EQ(graphics::get_text(analysis, "Name"), "Análise");
  press(analysis, "ouvir_orig");
  press(analysis, "ouvir_sinal");
  ASSERT_EQ(played.size(), 2u);
  EXPECT_EQ(played[0], record(main).record().get("orig").array().data());
  EXPECT_EQ(played[1], record(main).record().get("sinal").array().data());
  press(analysis, "fechar");
  EXPECT_FALSE(window("analise"));
  EXPECT_TRUE(graphics::ishandle(main));
}

// Comparar speaks the Portuguese spelling that the analysed text was transcribed from; a text
// typed or changed in SAMPA has none.
TEST_F(AnalysisWindowTest, ComparePlaysTheDonorsSpeechOfTheTranscribedSpellingOnly) {
  graphics::set(object(main, "texto_pt"), "String", Value("pá"));
  press(main, "botao_transcrever");
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_EQ(graphics::get_text(object(main, "texto"), "String"), "_\"pa_");
  press(main, "botao_analise");
  const Handle analysis = *window("analise");
  EXPECT_EQ(graphics::get_text(object(analysis, "comparar"), "Enable"), "on");
  press(analysis, "comparar");
  ASSERT_EQ(played.size(), 1u);
  // The donor's noise sources differ from run to run; its timing does not.
  const auto donor = transcription::donor_speech("pá");
  ASSERT_TRUE(donor && !donor->empty());
  EXPECT_NEAR(static_cast<double>(played[0].size()), static_cast<double>(donor->size()), 0.02 * static_cast<double>(donor->size()));
  EXPECT_GT(*std::max_element(played[0].begin(), played[0].end()), 0.05);

  confirm_text(main, "_pi_.");
  EXPECT_EQ(graphics::get_text(object(analysis, "comparar"), "Enable"), "off");
  then_close_message();
  press(analysis, "comparar");
  EXPECT_EQ(played.size(), 1u);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// The analysis window belongs to the main window: Sair or the frame's close takes both, so
// that the program ends; the credits window stays as it always has.
TEST_F(AnalysisWindowTest, ClosingTheMainWindowClosesTheAnalysisWindowToo) {
  confirm_text(main, "_pa_.");
  press(main, "botao_analise");
  press(main, "botao_creditos");
  ASSERT_TRUE(window("analise"));
  press(main, "botao_sair");
  EXPECT_FALSE(window("analise"));
  EXPECT_FALSE(graphics::ishandle(main));
  EXPECT_TRUE(window("creditos"));

  main = open_main();
  confirm_text(main, "_pa_.");
  press(main, "botao_analise");
  graphics::close(main);
  EXPECT_FALSE(window("analise"));
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(AnalysisWindowTest, ExportWritesTheFilesChosenListsThemAndWritesNothingOnCancel) {
  confirm_text(main, "_papa_.");
  pick(main, "Gráfica");
  press(main, "botao_analise");
  const Handle analysis = *window("analise");
  graphics::queue_file_answer(std::nullopt);
  press(analysis, "exportar");
  ASSERT_EQ(graphics::file_questions_asked().size(), 1u);
  EXPECT_EQ(graphics::file_questions_asked()[0].kind, graphics::FileQuestion::Kind::save);
  for (const auto& e : fs::directory_iterator(folder())) EXPECT_NE(e.path().extension(), ".TextGrid");

  fs::create_directory(folder() / "aula");
  graphics::queue_file_answer((folder() / "aula" / "analise.TextGrid").string());
  then_close_message();
  press(analysis, "exportar");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const std::vector<std::string> names = {"analise-orig.wav", "analise-orig.TextGrid", "analise-sinal.wav",
                                          "analise-sinal.TextGrid"};
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find((folder() / "aula").string()), std::string::npos) << messages[0];
  for (const auto& name : names) {
    EXPECT_TRUE(fs::exists(folder() / "aula" / name)) << name;
    EXPECT_NE(messages[0].find(name), std::string::npos) << messages[0];
  }
  const std::string grid = read_bytes(folder() / "aula" / "analise-orig.TextGrid");
  EXPECT_NE(grid.find("intervals: size = 5 "), std::string::npos);  // five diphones

  // A folder that does not exist: the user is told, nothing is written.
  graphics::queue_file_answer((folder() / "nada" / "analise").string());
  then_close_message();
  press(analysis, "exportar");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_NE(messages[1].find("Não foi possível exportar"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder() / "nada"));
}

}  // namespace
}  // namespace quelvara::windows::testing
