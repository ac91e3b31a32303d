#pragma once
// Supplies the image display's functions callable by name: imread, imshow, truesize, qorgetpref,
// "images/private/qorprefs", "images/private/qorregistry" and the inner functions of imread,
// imshow and truesize that have a check (see imread.h, imshow.h, truesize.h).
// Safe to call more than once.
namespace quelvara::imaging {

void install_imaging();

}  // namespace quelvara::imaging
