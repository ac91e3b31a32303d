#pragma once
// truesize: gives a picture its own size on screen, one screen pixel per picture pixel, within
// the box its axes have in the window.
#include <optional>
#include <vector>

#include "graphics/object_tree.h"
#include "imaging/image_value.h"
#include "runtime/value.h"

namespace quelvara::imaging {

// Resizes the axes to the picture's pixels (or to size, when given), centred in the axes' box;
// a picture larger than the box is shrunk to fit it, keeping its proportions.
void fit_axes_to_image(graphics::Handle axes, graphics::Handle image,
                       std::optional<ImageSize> size = std::nullopt);

// By name: truesize(), truesize(figure), truesize([rows cols]), truesize(figure, [rows cols]);
// the figure (default: the current one) must hold exactly one image.
std::vector<runtime::Value> truesize(int nargout, std::vector<runtime::Value> args);
// truesize/ParseInputs: [figure, axes, image, size, message]; message is empty when fit.
std::vector<runtime::Value> truesize_parse_inputs(int nargout, std::vector<runtime::Value> args);
// truesize/Resize1(axes, image, size).
std::vector<runtime::Value> truesize_resize1(int nargout, std::vector<runtime::Value> args);
// truesize/Resize2 and truesize/Resize3 have no part in this image display, which fits every
// picture with Resize1; called by name they fail saying so.
std::vector<runtime::Value> truesize_resize2(int nargout, std::vector<runtime::Value> args);
std::vector<runtime::Value> truesize_resize3(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::imaging
