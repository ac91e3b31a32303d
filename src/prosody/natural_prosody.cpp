#include "prosody/natural_prosody.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "prosody/prosody_file.h"
#include "synthesis/phones.h"

namespace quelvara::prosody {

extern const std::string_view natural_rules_text;  // natural-prosody.tsv, compiled in

namespace {

struct Parameter {
  std::string_view name;
  double NaturalRules::*value;
};

constexpr std::array<Parameter, 22> parameters{{
    {"consoante", &NaturalRules::consoante},
    {"vogal_tonica", &NaturalRules::vogal_tonica},
    {"vogal_acento_secundario", &NaturalRules::vogal_acento_secundario},
    {"vogal_atona", &NaturalRules::vogal_atona},
    {"vogal_reduzida", &NaturalRules::vogal_reduzida},
    {"vogal_reduzida_minima_ms", &NaturalRules::vogal_reduzida_minima_ms},
    {"alongamento_final", &NaturalRules::alongamento_final},
    {"pausa_inicial_ms", &NaturalRules::pausa_inicial_ms},
    {"pausa_ms", &NaturalRules::pausa_ms},
    {"pausa_final_ms", &NaturalRules::pausa_final_ms},
    {"inicio_hz", &NaturalRules::inicio_hz},
    {"acento_hz", &NaturalRules::acento_hz},
    {"acento_posicao", &NaturalRules::acento_posicao},
    {"declinacao_hz", &NaturalRules::declinacao_hz},
    {"nuclear_alto_hz", &NaturalRules::nuclear_alto_hz},
    {"nuclear_baixo_hz", &NaturalRules::nuclear_baixo_hz},
    {"nuclear_baixo_posicao", &NaturalRules::nuclear_baixo_posicao},
    {"fronteira_posicao", &NaturalRules::fronteira_posicao},
    {"final_declarativa_hz", &NaturalRules::final_declarativa_hz},
    {"final_interrogativa_hz", &NaturalRules::final_interrogativa_hz},
    {"final_continuacao_hz", &NaturalRules::final_continuacao_hz},
    {"sem_acento_hz", &NaturalRules::sem_acento_hz},
}};

constexpr int pause = 1;
bool reduced(int fonum) { return fonum == 26 || fonum == 29 || fonum == 30; }  // 6, u, @

// Lengths to a tenth of a ms and frequencies to a tenth of a Hz: the target then reads as it
// will be written.
double tenth(double x) { return std::round(x * 10) / 10; }

enum class Shape { statement, question, continuation };

// One phrase: the phones from first to last (inclusive) between pauses.
struct Phrase {
  std::size_t first, last;
  Shape shape;
};

void add_point(PhoneTarget& phone, double position, double hz) {
  phone.pitch.push_back({tenth(position), tenth(hz)});
  std::stable_sort(phone.pitch.begin(), phone.pitch.end(),
                   [](const PitchTarget& a, const PitchTarget& b) { return a.position < b.position; });
}

double final_hz(const NaturalRules& r, Shape shape) {
  switch (shape) {
    case Shape::statement: return r.final_declarativa_hz;
    case Shape::question: return r.final_interrogativa_hz;
    case Shape::continuation: return r.final_continuacao_hz;
  }
  return r.final_declarativa_hz;
}

void intonate(const NaturalRules& r, const Phrase& phrase, const std::vector<int>& numbers,
              std::span<const SpokenPhone> phones, ProsodyTarget& target) {
  std::vector<std::size_t> vowels, stressed;
  for (std::size_t k = phrase.first; k <= phrase.last; ++k) {
    if (!synthesis::is_vowel(numbers[k])) continue;
    vowels.push_back(k);
    if (phones[k].stress == Stress::primary) stressed.push_back(k);
  }
  if (vowels.empty()) return;
  const std::size_t last_vowel = vowels.back();
  const double boundary = final_hz(r, phrase.shape);

  if (stressed.empty()) {
    // Only the phrase's shape: its fall or rise on the last full vowel.
    std::size_t nucleus = last_vowel;
    for (std::size_t v : vowels)
      if (!reduced(numbers[v])) nucleus = v;
    if (vowels.front() != nucleus) add_point(target.phones[vowels.front()], 0, r.inicio_hz);
    add_point(target.phones[nucleus], 0, r.sem_acento_hz);
    add_point(target.phones[nucleus], r.fronteira_posicao, boundary);
    return;
  }

  const std::size_t nucleus = stressed.back();
  if (vowels.front() != nucleus) add_point(target.phones[vowels.front()], 0, r.inicio_hz);
  // The prenuclear accent, then the accents before the nucleus stepping down.
  const std::size_t accents = stressed.size() - 1;
  for (std::size_t j = 0; j < accents; ++j) {
    const double hz = accents == 1 ? r.acento_hz
                                   : r.acento_hz + (r.declinacao_hz - r.acento_hz) * static_cast<double>(j) /
                                                       static_cast<double>(accents - 1);
    add_point(target.phones[stressed[j]], r.acento_posicao, hz);
  }
  // The nuclear fall. When the phrase ends on the nucleus, the boundary shares its vowel: a
  // statement falls through it to the low end, a question or a continuation falls and rises.
  add_point(target.phones[nucleus], 0, r.nuclear_alto_hz);
  if (nucleus != last_vowel)
    add_point(target.phones[nucleus], r.nuclear_baixo_posicao, r.nuclear_baixo_hz);
  else if (phrase.shape != Shape::statement)
    add_point(target.phones[nucleus], std::min(r.nuclear_baixo_posicao, r.fronteira_posicao / 2), r.nuclear_baixo_hz);
  add_point(target.phones[last_vowel], r.fronteira_posicao, boundary);
}

}  // namespace

NaturalRules NaturalRules::read(std::string_view text) {
  NaturalRules rules{};
  std::array<bool, parameters.size()> seen{};
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    const std::string_view line = take_line(text);
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const std::string& why) {
      throw std::runtime_error("natural-prosody.tsv, line " + std::to_string(line_number) + ": " + why);
    };
    const auto tab = line.find('\t');
    if (tab == std::string_view::npos) fail("expected name<TAB>value");
    const std::string_view name = line.substr(0, tab);
    const auto value = number(line.substr(tab + 1));
    if (!value) fail("not a number");
    const auto found = std::find_if(parameters.begin(), parameters.end(), [&](const Parameter& p) { return p.name == name; });
    if (found == parameters.end()) fail("unknown parameter " + std::string(name));
    const auto index = static_cast<std::size_t>(found - parameters.begin());
    if (seen[index]) fail("parameter given twice");
    seen[index] = true;
    rules.*(found->value) = *value;
  }
  for (std::size_t k = 0; k < parameters.size(); ++k)
    if (!seen[k]) throw std::runtime_error("natural-prosody.tsv: missing " + std::string(parameters[k].name));
  return rules;
}

const NaturalRules& NaturalRules::compiled() {
  static const NaturalRules rules = read(natural_rules_text);
  return rules;
}

ProsodyTarget natural_prosody(std::span<const SpokenPhone> phones, char pontuacao, const NaturalRules& r) {
  const std::size_t n = phones.size();
  std::vector<int> numbers(n);
  for (std::size_t k = 0; k < n; ++k) numbers[k] = synthesis::phone_number(phones[k].phone).value_or(0);

  std::vector<Phrase> phrases;
  for (std::size_t k = 0; k < n;) {
    if (numbers[k] == pause) {
      ++k;
      continue;
    }
    std::size_t last = k;
    while (last + 1 < n && numbers[last + 1] != pause) ++last;
    phrases.push_back({k, last, Shape::continuation});
    k = last + 1;
  }
  if (!phrases.empty()) phrases.back().shape = pontuacao == '?' ? Shape::question : Shape::statement;

  ProsodyTarget target;
  for (std::size_t k = 0; k < n; ++k) {
    const double donor = phones[k].donor_ms;
    double length = donor * r.consoante;
    if (numbers[k] == pause) {
      length = k == 0 ? r.pausa_inicial_ms : k + 1 == n ? r.pausa_final_ms : r.pausa_ms;
    }
    target.phones.push_back({phones[k].phone, length, phones[k].stress, {}});
  }
  for (const Phrase& phrase : phrases) {
    const bool marked = std::any_of(phones.begin() + static_cast<std::ptrdiff_t>(phrase.first),
                                    phones.begin() + static_cast<std::ptrdiff_t>(phrase.last) + 1,
                                    [](const SpokenPhone& p) { return p.stress != Stress::none; });
    std::size_t last_vowel = phrase.last + 1;
    for (std::size_t k = phrase.first; k <= phrase.last; ++k) {
      if (!synthesis::is_vowel(numbers[k])) continue;
      last_vowel = k;
      if (!marked) {
        target.phones[k].length_ms = phones[k].donor_ms;
        continue;
      }
      const double donor = phones[k].donor_ms;
      switch (phones[k].stress) {
        case Stress::primary: target.phones[k].length_ms = donor * r.vogal_tonica; break;
        case Stress::secondary: target.phones[k].length_ms = donor * r.vogal_acento_secundario; break;
        case Stress::none:
          target.phones[k].length_ms = reduced(numbers[k])
                                           ? std::max(donor * r.vogal_reduzida, std::min(donor, r.vogal_reduzida_minima_ms))
                                           : donor * r.vogal_atona;
          break;
      }
    }
    // The phrase's last syllable: its vowel and the consonants that close it.
    for (std::size_t k = last_vowel; k <= phrase.last; ++k) target.phones[k].length_ms *= r.alongamento_final;
    intonate(r, phrase, numbers, phones, target);
  }
  for (PhoneTarget& phone : target.phones) phone.length_ms = tenth(phone.length_ms);
  return target;
}

}  // namespace quelvara::prosody
