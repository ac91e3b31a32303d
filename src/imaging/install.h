#pragma once
// Supplies the image display's functions callable by name: imread, imshow, truesize, qorgetpref,
// "images/private/qorprefs", "images/private/qorregistry" and the inner functions
// "imread/parse_inputs", "imshow/ParseInputs", "truesize/ParseInputs" and "truesize/Resize1".
// Safe to call more than once.
namespace quelvara::imaging {

void install_imaging();

}  // namespace quelvara::imaging
