#include "tools/quelvara-bd/donor.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

namespace quelvara::tools {
namespace {

// The library reports through callbacks without a user pointer, so one utterance at a time is
// collected here; the library itself is process-wide and single-threaded.
Utterance* collecting = nullptr;

int on_audio(short* /*wav*/, int /*count*/, espeak_EVENT* events) {
  if (collecting == nullptr) return 0;
  for (espeak_EVENT* e = events; e != nullptr && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type != espeakEVENT_PHONEME) continue;
    char name[sizeof e->id.string + 1] = {};
    std::memcpy(name, e->id.string, sizeof e->id.string);
    collecting->phonemes.push_back({name, static_cast<std::size_t>(e->sample)});
  }
  return 0;
}

// The per-sample hooks see the same samples as the audio callback, in order, and say which
// source made each one.
void record(short sample, SourceClass source) {
  if (collecting == nullptr) return;
  collecting->samples.push_back(sample);
  collecting->classes.push_back(source);
}
void on_voiced(short sample) { record(sample, SourceClass::voiced); }
void on_unvoiced(short sample) { record(sample, SourceClass::noise); }
void on_silence(short sample) { record(sample, SourceClass::silence); }
void on_symbol(char* /*code*/, int /*type*/) {}

}  // namespace

std::string open_donor(const std::filesystem::path& voice_file) {
  const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                     espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
  if (rate != 22050) return "o sintetizador doador não arrancou a 22050 Hz";
  espeak_SetSynthCallback(on_audio);
  static espeak_ng_OUTPUT_HOOKS hooks{};
  hooks.outputPhoSymbol = on_symbol;
  hooks.outputSilence = on_silence;
  hooks.outputVoiced = on_voiced;
  hooks.outputUnvoiced = on_unvoiced;
  espeak_ng_SetOutputHooks(&hooks);
  // The library takes a voice file's path as a voice name: it keeps only its first 59 bytes,
  // lower-cases it and reads a "+" as the start of a variant. So the file is opened here and
  // handed over by the short name of its descriptor, whatever folder it lies in.
  const int fd = ::open(voice_file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "não foi possível abrir a voz " + voice_file.string();
  const std::string by_descriptor = "/proc/self/fd/" + std::to_string(fd);
  const bool loaded = espeak_ng_SetVoiceByFile(by_descriptor.c_str()) == ENS_OK ||
                      espeak_ng_SetVoiceByFile(voice_file.c_str()) == ENS_OK;  // without /proc
  ::close(fd);
  if (!loaded) return "não foi possível carregar a voz " + voice_file.string();
  return {};
}

Utterance speak_phonemes(const std::string& codes) {
  Utterance utterance;
  // A carrier word lasts about half a second; growing the rows sample by sample would copy
  // them and touch fresh memory many times over.
  utterance.samples.reserve(1 << 14);
  utterance.classes.reserve(1 << 14);
  const std::string text = "[[" + codes + "]]";
  collecting = &utterance;
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
               espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
  espeak_Synchronize();
  collecting = nullptr;
  return utterance;
}

double donor_period() {
  // The voice holds 130 Hz; the synthesiser steps its phase in 32-bit fixed point with a
  // per-sample increment truncated to whole units, which makes the period slightly longer than
  // 22050 / 130.
  const double increment = 130.0 * 32.0 * std::floor(134217728.0 / 22050.0);
  return 4294967296.0 / increment;
}

}  // namespace quelvara::tools
