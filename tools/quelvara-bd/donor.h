#pragma once
// The donor voice: one carrier word, synthesised from phoneme input, with the sample-exact
// phoneme events and the per-sample source class the synthesiser reports.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace quelvara::tools {

// What produced a sample: the periodic source, the noise source, or nothing (exact zero).
enum class SourceClass : unsigned char { silence, noise, voiced };

struct PhonemeEvent {
  std::string name;    // the synthesiser's phoneme code, e.g. "a", "&~", "_:"
  std::size_t sample;  // first sample of the phoneme, from the start of the utterance
};

struct Utterance {
  std::vector<double> samples;       // 16-bit sample values, unscaled
  std::vector<SourceClass> classes;  // one per sample
  std::vector<PhonemeEvent> phonemes;
};

// Starts the synthesiser with the given voice file; the library is process-wide, so this is
// called once per process. Returns an error text, empty on success.
std::string open_donor(const std::filesystem::path& voice_file);

// Synthesises phoneme codes (written without the surrounding [[ ]]). The sample and class rows
// always have equal lengths.
Utterance speak_phonemes(const std::string& codes);

// The donor's exact pitch period in samples at its constant pitch.
double donor_period();

}  // namespace quelvara::tools
