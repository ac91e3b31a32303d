// Transcribing a text of 1,000 words of ordinary European Portuguese prose, with numbers and
// punctuation, once the donor's front end is set up (setting it up is a one-off cost of the
// first transcription in a process).
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "transcription/transcriber.h"

using namespace quelvara;

namespace {

constexpr const char* paragraph =
    "A cidade de Lisboa fica junto ao rio Tejo e tem muitas colinas, ruas estreitas e casas "
    "antigas com azulejos. Todos os dias milhares de pessoas apanham o comboio, o autocarro ou o "
    "elétrico para ir trabalhar; outras preferem andar a pé pela baixa. Em 2024 a cidade recebeu "
    "mais de 8 milhões de visitantes, que comeram pastéis de nata, ouviram fado e viram o pôr do "
    "sol no miradouro. O meu irmão diz que o melhor café é o da esquina: custa 80 cêntimos e o "
    "empregado sabe sempre o nome de quem entra! Será verdade? Não sei, mas a minha mãe também "
    "gosta muito de lá ir ao domingo de manhã, antes do almoço com a família.";

std::string thousand_words() {
  std::string text;
  int words = 0;
  while (words < 1000) {
    std::istringstream in(paragraph);
    std::string word;
    while (words < 1000 && in >> word) {
      text += (text.empty() ? "" : " ") + word;
      ++words;
    }
  }
  return text;
}

void BM_Transcribe1000Words(benchmark::State& state) {
  const std::string text = thousand_words();
  const auto first = transcription::transcribe(text);  // sets the front end up
  if (first.status != transcription::Transcription::Status::ok) {
    state.SkipWithError(transcription::message(first).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(transcription::transcribe(text));
  state.counters["words"] = 1000;
  state.counters["phones_out"] = static_cast<double>(first.sampa.size());
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_Transcribe1000Words)->Unit(benchmark::kMillisecond);

}  // namespace
