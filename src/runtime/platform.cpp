#include "runtime/platform.h"

namespace quelvara::runtime {

// The platform type names the wave-audio services the platform layer offers, not the operating
// system: this layer provides the synchronous playback routine on every host, so it answers
// "PCWIN", the one answer for which playback runs.
std::string platform_type() { return "PCWIN"; }

}  // namespace quelvara::runtime
