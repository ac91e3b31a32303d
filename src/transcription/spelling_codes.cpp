#include "transcription/spelling_codes.h"

namespace quelvara::transcription {
namespace {

// Whether the byte at k of a word in lower case belongs to a vowel letter: a to u, or one with
// an accent (two bytes, 0xC3 and another; ç is the only other letter written so).
bool vowel_letter(std::string_view spelling, std::size_t k) {
  const auto byte = static_cast<unsigned char>(spelling[k]);
  if (byte < 0x80) return std::string_view("aeiou").find(static_cast<char>(byte)) != std::string_view::npos;
  if ((byte & 0xC0) == 0x80) return k > 0 && vowel_letter(spelling, k - 1);
  return byte == 0xC3 && k + 1 < spelling.size() && static_cast<unsigned char>(spelling[k + 1]) != 0xA7;
}

// The front end writes an l after u and before a consonant as the glide it writes for ou
// (cultura, resultado, sou): where the spelling has ul and no ou, the glide is the l.
void coda_l(std::string_view spelling, std::vector<std::string>& codes) {
  if (spelling.find("ou") != std::string_view::npos) return;
  bool coda = false;
  for (std::size_t at = spelling.find("ul"); at != std::string_view::npos; at = spelling.find("ul", at + 1))
    coda = coda || at + 2 == spelling.size() || !vowel_letter(spelling, at + 2);
  if (!coda) return;
  for (std::size_t k = 1; k < codes.size(); ++k)
    if (codes[k] == "w" && (codes[k - 1] == "u" || codes[k - 1] == ",u" || codes[k - 1] == "'u")) codes[k] = "l";
}

bool vowel_code(const std::string& code) {
  const std::size_t at = code.find_first_not_of("',");
  return at < code.size() && std::string_view("aeiouAEIOUy&@").find(code[at]) != std::string_view::npos;
}

// sc before e or i is [Ss] in Lisbon speech (nascer, piscina); the front end writes one s. Its s is found by counting the vowels before it in the spelling and the codes.
void sc(std::string_view spelling, std::vector<std::string>& codes) {
  for (std::size_t at = spelling.find("sc"); at != std::string_view::npos; at = spelling.find("sc", at + 1)) {
    const std::string_view after = spelling.substr(at + 2);
    if (!(after.starts_with("e") || after.starts_with("i") || after.starts_with("é") || after.starts_with("ê") ||
          after.starts_with("í")))
      continue;
    std::size_t vowels = 0;
    for (std::size_t k = 0; k < at; ++k)
      if (vowel_letter(spelling, k) && (k == 0 || !vowel_letter(spelling, k - 1))) ++vowels;
    std::size_t seen = 0;
    for (std::size_t k = 0; k < codes.size(); ++k) {
      if (vowel_code(codes[k]) && (k == 0 || !vowel_code(codes[k - 1]))) ++seen;
      if (seen == vowels && codes[k] == "s") {
        codes.insert(codes.begin() + static_cast<std::ptrdiff_t>(k), "s#");
        break;
      }
    }
  }
}

}  // namespace

void mend_by_spelling(std::string_view spelling, std::vector<std::string>& codes) {
  coda_l(spelling, codes);
  sc(spelling, codes);
}

}  // namespace quelvara::transcription
