// The transcriber on the donor's front end: the shape of what it writes, the words it must get
// right, and its refusals.
#include "transcription/transcriber.h"

#include <gtest/gtest.h>

#include "synthesis/text_reader.h"

namespace quelvara::transcription {
namespace {

using Status = Transcription::Status;

std::string sampa(std::string_view text) {
  const Transcription t = transcribe(text);
  EXPECT_EQ(t.status, Status::ok) << text << ": " << message(t);
  return t.sampa;
}

TEST(Transcriber, TheWordsOfTheRequestComeOutInEuropeanPortuguese) {
  EXPECT_EQ(sampa("obrigado"), "_obrigadu_");
  EXPECT_EQ(sampa("Lisboa"), "_liZbo6_");
  EXPECT_EQ(sampa("pão"), "_p6~w_");
  EXPECT_EQ(sampa("mãe"), "_m6~j_");
  EXPECT_EQ(sampa("muito"), "_mu~jtu_");
  EXPECT_EQ(sampa("chave"), "_Sav@_");
  EXPECT_EQ(sampa("sal"), "_sal~_");
  EXPECT_EQ(sampa("rato"), "_Ratu_");
  EXPECT_EQ(sampa("coração"), "_kur6s6~w_");
}

TEST(Transcriber, PausesComeFromPunctuationAndThePhraseRunsOnWithoutBlanks) {
  EXPECT_EQ(sampa("Bom dia, Lisboa!"), "_bo~di6_liZbo6_!");
  EXPECT_EQ(sampa("  sim;   não: talvez  "), "_si~_n6~w_tal~veS_");
  EXPECT_EQ(sampa("Sim. Não?"), "_si~_n6~w_?");
  EXPECT_EQ(sampa("Sim, , não..."), "_si~_n6~w_.");
  EXPECT_EQ(sampa("«Sim», disse ele."), "_si~_dis@el@_.");
  const std::string long_text = sampa("O gato e o cão dormem na casa grande, não é?");
  EXPECT_EQ(long_text.find(' '), std::string::npos);
  // The reader takes the whole text: every diphone is a pair of inventory phones.
  const auto reading = synthesis::read_text(long_text);
  ASSERT_TRUE(reading);
  EXPECT_EQ(reading->pontuacao, '?');
  EXPECT_EQ(reading->pal, long_text.substr(0, long_text.size() - 1));
  for (const auto& d : reading->diphones) EXPECT_TRUE(d.fonum1 && d.fonum2) << d.dif;
}

TEST(Transcriber, NumbersAndSymbolsAreSpeltOut) {
  EXPECT_EQ(sampa("2"), "_dojS_");
  EXPECT_EQ(sampa("3,5"), sampa("três vírgula cinco"));
  const std::string percent = sampa("10%");
  EXPECT_TRUE(percent.starts_with("_dES") && percent.ends_with("se~tu_")) << percent;
}

TEST(Transcriber, ListedWordsWinInAnyCaseAndJoinTheirNeighbours) {
  EXPECT_EQ(sampa("MUITO"), "_mu~jtu_");
  EXPECT_EQ(transcribe("obrigado", {.exceptions = false}).sampa, "_Obrigadu_");
  // A final s before a listed word that starts with a vowel or a voiced consonant.
  EXPECT_EQ(sampa("três e quatro"), "_trezikuatru_");
  EXPECT_EQ(sampa("mais muito"), "_majZmu~jtu_");
  EXPECT_EQ(sampa("mais ter"), "_majSter_");
}

TEST(Transcriber, EmptyOrWordlessTextsAreRefusedWithAMessage) {
  for (std::string_view text : {"", "   ", "\t\n"}) {
    const Transcription t = transcribe(text);
    EXPECT_EQ(t.status, Status::empty_text);
    EXPECT_EQ(message(t), "Escreva um texto em português para transcrever.");
    EXPECT_TRUE(t.sampa.empty());
  }
  for (std::string_view text : {".", "?!", " , ; ... ", "«»", "( — )"}) {
    const Transcription t = transcribe(text);
    EXPECT_EQ(t.status, Status::nothing_to_transcribe) << text;
    EXPECT_EQ(message(t), "O texto não tem palavras para transcrever.");
  }
}

TEST(Transcriber, CharactersItCannotReadAreReportedWithTheirPositions) {
  const Transcription t = transcribe("pão # mãe ~ e ^");
  ASSERT_EQ(t.status, Status::untranscribable);
  EXPECT_TRUE(t.sampa.empty());
  ASSERT_EQ(t.problems.size(), 3u);
  EXPECT_EQ(t.problems[0].position, 5u);
  EXPECT_EQ(t.problems[0].text, "#");
  EXPECT_EQ(t.problems[1].position, 11u);
  EXPECT_EQ(t.problems[2].position, 15u);
  EXPECT_EQ(message(t), "Não é possível transcrever «#» (posição 5), «~» (posição 11), «^» (posição 15).");

  const Transcription inside = transcribe("ca_sa");
  ASSERT_EQ(inside.problems.size(), 1u);
  EXPECT_EQ(inside.problems[0].position, 3u);

  const Transcription broken = transcribe("mãe \xFF");
  ASSERT_EQ(broken.status, Status::untranscribable);
  EXPECT_EQ(broken.problems[0].position, 5u);
}

TEST(Transcriber, WordsTheFrontEndReadsInAnotherLanguageAreReportedWhole) {
  const Transcription t = transcribe("olá, thanks amigo");
  ASSERT_EQ(t.status, Status::untranscribable);
  ASSERT_EQ(t.problems.size(), 1u);
  EXPECT_EQ(t.problems[0].position, 6u);
  EXPECT_EQ(t.problems[0].text, "thanks");
  // Letters of another script are refused one by one.
  const Transcription cyrillic = transcribe("até Москва");
  ASSERT_EQ(cyrillic.status, Status::untranscribable);
  ASSERT_EQ(cyrillic.problems.size(), 6u);
  EXPECT_EQ(cyrillic.problems[0].position, 5u);
  EXPECT_EQ(cyrillic.problems[0].text, "М");
}

TEST(Transcriber, ManyProblemsAreCountedAfterTheFirstFive) {
  const Transcription t = transcribe("# # # # # # #");
  EXPECT_EQ(t.problems.size(), 7u);
  EXPECT_NE(message(t).find("e mais 2."), std::string::npos) << message(t);
}

}  // namespace
}  // namespace quelvara::transcription
