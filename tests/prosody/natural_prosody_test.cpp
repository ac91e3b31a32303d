// The "Natural" rules on short phrases: their shapes, their rhythm and their parameter file.
#include "prosody/natural_prosody.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "synthesis/phones.h"
#include "synthesis/text_reader.h"

namespace quelvara::prosody {
namespace {

using ::testing::HasSubstr;

// The phones of a SAMPA text with its stress marks, each lasting 80 ms in the donor.
std::vector<SpokenPhone> spoken(std::string_view sampa) {
  const auto reading = synthesis::read_text(sampa);
  const auto phones = synthesis::phones_of(*reading);
  std::vector<SpokenPhone> out;
  for (std::size_t k = 0; k < phones.size(); ++k) out.push_back({phones[k], reading->stress[k], 80});
  return out;
}

double semitones(double from, double to) { return 12 * std::log2(to / from); }

struct Vowels {
  std::vector<std::size_t> all, stressed;
};
Vowels vowels_of(const ProsodyTarget& t) {
  Vowels v;
  for (std::size_t k = 0; k < t.phones.size(); ++k) {
    if (!synthesis::is_vowel(*synthesis::phone_number(t.phones[k].phone))) continue;
    v.all.push_back(k);
    if (t.phones[k].stress == Stress::primary) v.stressed.push_back(k);
  }
  return v;
}

// The curve's mean over a phone, sampled every ms.
double mean_hz(const ProsodyTarget& t, std::size_t k) {
  const auto curve = pitch_curve(t);
  const auto starts = phone_starts_ms(t);
  double sum = 0;
  int n = 0;
  for (double ms = starts[k]; ms < starts[k + 1]; ms += 1, ++n) sum += hz_at(curve, ms);
  return sum / n;
}

double end_hz(const ProsodyTarget& t) { return pitch_curve(t).back().hz; }

TEST(Natural, StatementsAndQuestionsHaveTheirLisbonShapes) {
  for (const char* text : {"_6\"kaz6\"bEl6_.", "_u\"gatu_.", "_k6\"fE_.", "_ew\"gOStud@liZ\"bo6_."}) {
    const ProsodyTarget t = natural_prosody(spoken(text), '.');
    const Vowels v = vowels_of(t);
    const auto curve = pitch_curve(t);
    double low = 1e9, high = 0;
    for (const auto& p : curve) low = std::min(low, p.hz), high = std::max(high, p.hz);
    EXPECT_GE(semitones(low, high), 4) << text;
    EXPECT_LE(semitones(mean_hz(t, v.stressed.front()), end_hz(t)), -3) << text;
  }
  for (const char* text : {"_u\"gatu_?", "_k6\"fE_?", "_up6~j\"tOS6~w_?", "_6\"kaz6\"bEl6_?"}) {
    const ProsodyTarget t = natural_prosody(spoken(text), '?');
    const Vowels v = vowels_of(t);
    EXPECT_GE(semitones(mean_hz(t, v.stressed.back()), end_hz(t)), 3) << text;
  }
}

TEST(Natural, StressedVowelsAreLongerReducedOnesShortAndPhrasesEndLengthened) {
  const NaturalRules& r = NaturalRules::compiled();
  const ProsodyTarget t = natural_prosody(spoken("_p@\"kenu_6\"patu_."), '.');
  // _ p @ k e n u _ 6 p a t u _
  EXPECT_DOUBLE_EQ(t.phones[0].length_ms, r.pausa_inicial_ms);
  EXPECT_DOUBLE_EQ(t.phones[7].length_ms, r.pausa_ms);
  EXPECT_DOUBLE_EQ(t.phones[13].length_ms, r.pausa_final_ms);
  EXPECT_DOUBLE_EQ(t.phones[4].length_ms, std::round(80 * r.vogal_tonica * 10) / 10);
  EXPECT_DOUBLE_EQ(t.phones[2].length_ms, std::max(80 * r.vogal_reduzida, r.vogal_reduzida_minima_ms));
  EXPECT_DOUBLE_EQ(t.phones[6].length_ms, std::round(44 * r.alongamento_final * 10) / 10);  // last syllable
  EXPECT_GE(t.phones[10].length_ms / (80 * r.vogal_atona), 1.25);
  // The first phrase ends in a continuation rise.
  const auto v = vowels_of(t);
  EXPECT_GT(t.phones[6].pitch.back().hz, t.phones[4].pitch.back().hz);
}

TEST(Natural, WithoutStressMarksOnlyThePhraseShapeApplies) {
  const ProsodyTarget statement = natural_prosody(spoken("_ugatu_."), '.');
  const ProsodyTarget question = natural_prosody(spoken("_ugatu_?"), '?');
  // The movement sits on the last full vowel, "a"; every vowel keeps its length.
  // _ u g a t u _
  for (const ProsodyTarget* t : {&statement, &question}) {
    EXPECT_EQ(t->phones[3].pitch.size(), 2u);
    EXPECT_TRUE(t->phones[5].pitch.empty());
    EXPECT_DOUBLE_EQ(t->phones[3].length_ms, 80);
  }
  EXPECT_LT(statement.phones[3].pitch.back().hz, statement.phones[3].pitch.front().hz);
  EXPECT_GT(question.phones[3].pitch.back().hz, question.phones[3].pitch.front().hz);
}

TEST(NaturalRules, TheParameterFileIsCheckedLineByLine) {
  EXPECT_NO_THROW(NaturalRules::compiled());
  const auto fails = [](const std::string& text, const std::string& says) {
    try {
      NaturalRules::read(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const std::runtime_error& e) {
      EXPECT_THAT(e.what(), HasSubstr(says)) << text;
    }
  };
  fails("# nada\nconsoante 1\n", "line 2: expected name<TAB>value");
  fails("consoante\tum\n", "line 1: not a number");
  fails("tonica\t1.3\n", "unknown parameter tonica");
  fails("consoante\t1\nconsoante\t1\n", "line 2: parameter given twice");
  fails("consoante\t1\n", "missing vogal_tonica");
}

}  // namespace
}  // namespace quelvara::prosody
