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

// "PCWIN" wherever the platform layer provides wave-audio playback, which it does on every host.
std::string platform_type();

}  // namespace quelvara::runtime
