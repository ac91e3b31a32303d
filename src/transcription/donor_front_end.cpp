#include "transcription/donor_front_end.h"

#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>

#include <mutex>
#include <optional>

namespace quelvara::transcription {
namespace {

constexpr char code_separator = '\x1f';  // between the codes of a word; no code holds it

std::mutex& library_lock() {
  static std::mutex lock;
  return lock;
}

// The library is opened on first use, not when the process starts: it and the audio libraries
// it depends on take longer to load than a whole synthesis from a phonetic text, which needs
// none of them.
struct Library {
  decltype(&espeak_Initialize) initialize = nullptr;
  decltype(&espeak_SetVoiceByName) set_voice_by_name = nullptr;
  decltype(&espeak_TextToPhonemes) text_to_phonemes = nullptr;
  decltype(&espeak_SetSynthCallback) set_synth_callback = nullptr;
  decltype(&espeak_Synth) synth = nullptr;
  decltype(&espeak_Synchronize) synchronize = nullptr;
};

// The library hands its samples to a callback without a user pointer; one text at a time is
// collected here, under the library's lock.
std::vector<double>* collecting = nullptr;

int on_samples(short* samples, int count, espeak_EVENT*) {
  if (collecting && samples)
    for (int i = 0; i < count; ++i) collecting->push_back(samples[i] / 32768.0);
  return 0;
}

template <typename Function>
bool find(void* handle, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(handle, name));
  return function != nullptr;
}

// The library with its Portuguese voice set, or null when either is missing. Opened once and
// kept for the life of the process.
const Library* set_up() {
  static const std::optional<Library> ready = []() -> std::optional<Library> {
    void* handle = ::dlopen("libespeak-ng.so.1", RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return std::nullopt;
    Library library;
    if (!find(handle, "espeak_Initialize", library.initialize) ||
        !find(handle, "espeak_SetVoiceByName", library.set_voice_by_name) ||
        !find(handle, "espeak_TextToPhonemes", library.text_to_phonemes) ||
        !find(handle, "espeak_SetSynthCallback", library.set_synth_callback) ||
        !find(handle, "espeak_Synth", library.synth) || !find(handle, "espeak_Synchronize", library.synchronize)) {
      return std::nullopt;
    }
    // Retrieval mode opens no audio device; DONT_EXIT keeps a missing data folder from ending
    // the process.
    if (library.initialize(AUDIO_OUTPUT_RETRIEVAL, 0, nullptr, espeakINITIALIZE_DONT_EXIT) != 22050) return std::nullopt;
    library.set_synth_callback(on_samples);
    if (library.set_voice_by_name("pt") != EE_OK) return std::nullopt;
    return library;
  }();
  return ready ? &*ready : nullptr;
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
  const Library* library = set_up();
  if (library == nullptr) return std::nullopt;
  const std::string terminated(text);
  std::vector<DonorWord> words;
  const void* rest = terminated.c_str();
  // One call per clause the front end sees; it sets rest to null after the last. Every call
  // reads at least one character, so the bound only guards against a library that would not.
  for (std::size_t calls = 0; rest && calls <= terminated.size(); ++calls) {
    const char* phonemes = library->text_to_phonemes(&rest, espeakCHARS_UTF8, code_separator << 8);
    if (phonemes) add_words(phonemes, words);
  }
  return words;
}

std::optional<std::vector<double>> donor_speech(std::string_view text) {
  std::lock_guard guard(library_lock());
  const Library* library = set_up();
  if (library == nullptr) return std::nullopt;
  const std::string terminated(text);
  std::vector<double> samples;
  collecting = &samples;
  // In retrieval mode the library may synthesise on a thread of its own: the samples are all
  // handed over once it has synchronised.
  const espeak_ERROR status =
      library->synth(terminated.c_str(), terminated.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  library->synchronize();
  collecting = nullptr;
  if (status != EE_OK) return std::nullopt;
  return samples;
}

}  // namespace quelvara::transcription
