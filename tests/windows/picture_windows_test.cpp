// The credits and SAMPA chart windows: one of each, their pictures, placement and closing.
#include <filesystem>

#include "app_fixture.h"
#include "framework/gui_mainfcn.h"
#include "framework/window_data.h"
#include "graphics/callbacks.h"
#include "imaging/image_value.h"
#include "runtime/function_registry.h"

namespace quelvara::windows::testing {
namespace {

namespace fs = std::filesystem;

class PictureWindowsTest : public AppFolderTest {};

imaging::ImageSize shown_size(Handle figure) {
  const auto images = graphics::findall(figure, "image");
  EXPECT_EQ(images.size(), 1u);
  if (images.empty()) return {};
  return imaging::image_size(graphics::get(images.front(), "CData")).value_or(imaging::ImageSize{});
}

TEST_F(PictureWindowsTest, EachWindowShowsItsPictureOnceWhateverTheNumberOfPresses) {
  const Handle main = open_main();
  press(main, "botao_creditos");
  press(main, "botao_creditos");
  press(main, "sampa");
  press(main, "sampa");
  ASSERT_TRUE(errors.empty()) << errors.front();
  ASSERT_EQ(graphics::figures().size(), 3u);
  const Handle credits = *window("creditos");
  const Handle chart = *window("sampa");
  // The pictures hold twice the pixels they are shown with, each way.
  EXPECT_EQ(shown_size(credits), (imaging::ImageSize{720, 1120}));
  EXPECT_EQ(shown_size(chart), (imaging::ImageSize{1240, 1400}));
  EXPECT_EQ(graphics::get_text(credits, "Visible"), "on");
  EXPECT_EQ(framework::guidata(Value(credits)).record().get("output").number(), credits);
  // The picture fills its axes, at half its size.
  const auto axes = graphics::pixel_position(object(chart, "img_sampa"));
  EXPECT_EQ(axes.width, 700);
  EXPECT_EQ(axes.height, 620);
}

TEST_F(PictureWindowsTest, OnAWideScreenTheChartStandsBesideTheMainWindow) {
  graphics::set_screen_size(1920, 1080);
  const Handle main = open_main();
  press(main, "sampa");
  const auto chart = graphics::pixel_position(*window("sampa"));
  const auto beside = graphics::pixel_position(main);
  EXPECT_GT(chart.left, beside.left + beside.width);
  EXPECT_EQ(chart.bottom, 0);
  EXPECT_LE(chart.left + chart.width, 1920);
}

TEST_F(PictureWindowsTest, CreditsAreCentredOverTheMainWindowAtEachOpening) {
  const Handle main = open_main();
  const auto centre_x = [](graphics::Rect r) { return r.left + r.width / 2; };
  press(main, "botao_creditos");
  const Handle credits = *window("creditos");
  EXPECT_NEAR(centre_x(graphics::pixel_position(credits)), centre_x(graphics::pixel_position(main)), 1);
  auto moved = graphics::pixel_position(main);
  moved.left = 100;
  graphics::set_pixel_position(main, moved);
  press(main, "botao_creditos");
  EXPECT_NEAR(centre_x(graphics::pixel_position(credits)), centre_x(moved), 1);

  // The chart keeps the place its layout gives it.
  press(main, "sampa");
  const Handle chart = *window("sampa");
  const auto placed = graphics::pixel_position(chart);
  graphics::fire_callback_from_event(chart, "ResizeFcn");
  press(main, "sampa");
  EXPECT_EQ(graphics::pixel_position(chart), placed);
  EXPECT_TRUE(errors.empty());
}

TEST_F(PictureWindowsTest, AMissingPictureEndsThePressAndTheNextOpeningStartsAfresh) {
  const Handle main = open_main();
  fs::rename(folder() / "fig_tts.jpg", folder() / "guardada.jpg");
  press(main, "botao_creditos");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("fig_tts.jpg"), std::string::npos);
  const Handle stale = *window("creditos");
  EXPECT_EQ(graphics::get_text(stale, "Visible"), "off");
  EXPECT_TRUE(graphics::isappdata(stale, framework::in_initialization_key));

  fs::rename(folder() / "guardada.jpg", folder() / "fig_tts.jpg");
  press(main, "botao_creditos");
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_FALSE(graphics::ishandle(stale));
  const Handle fresh = *window("creditos");
  EXPECT_EQ(graphics::get_text(fresh, "Visible"), "on");
  EXPECT_EQ(graphics::findall(fresh, "image").size(), 1u);
}

}  // namespace
}  // namespace quelvara::windows::testing
