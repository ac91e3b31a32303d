#include "runtime/error.h"

#include <new>

namespace quelvara::runtime {

RuntimeError as_runtime_error(const std::exception& error) {
  if (const auto* e = dynamic_cast<const RuntimeError*>(&error)) return *e;
  if (dynamic_cast<const std::bad_alloc*>(&error)) return RuntimeError(out_of_memory_message);
  return RuntimeError(error.what());
}

RuntimeError current_runtime_error() {
  try {
    throw;
  } catch (const std::exception& e) {
    return as_runtime_error(e);
  } catch (...) {
    return RuntimeError("Unknown error.");
  }
}

}  // namespace quelvara::runtime
