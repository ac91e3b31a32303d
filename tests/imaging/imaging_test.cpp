// Reading pictures into image arrays and showing them in an axes.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>

#include "graphics/callbacks.h"
#include "graphics/object_tree.h"
#include "imaging/image_value.h"
#include "imaging/imread.h"
#include "imaging/install.h"
#include "imaging/preferences.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "support/temp_dir.h"

namespace quelvara::imaging {
namespace {

using graphics::Handle;
using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

class ImagingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    graphics::reset_tree();
    graphics::set_screen_size(1024, 768);
    reset_preferences();
    install_imaging();
  }
  void TearDown() override { graphics::reset_tree(); }
  // A 3 x 2 picture with distinct corners, saved losslessly.
  std::string write_png(const char* name) {
    QImage image(2, 3, QImage::Format_RGB888);
    image.fill(QColor(10, 20, 30));
    image.setPixelColor(1, 0, QColor(255, 0, 0));  // row 1, column 2
    image.setPixelColor(0, 2, QColor(0, 0, 255));  // row 3, column 1
    const std::string file = (dir / name).string();
    EXPECT_TRUE(image.save(QString::fromStdString(file), "PNG"));
    return file;
  }
  Handle window_with_axes(graphics::Rect box) {
    const Handle f = graphics::create_object("figure", graphics::root_handle);
    graphics::set_pixel_position(f, {0, 0, 800, 600});
    const Handle a = graphics::create_object("axes", f);
    graphics::set_pixel_position(a, box);
    graphics::axes(a);
    return a;
  }
  Value imread(const std::string& file) { return runtime::call_by_name("imread", 1, {Value(file)}).at(0); }
  Handle imshow(const Value& image) { return runtime::call_by_name("imshow", 1, {image}).at(0).number(); }
  quelvara::testing::TempDir dir;
};

TEST_F(ImagingTest, ReadsTheRedGreenAndBluePlanesRowByRow) {
  const auto results = runtime::call_by_name("imread", 3, {Value(write_png("p.png"))});
  ASSERT_EQ(results.size(), 3u);
  const Value& image = results[0];
  ASSERT_EQ(image_size(image), (ImageSize{3, 2}));
  const auto& planes = image.cell().items;
  EXPECT_EQ(planes[0].array()(1, 2), 255);
  EXPECT_EQ(planes[1].array()(1, 2), 0);
  EXPECT_EQ(planes[2].array()(3, 1), 255);
  EXPECT_EQ(planes[0].array()(2, 1), 10);
  EXPECT_EQ(planes[2].array()(2, 2), 30);
  EXPECT_TRUE(results[1].is_empty());
  EXPECT_TRUE(results[2].is_empty());

  // A JPEG decodes to the same size, colours near the saved ones.
  QImage jpeg(40, 30, QImage::Format_RGB888);
  jpeg.fill(QColor(200, 100, 50));
  ASSERT_TRUE(jpeg.save(QString::fromStdString((dir / "p.jpg").string()), "JPEG"));
  const Value j = imread((dir / "p.jpg").string());
  ASSERT_EQ(image_size(j), (ImageSize{30, 40}));
  EXPECT_NEAR(j.cell().items[0].array()(15, 20), 200, 4);
}

TEST_F(ImagingTest, UnreadableFilesAndUnfitArgumentsFail) {
  EXPECT_THROW(imread((dir / "nada.jpg").string()), RuntimeError);
  std::ofstream(dir / "falsa.jpg") << "not a picture";
  try {
    imread((dir / "falsa.jpg").string());
    ADD_FAILURE();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("falsa.jpg"), std::string::npos);
  }
  EXPECT_THROW(runtime::call_by_name("imread", 1, {}), RuntimeError);
  EXPECT_THROW(runtime::call_by_name("imread", 1, {Value(3)}), RuntimeError);
  // More results than declared are refused by the entry.
  EXPECT_THROW(runtime::call_by_name("imread", 4, {Value(write_png("q.png"))}), RuntimeError);
}

TEST_F(ImagingTest, ImshowPutsOneImageInTheCurrentAxesAndFitsTheAxesToIt) {
  const Handle axes = window_with_axes({10, 20, 300, 200});
  const Value image = imread(write_png("p.png"));
  const Handle first = imshow(image);
  EXPECT_EQ(graphics::type_of(first), "image");
  EXPECT_EQ(*graphics::parent_of(first), axes);
  EXPECT_EQ(graphics::get(axes, "XLim").array(), Array::row({0.5, 2.5}));
  EXPECT_EQ(graphics::get(axes, "YLim").array(), Array::row({0.5, 3.5}));
  EXPECT_EQ(graphics::get(first, "CData").cell().items[0].array(), image.cell().items[0].array());
  // One screen pixel per picture pixel, centred in the axes' box.
  EXPECT_EQ(graphics::pixel_position(axes), (graphics::Rect{159, 118, 2, 3}));

  // Showing again replaces the picture.
  const Handle second = imshow(image);
  EXPECT_FALSE(graphics::ishandle(first));
  EXPECT_EQ(graphics::findall(*graphics::ancestor_figure(axes), "image"), std::vector<Handle>{second});
}

TEST_F(ImagingTest, APictureLargerThanItsAxesIsShrunkKeepingItsProportions) {
  const Handle axes = window_with_axes({0, 0, 100, 100});
  QImage wide(400, 100, QImage::Format_RGB888);
  wide.fill(Qt::white);
  ASSERT_TRUE(wide.save(QString::fromStdString((dir / "w.png").string()), "PNG"));
  imshow(imread((dir / "w.png").string()));
  EXPECT_EQ(graphics::pixel_position(axes), (graphics::Rect{0, 37, 100, 25}));

  // With the preference set to manual, the axes are left as they are.
  runtime::call_by_name("images/private/qorregistry", 0, {Value("imshowtruesize"), Value("manual")});
  EXPECT_TRUE(runtime::call_by_name("qorgetpref", 1, {Value("ImshowTruesize")}).at(0).is_text("manual"));
  graphics::set_pixel_position(axes, {0, 0, 100, 100});
  imshow(imread((dir / "w.png").string()));
  EXPECT_EQ(graphics::pixel_position(axes), (graphics::Rect{0, 0, 100, 100}));
  EXPECT_THROW(runtime::call_by_name("qorgetpref", 1, {Value("Nenhuma")}), RuntimeError);
}

TEST_F(ImagingTest, ImshowRefusesWhatIsNoImageBeforeDrawing) {
  const Handle axes = window_with_axes({0, 0, 100, 100});
  EXPECT_THROW(imshow(Value("texto")), RuntimeError);
  EXPECT_THROW(imshow(Value(runtime::Cell{{Value(Array::zeros(2, 2)), Value(Array::zeros(2, 3))}})), RuntimeError);
  EXPECT_THROW(runtime::call_by_name("imshow", 1, {Value(Array::zeros(2, 2)), Value("Border")}), RuntimeError);
  EXPECT_TRUE(graphics::children_of(axes).empty());
  // A grey plane is an image; truesize by name fits it again after the axes changed.
  imshow(Value(Array::zeros(4, 5)));
  graphics::set_pixel_position(axes, {0, 0, 50, 50});
  runtime::call_by_name("truesize", 0, {Value(*graphics::ancestor_figure(axes))});
  EXPECT_EQ(graphics::pixel_position(axes), (graphics::Rect{22, 23, 5, 4}));
}

TEST_F(ImagingTest, InnerFunctionsByName) {
  const auto is_vector = [](const Value& x) { return runtime::call_by_name("imshow/IsVector", 1, {x}).at(0).number(); };
  EXPECT_EQ(is_vector(Value(Array::row({1, 2, 3}))), 1);
  EXPECT_EQ(is_vector(Value(Array::column({1, 2}))), 1);
  EXPECT_EQ(is_vector(Value(4.0)), 1);
  EXPECT_EQ(is_vector(Value(Array::zeros(2, 3))), 0);
  EXPECT_EQ(is_vector(Value()), 0);

  // Alone in its window, an image's axes are in the default position.
  const Handle axes = window_with_axes({0, 0, 100, 100});
  const Handle figure = *graphics::ancestor_figure(axes);
  const auto single = [&](Handle f, Handle a) {
    return runtime::call_by_name("imshow/SingleImageDefaultPos", 1, {Value(f), Value(a)}).at(0).number();
  };
  EXPECT_EQ(single(figure, axes), 0);  // no image yet
  imshow(Value(Array::zeros(4, 5)));
  EXPECT_EQ(single(figure, axes), 1);
  const Handle other = window_with_axes({0, 0, 10, 10});
  EXPECT_EQ(single(figure, other), 0);
  graphics::create_object("axes", figure);
  EXPECT_EQ(single(figure, axes), 0);  // a second axes beside it
  EXPECT_THROW(single(figure, 12345), RuntimeError);

  // The functions this display has no use for say so, and change nothing.
  for (const char* name : {"truesize/Resize2", "truesize/Resize3", "imread/delete_download"}) {
    SCOPED_TRACE(name);
    const std::string file = (dir / "kept.png").string();
    std::ofstream(file) << "x";
    try {
      runtime::call_by_name(name, 0, {Value(file)});
      ADD_FAILURE() << "no error";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(std::string(e.message()).rfind(std::string(name) + " has no part in this image display", 0), 0u)
          << e.message();
    }
    EXPECT_TRUE(std::ifstream(file).good());
  }
}

}  // namespace
}  // namespace quelvara::imaging
