#include "transcription/donor_front_end.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>

namespace quelvara::transcription {
namespace {

constexpr char code_separator = '\x1f';  // between the codes of a word; no code holds it

std::mutex& library_lock() {
  static std::mutex lock;
  return lock;
}

bool set_up() {
  static const bool ready = [] {
    // Retrieval mode opens no audio device; DONT_EXIT keeps a missing data folder from ending
    // the process.
    if (espeak_Initialize(AUDIO_OUTPUT_RETRIEVAL, 0, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) return false;
    return espeak_SetVoiceByName("pt") == EE_OK;
  }();
  return ready;
}

// Primary (') and secondary (,) stress stay on the code they mark; other marks go.
bool is_other_mark(char c) { return c == '%' || c == '='; }

void add_words(std::string_view phonemes, std::vector<DonorWord>& words) {
  std::size_t start = 0;
  while (start <= phonemes.size()) {
    std::size_t end = phonemes.find(' ', start);
    if (end == std::string_view::npos) end = phonemes.size();
    DonorWord word;
    std::string_view rest = phonemes.substr(start, end - start);
    while (!rest.empty()) {
      const std::size_t cut = rest.find(code_separator);
      std::string_view code = rest.substr(0, cut);
      rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
      while (!code.empty() && is_other_mark(code.front())) code.remove_prefix(1);
      if (code.find('(') != std::string_view::npos) word.foreign = true;
      if (!code.empty() && code != "'" && code != ",") word.codes.emplace_back(code);
    }
    if (!word.codes.empty() || word.foreign) words.push_back(std::move(word));
    start = end + 1;
  }
}

}  // namespace

std::optional<std::vector<DonorWord>> donor_reading(std::string_view text) {
  std::lock_guard guard(library_lock());
  if (!set_up()) return std::nullopt;
  const std::string terminated(text);
  std::vector<DonorWord> words;
  const void* rest = terminated.c_str();
  // One call per clause the front end sees; it sets rest to null after the last. Every call
  // reads at least one character, so the bound only guards against a library that would not.
  for (std::size_t calls = 0; rest && calls <= terminated.size(); ++calls) {
    const char* phonemes = espeak_TextToPhonemes(&rest, espeakCHARS_UTF8, code_separator << 8);
    if (phonemes) add_words(phonemes, words);
  }
  return words;
}

}  // namespace quelvara::transcription
