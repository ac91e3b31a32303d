#pragma once
// "Natural" intonation and rhythm: rules for European Portuguese as spoken in Lisbon, with
// their parameters in one data file (natural-prosody.tsv, compiled in).
//
// Phrases run between pauses ("_"). A statement has a prenuclear accent on its first stressed
// syllable, declination, and a nuclear fall on its last stressed syllable, ending low; a yes/no
// question has the same fall, then a final rise on its last syllable; a phrase before a pause
// inside the text ends in a continuation rise. Stressed vowels are longer than unstressed ones,
// unstressed 6, @ and u short, a phrase's last syllable lengthened, and pauses have set lengths.
// A phrase without stress marks has only its shape: the fall or rise on its last full vowel,
// its final lengthening and its pauses.
#include <span>
#include <string>
#include <string_view>

#include "prosody/prosody_target.h"

namespace quelvara::prosody {

// A phone of the joined signal: its symbol, its stress and how long it lasts there.
struct SpokenPhone {
  std::string phone;
  Stress stress = Stress::none;
  double donor_ms = 0;
};

struct NaturalRules {
  double consoante, vogal_tonica, vogal_acento_secundario, vogal_atona, vogal_reduzida, vogal_reduzida_minima_ms,
      alongamento_final, pausa_inicial_ms, pausa_ms, pausa_final_ms;
  double inicio_hz, acento_hz, acento_posicao, declinacao_hz, nuclear_alto_hz, nuclear_baixo_hz,
      nuclear_baixo_posicao, fronteira_posicao, final_declarativa_hz, final_interrogativa_hz, final_continuacao_hz,
      sem_acento_hz;

  // Rows "name<TAB>value"; "#" lines and blank lines are skipped. Every parameter once, and no
  // other; throws std::runtime_error naming the line at fault.
  static NaturalRules read(std::string_view text);
  // The rules of natural-prosody.tsv.
  static const NaturalRules& compiled();
};

// The target for phones said with the rules; pontuacao is the text's final mark ("?" makes the
// last phrase a question).
ProsodyTarget natural_prosody(std::span<const SpokenPhone> phones, char pontuacao,
                              const NaturalRules& rules = NaturalRules::compiled());

}  // namespace quelvara::prosody
