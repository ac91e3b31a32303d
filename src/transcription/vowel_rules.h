#pragma once
// The vowels of a word where the front end's are not those of Lisbon speech, mended by rules on
// its spelling: the first syllable (es-, ex-, hos-, e-), e before a vowel, stressed vowels by
// ending, plurals (the vowel of the singular), and words derived from one with a stressed open
// vowel (novecentos, certamente).
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

struct WordPhones {
  std::vector<std::string> phones;
  std::optional<std::size_t> stressed;  // the phone that carries the stress, when known
};

class VowelRules {
 public:
  // Rows of vowel-endings.tsv. Throws std::runtime_error naming the line of a malformed row.
  static VowelRules read(std::string_view endings);

  // How another word reads (the singular of a plural, the stem of a derived word); null when
  // it cannot be read.
  using Reader = std::function<std::shared_ptr<const WordPhones>(std::string_view spelling)>;

  // Mends word, the front end's reading of spelling (one word, lower case).
  void apply(std::string_view spelling, WordPhones& word, const Reader& read) const;

 private:
  struct Ending {
    std::string ending, from, to;
  };
  std::vector<Ending> endings_;
};

}  // namespace quelvara::transcription
