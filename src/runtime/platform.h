#pragma once
// Queries about the platform the program runs on.
#include <string>

namespace quelvara::runtime {

constexpr bool ispc() {
#ifdef _WIN32
  return true;
#else
  return false;
#endif
}

constexpr bool isunix() { return !ispc(); }

// "PCWIN" on Windows; "LINUX", "MAC" or "UNIX" elsewhere.
std::string platform_type();

}  // namespace quelvara::runtime
