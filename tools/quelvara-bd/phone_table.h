#pragma once
// The reviewed table that renders each phone of the inventory in the donor's phoneme codes.
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace quelvara::tools {

enum class PhoneKind { pause, plosive, voiced_plosive, fricative, nasal, lateral, tap, uvular, vowel };

struct PhoneEntry {
  int number = 0;                  // 1..46, the inventory number
  std::string sampa;               // the inventory symbol
  std::vector<std::string> codes;  // one or two donor phonemes
  PhoneKind kind = PhoneKind::pause;
  double centre = 0.5;  // steady part within the phone's span when a vowel follows
  // For a phone whose sound moves (diphthongs, the dark l): the share of its span searched, in
  // every context, for its steadiest period ("0.05-0.5" in the table); empty when steady_to is 0.
  double steady_from = 0;
  double steady_to = 0;
  bool reduced = false;  // a vowel said only unstressed ("reduced-vowel" in the table)
};

// One entry per inventory phone, in inventory order (entry k has number k + 1).
using PhoneTable = std::vector<PhoneEntry>;

// Reads the table; every inventory phone must appear exactly once, with its own number.
// Throws std::runtime_error naming the line at fault.
PhoneTable read_phone_table(std::istream& in);
PhoneTable read_phone_table(const std::filesystem::path& file);

}  // namespace quelvara::tools
