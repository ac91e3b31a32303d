// The transcriber on the donor's front end: the shape of what it writes, the words it must get
// right, and its refusals.
#include "transcription/transcriber.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "synthesis/stress_marks.h"
#include "synthesis/text_reader.h"
#include "transcription/donor_front_end.h"

namespace quelvara::transcription {
namespace {

using Status = Transcription::Status;

// The phones of the transcription, without its stress marks (the test of its own below).
std::string sampa(std::string_view text) {
  const Transcription t = transcribe(text);
  EXPECT_EQ(t.status, Status::ok) << text << ": " << message(t);
  return synthesis::strip_stress_marks(t.sampa).text;
}

TEST(Transcriber, EachWordsStressOpensItsSyllableAndLeaningWordsHaveNone) {
  EXPECT_EQ(transcribe("Lisboa").sampa, "_liZ\"bo6_");
  EXPECT_EQ(transcribe("obrigado").sampa, "_obri\"gadu_");              // a listed word, stressed as read
  EXPECT_EQ(transcribe("problema").sampa, "_pru\"blem6_");              // the onset of a cluster
  EXPECT_EQ(transcribe("O gato dorme.").sampa, "_u\"gatu\"dOrm@_.");   // not on the article
  EXPECT_EQ(transcribe("Eu gosto de Lisboa.").sampa, "_\"ew\"gOStud@liZ\"bo6_.");
  EXPECT_EQ(transcribe("café").sampa, "_k6\"fE_");
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

TEST(Transcriber, WordsSoundTheSameWhereverTheyCameFromAndTheirFinalSibilantFollowsTheNextSound) {
  EXPECT_EQ(sampa("2"), "_dojS_");
  EXPECT_EQ(sampa("Tenho 23 anos."), "_t6Juvi~t@itrez6nuS_.");
  EXPECT_EQ(sampa("Subiu 3 %."), sampa("Subiu três por cento."));
  EXPECT_EQ(sampa("São 10 horas."), "_s6~wdEzOr6S_.");
  // [z] before a vowel, [Z] before a voiced consonant, [S] before a voiceless one or a pause.
  EXPECT_EQ(sampa("dez anos, dez dias, dez casas, dez"), "_dEz6nuS_dEZdi6S_dESkaz6S_dES_");
  EXPECT_EQ(sampa("Vou à praia às dez."), "_voapraj6aZdES_.");
  // A hyphen joins words that are read one by one.
  EXPECT_EQ(sampa("chama-se"), "_S6m6s@_");
}

TEST(Transcriber, ListedWordsWinInAnyCaseAndJoinTheirNeighbours) {
  EXPECT_EQ(sampa("MUITO"), "_mu~jtu_");
  EXPECT_EQ(transcribe("obrigado", {.exceptions = false}).sampa, "_Obri\"gadu_");
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

  // The position is in the text as typed, not in its phrase nor in what it was read as.
  const Transcription later = transcribe("Custa 10 €, à vista # já.");
  ASSERT_EQ(later.problems.size(), 1u);
  EXPECT_EQ(later.problems[0].position, 21u);
}

TEST(Transcriber, InvalidUtf8ControlCharactersAndEmojiAreNamedAndNothingIsTranscribed) {
  const Transcription t = transcribe("mãe \xFF pai\x07 \U0001F600 \u2764\uFE0F");
  ASSERT_EQ(t.status, Status::invalid_text);
  EXPECT_TRUE(t.sampa.empty());
  EXPECT_EQ(message(t),
            "O texto tem caracteres que não se podem ler: um byte que não é UTF-8 válido (posição 5), um carácter de "
            "controlo U+0007 (posição 10), o emoji «\U0001F600» (posição 12), o emoji «\u2764» (posição 14), o emoji "
            "«\uFE0F» (posição 15).");
  EXPECT_EQ(transcribe("sim\tnão\r\ntalvez").status, Status::ok);
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

// Comparar's voice: the donor's formant synthesis of a whole phrase, at our rate and level.
TEST(DonorSpeech, SpeaksAPhraseAsSamplesAt22050WithinFullScale) {
  const auto samples = donor_speech("Bom dia, Lisboa!");
  ASSERT_TRUE(samples);
  EXPECT_GT(samples->size(), 22050u / 2);
  EXPECT_LT(samples->size(), 22050u * 4);
  double peak = 0;
  for (double v : *samples) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 0.05);
  EXPECT_LE(peak, 1.0);
}

}  // namespace
}  // namespace quelvara::transcription
