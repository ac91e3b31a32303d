// Written forms (numbers, ordinals, money, units, times, dates, Roman numerals, abbreviations,
// acronyms) read as words, and transcribed exactly as those words typed.
#include "transcription/normalisation.h"

#include <gtest/gtest.h>

#include "test_rows.h"
#include "transcription/tables.h"
#include "transcription/transcriber.h"

namespace quelvara::transcription {
namespace {

// The words a text is read as, in lower case, one blank between them.
std::string read_as(std::string_view text) {
  const Normaliser& normaliser = Normaliser::compiled();
  const Spelling spelling = read_spelling(text, [&](std::string_view w) { return normaliser.period_use(w); });
  std::string words;
  for (const Phrase& phrase : spelling.phrases)
    for (const NormalisedWord& word : normaliser.normalise(phrase).words)
      words += (words.empty() ? "" : " ") + word.text;
  return lower_case(words);
}

TEST(NormalisationTable, WrittenFormsAreReadAsTheirWordsAndTranscribedAsThem) {
  int cases = 0;
  for (const auto& fields : testing::test_rows("normalisation.tsv")) {
    ASSERT_EQ(fields.size(), 2u) << fields[0];
    const std::string& written = fields[0];
    const std::string& words = fields[1];
    ++cases;
    EXPECT_EQ(read_as(written), read_as(words)) << written;
    const Transcription from_written = transcribe(written), from_words = transcribe(words);
    EXPECT_EQ(from_written.status, Transcription::Status::ok) << written << ": " << message(from_written);
    EXPECT_EQ(from_written.sampa, from_words.sampa) << written << " / " << words;
  }
  EXPECT_GE(cases, 100);
}

TEST(Normalisation, RewritesNameWhatWasWrittenAndWhatIsSaid) {
  const Transcription t = transcribe("Ficou em 1.º lugar com 1 000 €.");
  ASSERT_EQ(t.rewrites.size(), 2u);
  EXPECT_EQ(t.rewrites[0].written, "1.º");
  EXPECT_EQ(t.rewrites[0].said, "primeiro");
  EXPECT_EQ(t.rewrites[1].written, "1 000 €");
  EXPECT_EQ(t.rewrites[1].said, "mil euros");
  EXPECT_TRUE(transcribe("Ficou em primeiro lugar.").rewrites.empty());
}

TEST(Normalisation, RomanNumeralsAreReadOnlyWhenWrittenTheUsualWay) {
  EXPECT_EQ(roman_value("XXI"), 21);
  EXPECT_EQ(roman_value("XIV"), 14);
  EXPECT_EQ(roman_value("MCMLXXIV"), 1974);
  EXPECT_EQ(roman_value("MMMCMXCIX"), 3999);
  for (std::string_view not_usual : {"IIII", "VX", "IC", "XXXX", "", "xiv", "IVI", "ABC"})
    EXPECT_FALSE(roman_value(not_usual)) << not_usual;
  // Not every capital is a numeral: a vitamin, a letter, an initial.
  EXPECT_EQ(read_as("Vitamina C"), "vitamina cê");
  EXPECT_EQ(read_as("Maria V. Costa"), "maria vê costa");
}

TEST(Normalisation, AcronymsAndGendersNotListedFollowTheDefaultRules) {
  const NormalisationTables& t = Normaliser::compiled().tables();
  const auto said = [&](std::string_view acronym) {
    const auto words = t.acronym(acronym);
    std::string text;
    for (const auto& w : words.value_or(Words{"-"})) text += (text.empty() ? "" : " ") + w;
    return text;
  };
  // Said as words: syllables a Portuguese word could have.
  for (std::string_view word : {"NATO", "ONU", "UNESCO", "IVA", "TAP", "PALOP", "UEFA"})
    EXPECT_EQ(said(word), lower_case(word)) << word;
  // Spelt: two letters, no vowel, no consonant, or clusters no word has.
  EXPECT_EQ(said("UE"), "u é");
  EXPECT_EQ(said("CTT"), "cê tê tê");
  EXPECT_EQ(said("EUA"), "é u á");
  EXPECT_EQ(said("PSD"), "pê ésse dê");
  EXPECT_EQ(said("IRS"), "i érre ésse");
  EXPECT_EQ(said("EDP"), "é dê pê");
  EXPECT_EQ(said("ONGs"), "ó éne gês");
  EXPECT_EQ(said("SIC"), "sique");  // listed
  for (std::string_view not_one : {"Nato", "R", "rtp", "A4"}) EXPECT_EQ(said(not_one), "-") << not_one;

  for (std::string_view feminine :
       {"casa", "casas", "nação", "nações", "cidade", "viagens", "flor", "flores", "mãos", "Maria", "Isabel"})
    EXPECT_EQ(t.gender(feminine), Gender::feminine) << feminine;
  for (std::string_view masculine :
       {"livro", "livros", "dia", "dias", "problema", "coração", "animais", "mês", "João", "lápis"})
    EXPECT_EQ(t.gender(masculine), Gender::masculine) << masculine;
}

TEST(Normalisation, OneLetterAbbreviationsMatchOnlyAsWrittenTheOthersInAnyCase) {
  const NormalisationTables& t = Normaliser::compiled().tables();
  EXPECT_EQ(t.period_use("D."), PeriodUse::abbreviation);
  EXPECT_EQ(t.period_use("d."), PeriodUse::ends_phrase);
  EXPECT_EQ(t.period_use("DR."), PeriodUse::abbreviation);
  EXPECT_EQ(t.period_use("etc."), PeriodUse::may_end);
  EXPECT_EQ(t.period_use("casa."), PeriodUse::ends_phrase);
  ASSERT_NE(t.abbreviation({"p.", "ex."}), nullptr);
  EXPECT_EQ(t.abbreviation({"p.", "ex."})->masculine, "por exemplo");
  EXPECT_EQ(t.abbreviation({"p.", "12"})->masculine, "página");
  EXPECT_EQ(t.abbreviation({"dez."}), nullptr);  // ten, not December
}

TEST(Normalisation, TablesThatLackWordsOrHoldBadRowsAreRefusedByLine) {
  EXPECT_THROW(NumberWords::read("cardinal\t0\tzero\n"), std::runtime_error);
  EXPECT_THROW(NumberWords::read("cardinal\tdez\tdez\n"), std::runtime_error);
  const auto refused = [](std::string_view abbreviations, std::string_view units, std::string_view genders) {
    try {
      NormalisationTables::read(abbreviations, units, tables::symbols, genders, tables::acronyms);
    } catch (const std::runtime_error& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(refused("Sr.\tsenhor\tnunca\n", tables::units, tables::genders),
            "abbreviation table line 1: unknown flag 'nunca'");
  EXPECT_EQ(refused(tables::abbreviations, "# units\nunit\tkg\tquilo\tquilos\tx\n", tables::genders),
            "unit table line 2: gender 'x' is neither m nor f");
  EXPECT_EQ(refused(tables::abbreviations, tables::units, "casa\tf\nCasa\tf\n"),
            "gender table line 2: 'Casa' listed twice");
  EXPECT_EQ(refused(tables::abbreviations, tables::units, tables::genders), "");
}

}  // namespace
}  // namespace quelvara::transcription
