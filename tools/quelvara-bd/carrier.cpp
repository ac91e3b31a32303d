#include "tools/quelvara-bd/carrier.h"

namespace quelvara::tools {
namespace {

// Context sounds: [t], and the vowels [a], [ɐ], [ɨ].
CarrierToken context(const char* code, bool stressed = false) {
  const PhoneKind kind = std::string(code) == "t" ? PhoneKind::plosive : PhoneKind::vowel;
  return {{code}, stressed, kind, nullptr};
}
CarrierToken phone_token(const PhoneEntry& phone, bool stressed) {
  return {phone.codes, stressed, phone.kind, &phone};
}

}  // namespace

bool is_vowel(const PhoneEntry& phone) { return phone.kind == PhoneKind::vowel; }

std::string Carrier::codes() const {
  // "|" keeps neighbouring codes apart, so the donor cannot read [t]+[s] as one affricate.
  std::string text;
  for (const auto& token : tokens) {
    if (token.stressed) text += '\'';
    for (const auto& code : token.codes) text += (text.empty() || text.back() == '\'' ? "" : "|") + code;
  }
  return text;
}

std::vector<std::string> Carrier::phonemes() const {
  std::vector<std::string> list;
  for (const auto& token : tokens) list.insert(list.end(), token.codes.begin(), token.codes.end());
  return list;
}

std::size_t Carrier::first_event(std::size_t token) const {
  std::size_t index = 0;
  for (std::size_t k = 0; k < token && k < tokens.size(); ++k) index += tokens[k].codes.size();
  return index;
}

std::optional<Carrier> make_carrier(const PhoneTable& table, int fonum1, int fonum2) {
  const PhoneEntry& x = table.at(static_cast<std::size_t>(fonum1 - 1));
  const PhoneEntry& y = table.at(static_cast<std::size_t>(fonum2 - 1));
  const bool x_pause = x.kind == PhoneKind::pause;
  const bool y_pause = y.kind == PhoneKind::pause;
  if (x_pause && y_pause) return std::nullopt;

  Carrier carrier;
  auto& t = carrier.tokens;
  bool stressed = false;
  // Left context: a full vowel carries the stress itself, a reduced one follows the stressed
  // syllable [ta]; a consonant stands between vowels, before the stressed one when a full vowel
  // follows it, else after a stressed [a] (as in its units after a vowel).
  if (x_pause) {
    t.push_back(phone_token(x, false));
  } else if (is_vowel(x)) {
    if (x.reduced) {
      t.push_back(context("t"));
      t.push_back(context("a", true));
      t.push_back(context("t"));
    } else {
      t.push_back(context("t"));
    }
    t.push_back(phone_token(x, !x.reduced));
    stressed = true;
  } else if (is_vowel(y) && !y.reduced) {
    t.push_back(context("&"));
    t.push_back(phone_token(x, false));
  } else {
    t.push_back(context("t"));
    t.push_back(context("a", true));
    t.push_back(phone_token(x, false));
    stressed = true;
  }
  carrier.first = t.size() - 1;

  // The donor's uvular R exists only before a vowel; elsewhere it leans on a short [ɨ].
  if (x.kind == PhoneKind::uvular && !is_vowel(y)) t.push_back(context("y"));

  const bool y_stressed = is_vowel(y) && !stressed && !y.reduced;
  t.push_back(phone_token(y, y_stressed));
  stressed = stressed || y_stressed;
  carrier.second = t.size() - 1;

  // Right context: a consonant is followed by a vowel, a vowel by [t&], a reduced vowel after
  // the pause by the stressed syllable [ta] first; a pause ends the word.
  if (!y_pause) {
    if (is_vowel(y)) {
      t.push_back(context("t"));
      if (!stressed) {
        t.push_back(context("a", true));
        t.push_back(context("t"));
      }
      t.push_back(context("&"));
    } else if (x_pause) {
      t.push_back(context("a", true));
      t.push_back(context("t"));
      t.push_back(context("&"));
    } else {
      t.push_back(context("&"));
    }
  }
  return carrier;
}

}  // namespace quelvara::tools
