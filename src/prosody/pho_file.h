#pragma once
// Prosody as the diphone-synthesis community scripts it: a .pho file, one phone per line with
// its length in ms and its pitch targets as pairs of position (% of the phone) and Hz. ";"
// starts a comment; blank lines are allowed.
#include <string>
#include <string_view>
#include <vector>

#include "prosody/prosody_file.h"
#include "prosody/prosody_target.h"

namespace quelvara::prosody {

// The target a .pho text asks for, or the first problem with it: a phone outside the
// inventory, a length that is not a positive number of ms up to longest_phone_ms, a position
// outside 0 to 100, a frequency outside lowest_hz to highest_hz, an odd count of pitch values,
// no phone at all, more than most_phones, a whole longer than longest_prosody_ms, or
// characters of a binary file. phone_lines, when given, receives the line of each phone.
Read<ProsodyTarget> read_pho(std::string_view text, std::vector<std::size_t>* phone_lines = nullptr);

// The .pho text of a target, opened by heading as a comment (one line). Reading it back gives
// the same target, number for number (stress is not part of the format).
std::string pho_text(const ProsodyTarget& target, std::string_view heading);

}  // namespace quelvara::prosody
