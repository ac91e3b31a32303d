// The save action and its dialog, and what the user sees of an error that ends a callback.
#include <fstream>

#include "app_fixture.h"
#include "graphics/callbacks.h"
#include "graphics/event_loop.h"
#include "road/road.h"
#include "runtime/console.h"
#include "runtime/function_registry.h"
#include "runtime/mat_file.h"
#include "wave/wavwrite.h"
#include "windows/install.h"

namespace quelvara::windows::testing {
namespace {

namespace fs = std::filesystem;

class SaveTest : public AppFolderTest {
 protected:
  void SetUp() override {
    AppFolderTest::SetUp();
    main = open_main();
    confirm_text(main, "_pa_.");
    pick(main, "Gráfica");
    ASSERT_TRUE(errors.empty()) << errors.front();
    const auto road = road::run_road("_pa_.", road::ContourMode{}, runtime::read_unit_file, ".");
    wave::wavwrite(wave::SampleMatrix::row(road.sinal), 22050, 16, (folder() / "esperado.wav").string());
    expected = read_bytes(folder() / "esperado.wav");
    fs::remove(folder() / "esperado.wav");
  }
  std::vector<fs::path> wave_files() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder()))
      if (e.path().extension() == ".wav") out.push_back(e.path().filename());
    return out;
  }
  Handle main = 0;
  std::string expected;
};

TEST_F(SaveTest, TheTypedNameGetsTheWaveFileOfTheSignal) {
  then_answer("gravar", "voz");
  press(main, "botao_gravar");
  ASSERT_TRUE(errors.empty()) << errors.front();
  EXPECT_EQ(read_bytes(folder() / "voz.wav"), expected);
  EXPECT_EQ(expected.size(), 44 + 2 * record(main).record().get("sinal").array().numel());
  EXPECT_FALSE(window("gravar"));

  // The extension is always added, and a blank name is a name.
  then_answer("gravar", "voz.wav");
  press(main, "botao_gravar");
  then_answer("gravar", "  ");
  press(main, "botao_gravar");
  EXPECT_EQ(read_bytes(folder() / "voz.wav.wav"), expected);
  EXPECT_EQ(read_bytes(folder() / "  .wav"), expected);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SaveTest, CancelFalseAndTheFrameWriteNothingAndAnEmptyNameKeepsTheDialogWaiting) {
  then_cancel("gravar");
  press(main, "botao_gravar");
  then_answer("gravar", "false");
  press(main, "botao_gravar");
  then_close_window("gravar");
  press(main, "botao_gravar");
  EXPECT_TRUE(wave_files().empty());

  // OK on an empty box: the same dialog is still there for the next action.
  Handle first_dialog = 0;
  then_answer("gravar", "");
  graphics::post_event([&] { first_dialog = *window("gravar"); });
  then_answer("gravar", "depois");
  press(main, "botao_gravar");
  EXPECT_NE(first_dialog, 0);
  EXPECT_EQ(wave_files(), std::vector<fs::path>{"depois.wav"});
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(messages.empty());
}

TEST_F(SaveTest, AFailedSaveIsReportedOnTheConsoleAndInAMessageBox) {
  std::string console;
  const auto old = runtime::install_print_handler([&](std::string_view text) { console += text; });
  install_callback_error_report();
  then_answer("gravar", "pasta/que/nao/existe/voz");
  press(main, "botao_gravar");
  runtime::install_print_handler(old);

  const auto box = window("msgbox");
  ASSERT_TRUE(box);
  EXPECT_EQ(graphics::get_text(*box, "Name"), "Quelvara");
  const std::string shown = graphics::get_text(object(*box, "MessageBox"), "String");
  EXPECT_FALSE(shown.empty());
  EXPECT_NE(console.find("Exception!  File: "), std::string::npos);
  EXPECT_NE(console.find("    " + shown + "\n"), std::string::npos);
  EXPECT_TRUE(wave_files().empty());
  // The main window goes on: its record is as before.
  EXPECT_TRUE(record(main).record().get("click").is_text("on"));
}

}  // namespace
}  // namespace quelvara::windows::testing
