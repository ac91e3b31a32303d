// quelvara-transcribe-text: transcribes one text of 10,000 characters in a fresh process, for
// comparing written forms (numbers, money, dates, abbreviations) with ordinary words by time and
// peak memory (bench/numbers_vs_words.sh). Prints the characters read, the phones written and
// the milliseconds the transcription took, the front end's set-up excluded.
// Usage: quelvara-transcribe-text words|numbers
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "transcription/transcriber.h"

using namespace quelvara;

namespace {

constexpr const char* words =
    "A cidade de Lisboa fica junto ao rio Tejo e tem muitas colinas, ruas estreitas e casas antigas "
    "com azulejos. Todos os dias milhares de pessoas apanham o comboio, o autocarro ou o elétrico para "
    "ir trabalhar; outras preferem andar a pé pela baixa. O meu irmão diz que o melhor café é o da "
    "esquina e o empregado sabe sempre o nome de quem entra! Será verdade? Não sei, mas a minha mãe "
    "também gosta muito de lá ir ao domingo de manhã, antes do almoço com a família. ";

constexpr const char* numbers =
    "O Dr. Silva pagou 1.234,56 € a 25/04/1974 às 14h30; a Sra. Costa ficou em 2.º lugar com 3,5 % "
    "e 1 200 kg no séc. XXI, n.º 15, pág. 327. Em 2024 havia 8 000 000 de visitantes e 21 pessoas "
    "a 37 °C, com 0,75 € por 250 ml, etc. D. João V viu 999 999 999 999 casas! A RTP e a Dra. Ana "
    "deram 45 min, 12 h e 3/4 de 10-15 km, p. ex. 1.ª vez. ";

// The paragraph's words over and over, up to the last that fits in 10,000 characters, padded
// with blanks to exactly that many.
std::string text_of(const char* paragraph) {
  constexpr std::size_t length = 10'000;
  std::vector<std::string> all;
  for (std::istringstream in(paragraph); in >> all.emplace_back();) {}
  all.pop_back();
  std::string text;
  std::size_t characters = 0;
  for (std::size_t k = 0;; k = (k + 1) % all.size()) {
    std::size_t size = 1;  // with its blank
    for (unsigned char c : all[k]) size += (c & 0xC0) != 0x80;
    if (characters + size > length) break;
    text += all[k] + ' ';
    characters += size;
  }
  return text + std::string(length - characters, ' ');
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 2 ? argv[1] : "";
  if (kind != "words" && kind != "numbers") {
    std::cerr << "usage: quelvara-transcribe-text words|numbers\n";
    return 2;
  }
  transcription::transcribe("olá");  // sets the front end up
  const std::string text = text_of(kind == "words" ? words : numbers);
  const auto start = std::chrono::steady_clock::now();
  const transcription::Transcription result = transcription::transcribe(text);
  const auto took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start);
  if (result.status != transcription::Transcription::Status::ok) {
    std::cerr << transcription::message(result) << '\n';
    return 1;
  }
  std::cout << kind << ": 10000 characters, " << result.sampa.size() << " characters of SAMPA, " << took.count()
            << " ms\n";
}
