#pragma once
// Message boxes: a small figure with the message, the title and an OK button that closes it.
#include <string_view>

#include "graphics/object_tree.h"

namespace quelvara::graphics {

// Creates and shows the box (centred on the screen, modal, closed by its button, Enter or
// Escape) and gives its handle; it does not wait. Tag "msgbox"; the text control is tagged
// "MessageBox", the button "OKButton".
Handle msgbox(std::string_view message, std::string_view title);

}  // namespace quelvara::graphics
