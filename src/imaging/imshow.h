#pragma once
// imshow: shows an image array in the current axes of the current window.
#include <vector>

#include "graphics/object_tree.h"
#include "runtime/value.h"

namespace quelvara::imaging {

// Replaces the pictures of the current axes (made when the current window has none) by an
// image object holding the array, with the axes' limits set to the picture's pixels and no
// ticks. With the preference ImshowTruesize "auto" and this picture alone in its window, the
// axes are then fitted to it (truesize). Fails with "imshow: the argument is not an image."
// before drawing anything.
graphics::Handle show_image(const runtime::Value& image);

// By name: imshow(I) gives the image object's handle.
std::vector<runtime::Value> imshow(int nargout, std::vector<runtime::Value> args);
// imshow/ParseInputs: the image array of the arguments, and a message (empty when fit).
std::vector<runtime::Value> imshow_parse_inputs(int nargout, std::vector<runtime::Value> args);
// imshow/IsVector(x): 1 when x has one row or one column (and at least one element), else 0.
std::vector<runtime::Value> imshow_is_vector(int nargout, std::vector<runtime::Value> args);
// imshow/SingleImageDefaultPos(figure, axes): 1 when the axes are the figure's only axes and
// hold its only image, the case in which imshow fits the axes to the picture; else 0.
std::vector<runtime::Value> imshow_single_image_default_pos(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::imaging
