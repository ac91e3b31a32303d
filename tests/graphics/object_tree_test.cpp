#include "graphics/object_tree.h"

#include <gtest/gtest.h>

#include <cmath>

#include "graphics/callbacks.h"
#include "runtime/error.h"

namespace quelvara::graphics {
namespace {

using runtime::Array;
using runtime::RuntimeError;

class ObjectTreeTest : public ::testing::Test {
 protected:
  void TearDown() override { reset_tree(); }
};

TEST_F(ObjectTreeTest, HandlesTypesParentsAndChildren) {
  const Handle f1 = create_object("figure", root_handle);
  const Handle f2 = create_object("figure", root_handle);
  EXPECT_EQ(f2, f1 + 1);  // figures are counted by integers
  const Handle edit = create_object("uicontrol", f1);
  const Handle ax = create_object("axes", f1);
  const Handle img = create_object("image", ax);
  EXPECT_NE(edit, std::floor(edit));  // other objects never look like figures
  EXPECT_EQ(type_of(edit), "uicontrol");
  EXPECT_EQ(*parent_of(img), ax);
  EXPECT_FALSE(parent_of(root_handle).has_value());
  EXPECT_EQ(ancestor_figure(img), f1);
  EXPECT_FALSE(ancestor_figure(root_handle).has_value());
  EXPECT_EQ(get(f1, "type").text(), "figure");
  EXPECT_EQ(get(edit, "Parent").number(), f1);
  EXPECT_THROW(create_object("image", f1), RuntimeError);
  EXPECT_THROW(create_object("figure", f1), RuntimeError);
  EXPECT_THROW(create_object("spinner", f1), RuntimeError);
  EXPECT_EQ(current_figure(), f2);
}

TEST_F(ObjectTreeTest, PropertiesIgnoreLetterCaseAndRefuseUnknownOrUnfitValues) {
  const Handle f = create_object("figure", root_handle);
  const Handle c = create_object("uicontrol", f);
  set(c, "string", Value("olá"));
  EXPECT_EQ(get(c, "String").text(), "olá");
  set(c, "STYLE", Value("Edit"));
  EXPECT_EQ(get(c, "Style").text(), "edit");  // stored as listed
  set(f, "HandleVisibility", Value("callback"));
  EXPECT_EQ(get_text(f, "handlevisibility"), "callback");
  EXPECT_THROW(set(c, "Colour", Value(1)), RuntimeError);
  EXPECT_THROW(get(c, "Colour"), RuntimeError);
  EXPECT_THROW(set(c, "Visible", Value("maybe")), RuntimeError);
  EXPECT_THROW(set(c, "BackgroundColor", Value(Array::row({1, 2, 0}))), RuntimeError);
  EXPECT_THROW(set(c, "Type", Value("figure")), RuntimeError);
  EXPECT_THROW(set(c, "Value", Value("x")), RuntimeError);
  EXPECT_THROW(set(f, "Position", Value(Array::row({1, 2, 3}))), RuntimeError);
  EXPECT_EQ(get_text(c, "Visible"), "on");  // a refused value leaves the old one
  try {
    set(c, "Nonsense", Value(1));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("Nonsense"), std::string::npos);
  }
}

TEST_F(ObjectTreeTest, RootPropertiesAndDefaults) {
  set_screen_size(1280, 1024);
  EXPECT_EQ(get(root_handle, "ScreenSize").array(), Array::row({1, 1, 1280, 1024}));
  EXPECT_EQ(get(root_handle, "screensize").array(), Array::row({1, 1, 1280, 1024}));
  set(root_handle, "Units", Value("normalized"));
  EXPECT_EQ(get(root_handle, "ScreenSize").array(), Array::row({0, 0, 1, 1}));
  set(root_handle, "DefaultFigureVisible", Value("off"));
  const Handle f = create_object("figure", root_handle);
  EXPECT_EQ(get_text(f, "Visible"), "off");
  set(root_handle, "DefaultUicontrolBackgroundColor", Value(Array::row({0.5, 0.5, 0.5})));
  const Handle c = create_object("uicontrol", f);
  EXPECT_EQ(get(c, "BackgroundColor").array(), Array::row({0.5, 0.5, 0.5}));
  EXPECT_THROW(set(root_handle, "ScreenSize", Value(Array::row({1, 1, 2, 2}))), RuntimeError);
}

TEST_F(ObjectTreeTest, PositionFollowsUnitsAndOuterPositionIncludesTheFrame) {
  set_screen_size(1000, 800);
  const Handle f = create_object("figure", root_handle);
  set(f, "Position", Value(Array::row({100, 200, 500, 400})));
  set(f, "Units", Value("normalized"));
  EXPECT_EQ(get(f, "Position").array(), Array::row({0.1, 0.25, 0.5, 0.5}));
  set(f, "Position", Value(Array::row({0, 0, 0.25, 0.25})));
  set(f, "Units", Value("pixels"));
  EXPECT_EQ(get(f, "Position").array(), Array::row({0, 0, 250, 200}));

  set_frame_extents(f, {2, 3, 30, 4});
  EXPECT_EQ(get(f, "outerposition").array(), Array::row({-2, -4, 255, 234}));
  set(f, "OuterPosition", Value(Array::row({10, 10, 305, 234})));
  EXPECT_EQ(get(f, "Position").array(), Array::row({12, 14, 300, 200}));

  const Handle c = create_object("uicontrol", f);
  set(c, "Units", Value("normalized"));
  set(c, "Position", Value(Array::row({0.5, 0.5, 0.5, 0.25})));
  EXPECT_EQ(pixel_position(c), (Rect{150, 100, 150, 50}));
}

TEST_F(ObjectTreeTest, ApplicationData) {
  const Handle f = create_object("figure", root_handle);
  EXPECT_FALSE(isappdata(f, "k"));
  EXPECT_TRUE(getappdata(f, "k").is_empty());
  setappdata(f, "k", Value(3));
  setappdata(root_handle, "k", Value("root"));
  EXPECT_TRUE(isappdata(f, "k"));
  EXPECT_EQ(getappdata(f, "k").number(), 3);
  EXPECT_EQ(getappdata(root_handle, "k").text(), "root");
  rmappdata(f, "k");
  EXPECT_FALSE(isappdata(f, "k"));
  EXPECT_TRUE(getappdata(f, "k").is_empty());
  EXPECT_THROW(setappdata(f + 100, "k", Value(1)), RuntimeError);
}

TEST_F(ObjectTreeTest, IshandleIsElementWise) {
  const Handle f = create_object("figure", root_handle);
  const Value probe = Array::matrix(2, 2, {f, 0, f + 50, 0.5});
  const Array r = ishandle(probe);
  EXPECT_EQ(r, Array::matrix(2, 2, {1, 1, 0, 0}));
  EXPECT_EQ(ishandle(Value("x")), Array::scalar(0));
  EXPECT_FALSE(is_single_handle(Value(Array::row({f, f}))));
  EXPECT_TRUE(is_single_handle(Value(f)));
}

TEST_F(ObjectTreeTest, FindallListsTheWindowAndAllDescendantsHiddenIncluded) {
  const Handle f = create_object("figure", root_handle);
  const Handle a = create_object("uicontrol", f);
  const Handle ax = create_object("axes", f);
  const Handle img = create_object("image", ax);
  const Handle b = create_object("uicontrol", f);
  set(b, "Visible", Value("off"));
  set(b, "HandleVisibility", Value("off"));
  EXPECT_EQ(findall(f), (std::vector<Handle>{f, a, ax, img, b}));
  EXPECT_EQ(findall(f, "uicontrol"), (std::vector<Handle>{a, b}));
  EXPECT_TRUE(findall(f, "uimenu").empty());
}

TEST_F(ObjectTreeTest, DeleteRemovesDescendantsRunsDeleteFcnAndMovesTheCurrentFigure) {
  const Handle f1 = create_object("figure", root_handle);
  const Handle f2 = create_object("figure", root_handle);
  const Handle c = create_object("uicontrol", f2);
  std::vector<Handle> seen;
  set(c, "DeleteFcn", Value(runtime::FunctionRef{"probe", std::make_shared<runtime::Function>(
                                                          [&](int, std::vector<Value> args) {
                                                            seen.push_back(args.at(0).number());
                                                            EXPECT_TRUE(ishandle(args.at(0).number()));
                                                            return std::vector<Value>{};
                                                          })}));
  delete_object(f2);
  EXPECT_EQ(seen, (std::vector<Handle>{c}));
  EXPECT_FALSE(ishandle(f2));
  EXPECT_FALSE(ishandle(c));
  EXPECT_EQ(current_figure(), f1);
  EXPECT_EQ(figures(), (std::vector<Handle>{f1}));
  EXPECT_THROW(delete_object(f2), RuntimeError);
  EXPECT_THROW(delete_object(root_handle), RuntimeError);
  close();
  EXPECT_TRUE(figures().empty());
  EXPECT_FALSE(current_figure().has_value());
  const Handle made = gcf();  // gcf makes a figure when there is none
  EXPECT_TRUE(ishandle(made));
}

TEST_F(ObjectTreeTest, AxesBecomesCurrent) {
  const Handle f1 = create_object("figure", root_handle);
  const Handle a1 = create_object("axes", f1);
  const Handle f2 = create_object("figure", root_handle);
  create_object("axes", f2);
  axes(a1);
  EXPECT_EQ(gcf(), f1);
  EXPECT_EQ(current_axes(f1), a1);
  EXPECT_EQ(get(f1, "CurrentAxes").number(), a1);
  EXPECT_THROW(axes(f1), RuntimeError);
}

}  // namespace
}  // namespace quelvara::graphics
