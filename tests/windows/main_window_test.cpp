// The main window's callbacks, headless: the road from a confirmed text to sinal, the factor
// dialog loop, the messages, and what each step stores.
#include <cmath>

#include "app_fixture.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "road/road.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "runtime/mat_file.h"
#include "windows/analysis_record.h"

namespace quelvara::windows::testing {
namespace {

using runtime::Array;

std::vector<double> row(const Value& handles, const char* name) { return handles.record().get(name).array().data(); }

std::vector<double> expected_sinal(const std::string& texto, const road::Mode& mode) {
  return road::run_road(texto, mode, runtime::read_unit_file, ".").sinal;
}

class MainWindowTest : public AppFolderTest {
 protected:
  bool enabled(Handle main, const char* tag) { return graphics::get_text(object(main, tag), "Enable") == "on"; }
};

TEST_F(MainWindowTest, OpensCentredWithClickOffAndThePlayAndSaveButtonsDisabled) {
  const Handle main = open_main();
  EXPECT_EQ(graphics::figures().size(), 1u);
  EXPECT_EQ(graphics::get_text(main, "Name"), "Quelvara");
  const Value h = record(main);
  EXPECT_TRUE(h.record().get("click").is_text("off"));
  EXPECT_EQ(h.record().get("output").number(), main);
  const auto r = graphics::pixel_position(main);
  EXPECT_NEAR(r.left + r.width / 2, 640, 1);
  EXPECT_FALSE(enabled(main, "botao_ouvir"));
  EXPECT_FALSE(enabled(main, "botao_gravar"));
  const Value items = graphics::get(object(main, "tipo_variacao"), "String");
  ASSERT_TRUE(items.is_cell());
  ASSERT_EQ(items.cell().items.size(), 3u);
  EXPECT_TRUE(items.cell().items[0].is_text("Factor"));
  EXPECT_TRUE(items.cell().items[1].is_text("Gráfica"));
  EXPECT_TRUE(items.cell().items[2].is_text("Natural"));
}

TEST_F(MainWindowTest, ATextIsAnalysedAndStoredOnTheMainWindow) {
  const Handle main = open_main();
  graphics::set_pixel_position(main, {5, 5, graphics::pixel_position(main).width, graphics::pixel_position(main).height});
  confirm_text(main, "_pa_!");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const Value h = record(main);
  EXPECT_TRUE(h.record().get("click").is_text("on"));
  EXPECT_TRUE(h.record().get("pontuacao").is_text("!"));
  const auto analysis = synthesis::analyse("_pa_!", runtime::read_unit_file, ".");
  EXPECT_EQ(row(h, "orig"), analysis.joined.orig);
  EXPECT_EQ(row(h, "pitch"), analysis.joined.pitch.row());
  EXPECT_EQ(row(h, "vzmto"), analysis.joined.vzmto.row());
  EXPECT_FALSE(h.record().has("sinal"));
  // The re-entry centres the window over the window of the running callback: itself.
  EXPECT_EQ(graphics::pixel_position(main).left, 5);
}

TEST_F(MainWindowTest, GraficaMakesTheSameSignalAsTheCommandLineRoadAndEnablesPlayAndSave) {
  const Handle main = open_main();
  confirm_text(main, "_papa_?");
  pick(main, "Gráfica");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const Value h = record(main);
  EXPECT_EQ(row(h, "sinal"), expected_sinal("_papa_?", road::ContourMode{}));
  EXPECT_TRUE(h.record().get("click").is_text("on"));  // the callback's copy wins over the re-entry
  EXPECT_TRUE(enabled(main, "botao_ouvir"));
  EXPECT_TRUE(enabled(main, "botao_gravar"));

  // Again: every run starts from the stored analysis.
  pick(main, "Gráfica");
  EXPECT_EQ(row(record(main), "sinal"), row(h, "sinal"));
}

TEST_F(MainWindowTest, NaturalMakesTheSignalOfTheCommandLineRoadOnTheTextsStress) {
  const Handle main = open_main();
  confirm_text(main, "_p\"apa_?");
  pick(main, "Natural");
  ASSERT_TRUE(errors.empty()) << errors.front();
  const Value h = record(main);
  EXPECT_EQ(row(h, "sinal"), expected_sinal("_p\"apa_?", road::NaturalMode{}));
  EXPECT_NE(row(h, "sinal"), expected_sinal("_papa_?", road::NaturalMode{}));
  EXPECT_EQ(row(h, "acentos"), (std::vector<double>{0, 0, 2, 0, 0, 0}));
  const auto snapshot = snapshot_of_record(h);  // what the analysis window shows
  ASSERT_TRUE(snapshot && snapshot->result);
  EXPECT_FALSE(snapshot->result->planned_pitch.empty());
  EXPECT_TRUE(enabled(main, "botao_gravar"));
}

TEST_F(MainWindowTest, FactorOutOfRangeBringsTheMessageAndTheDialogBackUntilAnAcceptedValue) {
  const Handle main = open_main();
  confirm_text(main, "_pa_.");
  then_answer("val_factor", "0.3");
  then_close_message();
  then_answer("val_factor", "2.01");
  then_close_message();
  then_cancel("val_factor");  // after the message a cancel is no way out
  then_close_message();
  then_answer("val_factor", "1, 5");  // two numbers
  then_close_message();
  then_answer("val_factor", "um");  // no number
  then_close_message();
  then_answer("val_factor", "1.5");
  pick(main, "Factor");
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(messages, std::vector<std::string>(5, "Introduza um valor entre 0.5 e 2"));
  EXPECT_EQ(row(record(main), "sinal"), expected_sinal("_pa_.", road::FactorMode{1.5}));
  EXPECT_FALSE(window("val_factor"));  // every dialog was deleted after its answer
  EXPECT_EQ(graphics::pending_events(), 0u);
}

TEST_F(MainWindowTest, TheFactorIsReadWithADecimalCommaAsPortugueseIsWritten) {
  const Handle main = open_main();
  confirm_text(main, "_pi_.");
  for (const auto& [typed, factor] : std::vector<std::pair<const char*, double>>{{"1,5", 1.5}, {"0,75", 0.75}}) {
    then_answer("val_factor", typed);
    pick(main, "Factor");
    EXPECT_EQ(row(record(main), "sinal"), expected_sinal("_pi_.", road::FactorMode{factor})) << typed;
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(errors.empty());
}

// The status line says whose result Ouvir and Gravar would use, through every step.
TEST_F(MainWindowTest, TheStatusLineSaysWhetherTheResultBelongsToTheTextShown) {
  const Handle main = open_main();
  const auto status = [&] { return graphics::get_text(object(main, "estado"), "String"); };
  EXPECT_EQ(status(), "Escreva um texto e confirme-o com Enter.");
  confirm_text(main, "_pa_.");
  EXPECT_EQ(status(), "Texto analisado: escolha a entoação.");
  then_answer("val_factor", "1,5");
  pick(main, "Factor");
  EXPECT_EQ(status(), "O resultado é deste texto (Factor 1,50): Ouvir e Gravar usam-no.");
  confirm_text(main, "_pa_?");  // the same diphones, another contour
  EXPECT_EQ(status(), "o resultado é do texto anterior: escolha a entoação");
  pick(main, "Gráfica");
  EXPECT_EQ(status(), "O resultado é deste texto (Gráfica): Ouvir e Gravar usam-no.");
  then_close_message();
  confirm_text(main, "_pe_.");
  EXPECT_EQ(status(), "O texto mostrado não foi analisado: Ouvir e Gravar usam o resultado anterior.");
  EXPECT_TRUE(errors.empty()) << errors.front();
}

TEST_F(MainWindowTest, FactorBoundsAreAccepted) {
  const Handle main = open_main();
  confirm_text(main, "_pi_.");
  for (const char* factor : {"0.5", "2"}) {
    then_answer("val_factor", factor);
    pick(main, "Factor");
    EXPECT_EQ(row(record(main), "sinal"), expected_sinal("_pi_.", road::FactorMode{std::stod(factor)}));
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, CancellingTheFirstFactorDialogKeepsTheEarlierSignal) {
  const Handle main = open_main();
  confirm_text(main, "_pa_.");
  // No signal yet: nothing to play or save, the buttons stay off.
  then_cancel("val_factor");
  pick(main, "Factor");
  EXPECT_FALSE(record(main).record().has("sinal"));
  EXPECT_FALSE(enabled(main, "botao_ouvir"));

  pick(main, "Gráfica");
  const auto sinal = row(record(main), "sinal");
  then_cancel("val_factor");
  pick(main, "Factor");
  EXPECT_EQ(row(record(main), "sinal"), sinal);
  EXPECT_TRUE(enabled(main, "botao_ouvir"));
  EXPECT_TRUE(messages.empty());

  // Closing the dialog by its frame is a cancel as well.
  then_close_window("val_factor");
  pick(main, "Factor");
  EXPECT_EQ(row(record(main), "sinal"), sinal);
  EXPECT_FALSE(window("val_factor"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, AMissingUnitOrAnUnknownPhoneShowsTheMessageAndStoresNothing) {
  const Handle main = open_main();
  confirm_text(main, "_pa_.");
  pick(main, "Gráfica");
  const Value before = record(main);
  for (const char* text : {"_pe_.", "_px_.", "_pa?a_"}) {
    then_close_message();
    confirm_text(main, text);
  }
  EXPECT_EQ(messages, std::vector<std::string>(3, "Inseriu um difone que não existe na Base de Dados"));
  const Value after = record(main);
  EXPECT_EQ(after.record().names(), before.record().names());
  EXPECT_TRUE(after.record().get("pontuacao").is_text("."));
  EXPECT_EQ(row(after, "orig"), row(before, "orig"));
  EXPECT_EQ(row(after, "sinal"), row(before, "sinal"));

  // An empty box is not read at all.
  confirm_text(main, "");
  EXPECT_EQ(row(record(main), "orig"), row(before, "orig"));
  EXPECT_TRUE(errors.empty());
}

TEST_F(MainWindowTest, ANewTextKeepsTheOldSignalUntilTheNextPick) {
  const Handle main = open_main();
  confirm_text(main, "_pa_.");
  pick(main, "Gráfica");
  const auto first = row(record(main), "sinal");
  confirm_text(main, "_papa_.");
  EXPECT_EQ(row(record(main), "sinal"), first);
  EXPECT_NE(row(record(main), "orig").size(), synthesis::analyse("_pa_.", runtime::read_unit_file, ".").joined.orig.size());
  pick(main, "Gráfica");
  EXPECT_EQ(row(record(main), "sinal"), expected_sinal("_papa_.", road::ContourMode{}));
}

TEST_F(MainWindowTest, ATextWithoutDiphonesGivesAnEmptySignal) {
  const Handle main = open_main();
  confirm_text(main, "_.");
  EXPECT_TRUE(record(main).record().get("click").is_text("on"));
  EXPECT_TRUE(row(record(main), "orig").empty());
  then_answer("val_factor", "1");
  pick(main, "Factor");
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(row(record(main), "sinal"), expected_sinal("_.", road::FactorMode{1}));
}

TEST_F(MainWindowTest, PlayHandsTheSignalToThePlaybackRoutineAsAColumnAt22050) {
  std::vector<Value> played;
  runtime::define_function("audio/private/playsndb", [&](int, std::vector<Value> args) {
    played = args;
    return std::vector<Value>{};
  });
  const Handle main = open_main();
  confirm_text(main, "_pa_.");
  pick(main, "Gráfica");
  press(main, "botao_ouvir");
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_EQ(played.size(), 2u);
  EXPECT_EQ(played[0].array().cols(), 1u);
  EXPECT_EQ(played[0].array().data(), row(record(main), "sinal"));
  EXPECT_EQ(played[1].number(), 22050);
}

TEST_F(MainWindowTest, CallbacksAreReachedThroughTheirCheckedEntries) {
  const Handle main = open_main();
  const Handle box = object(main, "texto");
  try {
    runtime::call_by_name("interface", 0, {Value("texto_Callback"), Value(box), Value(), record(main), Value(1)});
    ADD_FAILURE() << "four inputs accepted";
  } catch (const runtime::RuntimeError& e) {
    EXPECT_STREQ(e.what(),
                 "Run-time Error: File: interface/texto_Callback Line: 41 Column: 1 The function "
                 "\"interface/texto_Callback\" was called with more than the declared number of inputs (3).");
  }
}

}  // namespace
}  // namespace quelvara::windows::testing
