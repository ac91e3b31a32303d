#pragma once
// Where each phone of a carrier lies in the donor's output, and where its steady part is.
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "tools/quelvara-bd/carrier.h"
#include "tools/quelvara-bd/donor.h"

namespace quelvara::tools {

struct PhoneSpan {
  std::size_t start = 0;   // first sample of the phone, acoustically
  std::size_t end = 0;     // one past its last sample
  std::size_t centre = 0;  // the middle of its steady part
  // Where a moving sound is searched for its steadiest period; empty unless the phone table
  // gives a range.
  std::size_t steady_first = 0;
  std::size_t steady_last = 0;
};

// One span per carrier token. Fails (with a message) when the donor did not say the phonemes
// it was given: it drops or rewrites codes it does not accept.
std::variant<std::vector<PhoneSpan>, std::string> segment(const Carrier& carrier,
                                                         const Utterance& utterance, double period);

}  // namespace quelvara::tools
