// Feeds arbitrary bytes to the layout loader: it must refuse or load, never crash, and leave no
// window behind once the loaded one is deleted.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/callbacks.h"
#include "graphics/layout.h"
#include "graphics/object_tree.h"
#include "runtime/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quelvara;
  // Creation callbacks have no framework to reach here; their errors are expected and quiet.
  graphics::set_callback_error_handler([](const std::exception&) {});
  runtime::Record overrides;
  overrides.set("Visible", runtime::Value("off"));
  try {
    graphics::load_layout_text(std::string_view(reinterpret_cast<const char*>(data), size), overrides, "fuzz.fig");
  } catch (const runtime::RuntimeError&) {
  }
  graphics::reset_tree();
  return 0;
}
