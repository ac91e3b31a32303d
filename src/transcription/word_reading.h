#pragma once
// How one written word sounds on its own, in inventory phones: a listed exception, or the
// front end's reading of the word alone with the code rules and the vowel rules. Every word
// takes this road, typed or made by normalisation, so the same word always gives the same
// phones; what neighbours do to each other is left to the joining of a phrase.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "transcription/vowel_rules.h"

namespace quelvara::transcription {

using Phones = std::vector<std::string>;
using PartReading = std::shared_ptr<const WordPhones>;  // shared with the memory of readings

// The front end's library or its Portuguese voice is missing.
struct FrontEndUnavailable : std::runtime_error {
  FrontEndUnavailable() : std::runtime_error("the Portuguese front end is unavailable") {}
};

// The phones of word, one list per part (a hyphen separates parts: chama-se); nullopt when
// the front end reads it in another language or writes a code no rule maps. exceptions false
// leaves the exception list out (to measure the rest). Readings are remembered for the life of
// the process. Throws FrontEndUnavailable.
std::optional<std::vector<PartReading>> read_word(std::string_view word, bool exceptions = true);

}  // namespace quelvara::transcription
