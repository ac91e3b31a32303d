#include "framework/placement.h"

#include "runtime/error.h"
#include "window_fixture.h"

namespace quelvara::framework::testing {
namespace {

using runtime::Array;
using runtime::FunctionRef;
using runtime::RuntimeError;

Array rect(double l, double b, double w, double h) { return Array::row({l, b, w, h}); }

FunctionRef function(std::function<void(std::vector<Value>)> body) {
  return {"test", std::make_shared<runtime::Function>([body](int, std::vector<Value> args) {
            body(std::move(args));
            return std::vector<Value>{};
          })};
}

class PlacementTest : public WindowTest {
 protected:
  Handle window(Array position) {
    const Handle f = graphics::create_object("figure", graphics::root_handle);
    graphics::set(f, "Position", Value(position));
    return f;
  }
};

TEST_F(PlacementTest, CentrarcaixasOutsideCallbacksUsesTwoThirdsOfTheFreeHeight) {
  const Handle f = window(rect(0, 0, 400, 300));
  graphics::set(f, "Units", Value("normalized"));
  graphics::set(graphics::root_handle, "Units", Value("inches"));
  centrarcaixas(f);
  EXPECT_TRUE(graphics::get(f, "Units").is_text("normalized"));  // units restored
  EXPECT_TRUE(graphics::get(graphics::root_handle, "Units").is_text("inches"));
  EXPECT_EQ(graphics::pixel_position(f), (graphics::Rect{312, 312, 400, 300}));

  const Handle odd = window(rect(0, 0, 401, 301));
  centrarcaixas(odd);  // fractions pass through unrounded
  EXPECT_EQ(graphics::get(odd, "Position").array(), rect(311.5, (2.0 / 3.0) * 467, 401, 301));
}

TEST_F(PlacementTest, CentrarcaixasInACallbackSharesTheCallerCentre) {
  const Handle main = window(rect(100, 100, 600, 400));
  const Handle button = graphics::create_object("uicontrol", main);
  const Handle dialog = window(rect(0, 0, 200, 100));
  graphics::set(button, "Callback", Value(function([&](std::vector<Value>) { centrarcaixas(dialog); })));
  graphics::fire_callback(button, "Callback");
  EXPECT_EQ(graphics::get(dialog, "Position").array(), rect(300, 250, 200, 100));

  // A big dialog may end up partly off the screen: the size is never changed.
  const Handle big = window(rect(0, 0, 2000, 100));
  graphics::set(button, "Callback", Value(function([&](std::vector<Value>) { centrarcaixas(big); })));
  graphics::fire_callback(button, "Callback");
  EXPECT_EQ(graphics::get(big, "Position").array(), rect(-600, 250, 2000, 100));
}

TEST_F(PlacementTest, MoveguiOnscreenNamedPlacesAndOffsets) {
  graphics::set_screen_size(1280, 1024);
  const Handle f = window(rect(-50, 900, 300, 200));
  movegui({Value(f), Value("onscreen")});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(0, 824, 300, 200));

  graphics::set_frame_extents(f, {4, 4, 30, 4});  // outer rectangle = 308 x 234
  graphics::set(f, "Units", Value("normalized"));
  graphics::set(f, "activepositionproperty", Value("position"));
  movegui({Value(f), Value("north")});
  EXPECT_EQ(graphics::pixel_position(f), (graphics::Rect{486 + 4, 790 + 4, 300, 200}));
  EXPECT_TRUE(graphics::get(f, "Units").is_text("normalized"));
  EXPECT_TRUE(graphics::get(f, "activepositionproperty").is_text("position"));

  graphics::set(f, "Units", Value("pixels"));
  movegui({Value(Array::row({-10, -10})), Value(f)});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(962, 780, 308, 234));
  movegui({Value(f), Value("southwest")});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(0, 0, 308, 234));
  movegui({Value(f), Value("center")});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(486, 395, 308, 234));
  movegui({Value(f), Value("east")});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(972, 395, 308, 234));

  // A control names its window; without a position the default is "onscreen".
  const Handle c = graphics::create_object("uicontrol", f);
  graphics::set(f, "outerposition", Value(rect(2000, -5, 308, 234)));
  movegui({Value(c)});
  EXPECT_EQ(graphics::get(f, "outerposition").array(), rect(972, 0, 308, 234));
}

TEST_F(PlacementTest, MoveguiShrinksAWindowLargerThanTheScreen) {
  const Handle f = window(rect(10, 10, 2000, 1000));
  movegui({Value(f), Value("northeast")});
  EXPECT_EQ(graphics::get(f, "Position").array(), rect(0, 0, 1024, 768));
}

TEST_F(PlacementTest, MoveguiRefusesBadArgumentsBeforeChangingAnything) {
  const Handle f = window(rect(-50, 10, 300, 200));
  auto refused = [&](std::vector<Value> args, const char* message) {
    try {
      movegui(args);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const RuntimeError& e) {
      EXPECT_STREQ(e.what(), message);
    }
    EXPECT_EQ(graphics::get(f, "Position").array(), rect(-50, 10, 300, 200));
  };
  refused({Value(f), Value("North")}, "unrecognized position");
  refused({Value(f), Value("middle")}, "unrecognized position");
  refused({Value(graphics::root_handle)}, "handle of figure or descendant required");
  refused({Value(f), Value()}, "unrecognized input argument");  // no callback is running
  refused({Value(f), Value(Array::row({1, 2, 3}))}, "unrecognized input argument");
  refused({Value(f), Value("north"), Value(f), Value(f)}, "Too many input arguments.");
}

TEST_F(PlacementTest, MoveguiAsACallbackIgnoresItsEventValueAndUsesTheCallbackWindow) {
  const Handle f = window(rect(-50, -50, 300, 200));
  const Handle b = graphics::create_object("uicontrol", f);
  graphics::set(b, "Callback", Value(function([](std::vector<Value> args) { movegui(args); })));
  graphics::fire_callback(b, "Callback", Value());  // movegui(hObject, eventdata)
  EXPECT_EQ(graphics::get(f, "Position").array(), rect(0, 0, 300, 200));

  graphics::set(f, "Position", Value(rect(-50, -50, 300, 200)));
  graphics::set(b, "Callback", Value(function([](std::vector<Value>) { movegui({Value("northwest")}); })));
  graphics::fire_callback(b, "Callback");
  EXPECT_EQ(graphics::get(f, "Position").array(), rect(0, 568, 300, 200));
}

}  // namespace
}  // namespace quelvara::framework::testing
