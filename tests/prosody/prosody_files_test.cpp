// .pho files and Praat tiers: what they read into, what they refuse and at which line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>


#include "prosody/pho_file.h"
#include "prosody/praat_tiers.h"

namespace quelvara::prosody {
namespace {

using ::testing::HasSubstr;

ProsodyTarget pho(std::string_view text) {
  auto read = read_pho(text);
  if (auto* problem = std::get_if<FileProblem>(&read)) ADD_FAILURE() << problem->line << ": " << problem->message;
  return std::holds_alternative<ProsodyTarget>(read) ? std::get<ProsodyTarget>(read) : ProsodyTarget{};
}

TEST(PhoFile, ReadsPhonesLengthsAndPitchPairsAroundCommentsAndBlankLines) {
  const ProsodyTarget t = pho("; a comment\n\n_ 100\r\np\t80 ; closure\n6~w 150.5 0 120 50 140.5 100 110\n_ 50\n");
  ASSERT_EQ(t.phones.size(), 4u);
  EXPECT_EQ(t.phones[2].phone, "6~w");
  EXPECT_EQ(t.phones[2].length_ms, 150.5);
  ASSERT_EQ(t.phones[2].pitch.size(), 3u);
  EXPECT_EQ(t.phones[2].pitch[1].position, 50);
  EXPECT_EQ(t.phones[2].pitch[1].hz, 140.5);
  EXPECT_TRUE(t.phones[1].pitch.empty());
}

TEST(PhoFile, WritesATargetThatReadsBackNumberForNumber) {
  ProsodyTarget t;
  t.phones = {{"_", 100.0 / 3, Stress::none, {}},
              {"a", 123.456789012345, Stress::primary, {{0.1, 131.7}, {62.5, 1e2 / 0.7}}},
              {"_", 0.005, Stress::none, {{100, 40}}}};
  const std::string text = pho_text(t, "prosódia\nde teste");
  EXPECT_EQ(text.substr(0, text.find('\n')), "; prosódia de teste");
  const ProsodyTarget back = pho(text);
  ASSERT_EQ(back.phones.size(), t.phones.size());
  for (std::size_t k = 0; k < t.phones.size(); ++k) {
    EXPECT_EQ(back.phones[k].phone, t.phones[k].phone);
    EXPECT_EQ(back.phones[k].length_ms, t.phones[k].length_ms);
    ASSERT_EQ(back.phones[k].pitch.size(), t.phones[k].pitch.size());
    for (std::size_t j = 0; j < t.phones[k].pitch.size(); ++j) {
      EXPECT_EQ(back.phones[k].pitch[j].position, t.phones[k].pitch[j].position);
      EXPECT_EQ(back.phones[k].pitch[j].hz, t.phones[k].pitch[j].hz);
    }
  }
}

struct Refused {
  std::string text;
  std::size_t line;
  std::string says;
};

// What the command line's tests do not reach: the words and bounds of each field.
TEST(PhoFile, RefusesBadInputNamingTheLine) {
  const std::vector<Refused> cases = {
      {"a -20\n", 1, "duração inválida"},
      {"a dez\n", 1, "duração inválida «dez»"},
      {"a nan\n", 1, "duração inválida"},
      {"a\n", 1, "falta a duração"},
      {"a 100 -1 120\n", 1, "posição «-1» fora de 0 a 100"},
      {"a 100 50 600.1\n", 1, "frequência «600.1» fora de 40 a 600 Hz"},
      {"; só comentários\n\n", 2, "não tem fones"},
  };
  for (const Refused& c : cases) {
    const auto read = read_pho(c.text);
    ASSERT_TRUE(std::holds_alternative<FileProblem>(read)) << c.text;
    EXPECT_EQ(std::get<FileProblem>(read).line, c.line) << c.text;
    EXPECT_THAT(std::get<FileProblem>(read).message, HasSubstr(c.says)) << c.text;
  }
  std::string long_text;
  for (int k = 0; k < 91; ++k) long_text += "a 10000\n";
  const auto too_long = read_pho(long_text);  // 15 minutes in all
  ASSERT_TRUE(std::holds_alternative<FileProblem>(too_long));
  EXPECT_EQ(std::get<FileProblem>(too_long).line, 91u);
  std::string many;
  for (std::size_t k = 0; k <= most_phones; ++k) many += "a 1\n";
  EXPECT_TRUE(std::holds_alternative<FileProblem>(read_pho(many)));
}

// The same PitchTier in the three forms Praat writes.
constexpr const char* long_pitch = R"(File type = "ooTextFile"
Object class = "PitchTier"

xmin = 0 
xmax = 1.5 
points: size = 2 
points [1]:
    number = 0.1 
    value = 120 
points [2]:
    number = 1.2 
    value = 90.5 
)";
constexpr const char* short_pitch = "File type = \"ooTextFile\"\nObject class = \"PitchTier\"\n\n0\n1.5\n2\n0.1\n120\n1.2\n90.5\n";
constexpr const char* spreadsheet_pitch = "\"ooTextFile\"\n\"PitchTier\"\n0 1.5 2\n0.1\t120\n1.2\t90.5\n";

TEST(PraatTier, ReadsTheLongShortAndSpreadsheetForms) {
  for (const char* text : {long_pitch, short_pitch, spreadsheet_pitch}) {
    const auto read = read_tier(text, TierKind::pitch);
    ASSERT_TRUE(std::holds_alternative<Tier>(read)) << std::get<FileProblem>(read).message << "\n" << text;
    const Tier& tier = std::get<Tier>(read);
    EXPECT_EQ(tier.xmax, 1.5);
    ASSERT_EQ(tier.points.size(), 2u);
    EXPECT_EQ(tier.points[1].seconds, 1.2);
    EXPECT_EQ(tier.points[1].value, 90.5);
  }
}

TEST(PraatTier, RefusesBadInputNamingTheLine) {
  const std::string head = "File type = \"ooTextFile\"\nObject class = \"PitchTier\"\n\n";
  struct Case {
    std::string text;
    TierKind kind;
    std::size_t line;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"", TierKind::pitch, 1, "vazio"},
      {"xmin = 0\n", TierKind::pitch, 1, "não é um ficheiro de texto do Praat"},
      {head + "0\n1\n2\n0.5\n120\n0.4\n130\n", TierKind::pitch, 9, "tempos fora de ordem: 0.4 s vem depois de 0.5 s"},
      {head + "0\n1\n2\n0.5\n120\n", TierKind::pitch, 8, "faltam pontos"},
      {head + "0\n1\n1\n0.5\n120\n9\n", TierKind::pitch, 9, "sobram valores"},
      {head + "0\n1\n0\n", TierKind::pitch, 6, "não tem pontos"},
      {head + "0\n1\nmuitos\n", TierKind::pitch, 6, "valor inesperado «muitos»"},
      {head + "0\n1\n1\n0.5\n1\x01\x02\n", TierKind::pitch, 8, "não é de texto"},
  };
  for (const Case& c : cases) {
    const auto read = read_tier(c.text, c.kind);
    ASSERT_TRUE(std::holds_alternative<FileProblem>(read)) << c.text;
    EXPECT_EQ(std::get<FileProblem>(read).line, c.line) << c.text;
    EXPECT_THAT(std::get<FileProblem>(read).message, HasSubstr(c.says)) << c.text;
  }
}

TEST(TargetFromTiers, DurationIsTheIntegralOverEachPhoneAndPitchPointsStayInTheirPhones) {
  // Three phones of 2205 samples (100 ms) each.
  const std::vector<JoinedPhone> phones = {{"_", Stress::none, 0}, {"a", Stress::primary, 2205}, {"_", Stress::none, 4410}};
  const Tier duration{0, 0.3, {{0.1, 1.0}, {0.2, 2.0}}};  // 1 up to 0.1 s, rising to 2 at 0.2 s, then 2
  const Tier pitch{0, 0.3, {{-1, 100}, {0.15, 150}, {0.2, 160}, {9, 90}}};
  const ProsodyTarget t = target_from_tiers(phones, 6615, &pitch, &duration);
  ASSERT_EQ(t.phones.size(), 3u);
  EXPECT_DOUBLE_EQ(t.phones[0].length_ms, 100);
  EXPECT_DOUBLE_EQ(t.phones[1].length_ms, 150);
  EXPECT_DOUBLE_EQ(t.phones[2].length_ms, 200);
  EXPECT_EQ(t.phones[1].stress, Stress::primary);
  ASSERT_EQ(t.phones[0].pitch.size(), 1u);  // held at the start
  EXPECT_EQ(t.phones[0].pitch[0].position, 0);
  ASSERT_EQ(t.phones[1].pitch.size(), 1u);
  EXPECT_DOUBLE_EQ(t.phones[1].pitch[0].position, 50);
  ASSERT_EQ(t.phones[2].pitch.size(), 2u);  // 0.2 s opens the last phone; 9 s is held at its end
  EXPECT_DOUBLE_EQ(t.phones[2].pitch[0].position, 0);
  EXPECT_EQ(t.phones[2].pitch[1].position, 100);

  const ProsodyTarget kept = target_from_tiers(phones, 6615, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(kept.phones[1].length_ms, 100);
  EXPECT_TRUE(pitch_curve(kept).empty());
}

}  // namespace
}  // namespace quelvara::prosody
