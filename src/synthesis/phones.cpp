#include "synthesis/phones.h"

namespace quelvara::synthesis {

std::optional<int> phone_number(std::string_view symbol) {
  for (std::size_t c = 0; c < fonemas.size(); ++c) {
    if (fonemas[c] == symbol) return static_cast<int>(c) + 1;
  }
  return std::nullopt;
}

}  // namespace quelvara::synthesis
