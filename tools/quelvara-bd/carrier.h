#pragma once
// The nonsense carrier word of one diphone: one word, one explicit stress, a neutral context
// around the two phones, and silence on both sides.
#include <optional>
#include <string>
#include <vector>

#include "tools/quelvara-bd/phone_table.h"

namespace quelvara::tools {

struct CarrierToken {
  std::vector<std::string> codes;  // donor phonemes, in order
  bool stressed = false;
  PhoneKind kind = PhoneKind::vowel;
  const PhoneEntry* phone = nullptr;  // the inventory phone, or nullptr for context
};

struct Carrier {
  std::vector<CarrierToken> tokens;
  std::size_t first = 0;   // token of the diphone's first phone
  std::size_t second = 0;  // token of its second phone

  std::string codes() const;                   // what the donor is given, without [[ ]]
  std::vector<std::string> phonemes() const;   // the phonemes it must report, in order
  std::size_t first_event(std::size_t token) const;  // index of the token's first phoneme
};

// The carrier of the pair (fonum1, fonum2); nullopt for "_" + "_", which is pure silence and
// needs no donor.
std::optional<Carrier> make_carrier(const PhoneTable& table, int fonum1, int fonum2);

bool is_vowel(const PhoneEntry& phone);

}  // namespace quelvara::tools
