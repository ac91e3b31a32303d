#include "runtime/platform.h"

namespace quelvara::runtime {

std::string platform_type() {
#if defined(_WIN32)
  return "PCWIN";
#elif defined(__APPLE__)
  return "MAC";
#elif defined(__linux__)
  return "LINUX";
#else
  return "UNIX";
#endif
}

}  // namespace quelvara::runtime
