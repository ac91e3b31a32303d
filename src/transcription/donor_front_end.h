#pragma once
// The donor library's European Portuguese text front end: how it would say a text, as phoneme
// codes per word. The library keeps global state and is not thread-safe: it is set up once per
// process, on first use, and every call is serialised.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

struct DonorWord {
  std::vector<std::string> codes;  // a stressed vowel's code starts with ' (primary) or , (secondary)
  bool foreign = false;            // the front end switched to another language for it
};

// The words of text as the front end reads them (numbers and symbols spelt out); nullopt when
// the library or its Portuguese voice cannot be set up.
std::optional<std::vector<DonorWord>> donor_reading(std::string_view text);

// text spoken by the donor's own formant synthesis, with its own intonation and rhythm: samples
// at 22050 per second, within -1 to 1; nullopt when the library or its voice cannot be set up.
std::optional<std::vector<double>> donor_speech(std::string_view text);

}  // namespace quelvara::transcription
