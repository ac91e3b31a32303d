#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "pictures.h"
#include "synthesis/phones.h"

namespace pictures = quelvara::pictures;
using quelvara::synthesis::fonemas;

namespace {

const std::string source_dir = QUELVARA_SOURCE_DIR;
const std::string app_dir = std::string(QUELVARA_BINARY_DIR) + "/app";

std::vector<pictures::ChartRow> chart() {
  return pictures::parse_chart(pictures::read_file(source_dir + "/assets/sampa_chart.txt"));
}

TEST(SampaChartTable, HoldsExactlyTheInventoryOnceEach) {
  const auto rows = chart();
  ASSERT_EQ(rows.size(), fonemas.size());
  std::multiset<std::string> in_table;
  for (const auto& row : rows) in_table.insert(row.sampa);
  const std::multiset<std::string> inventory(fonemas.begin(), fonemas.end());
  EXPECT_EQ(in_table, inventory);
}

TEST(SampaChartTable, GroupsAreTheFiveHeadingsAndNoneIsEmpty) {
  std::map<std::string, int> members;
  for (const auto& row : chart()) ++members[row.group];
  const std::map<std::string, int> expected_groups = {
      {"Consoantes", 0}, {"Vogais orais", 0}, {"Vogais nasais", 0}, {"Ditongos", 0},
      {"Silêncio", 0}};
  for (const auto& [name, count] : members) {
    EXPECT_TRUE(expected_groups.count(name)) << "unexpected group " << name;
    EXPECT_GT(count, 0);
  }
  EXPECT_EQ(members.size(), expected_groups.size());
  EXPECT_EQ(members["Silêncio"], 1);
}

TEST(SampaChartTable, EveryPhoneHasAnIpaLetterAndAMarkedExample) {
  for (const auto& row : chart()) {
    if (row.sampa == "_") {
      EXPECT_EQ(row.group, "Silêncio");
      continue;
    }
    EXPECT_FALSE(row.ipa.empty()) << row.sampa;
    const auto pieces = pictures::split_example(row.example);
    EXPECT_TRUE(std::any_of(pieces.begin(), pieces.end(), [](const auto& p) { return p.marked; }))
        << row.sampa << " " << row.example;
  }
}

TEST(PictureTables, ReportTheFaultyLine) {
  try {
    pictures::parse_chart("# comment\n\np | p | [p]ato | Consoantes\nb | b | bola\n");
    FAIL() << "a row with three fields was accepted";
  } catch (const pictures::TableError& e) {
    EXPECT_STREQ(e.what(), "line 4: expected 4 fields separated by '|'");
  }
  EXPECT_THROW(pictures::parse_chart("p | p | [p]ato | \n"), pictures::TableError);
  EXPECT_THROW(pictures::parse_chart("p | p | [pato | Consoantes\n"), pictures::TableError);
  EXPECT_THROW(pictures::parse_chart("p | p | p]ato | Consoantes\n"), pictures::TableError);
  EXPECT_THROW(pictures::parse_credits("title: Quelvara\nbig: x\n"), pictures::TableError);
}

TEST(PictureTables, SplitMarkedLetters) {
  const auto pieces = pictures::split_example("c[a]m[a]");
  ASSERT_EQ(pieces.size(), 4u);
  EXPECT_EQ(pieces[0].text, "c");
  EXPECT_FALSE(pieces[0].marked);
  EXPECT_EQ(pieces[1].text, "a");
  EXPECT_TRUE(pieces[1].marked);
  EXPECT_EQ(pieces[2].text, "m");
  EXPECT_TRUE(pieces[3].marked);
  const auto whole = pictures::split_example("(pausa)");
  ASSERT_EQ(whole.size(), 1u);
  EXPECT_FALSE(whole[0].marked);
}

TEST(CreditsTable, NamesTheSystemAndTheVoiceItsDatabaseComesFrom) {
  const auto lines =
      pictures::parse_credits(pictures::read_file(source_dir + "/assets/credits.txt"));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().style, pictures::CreditLine::Style::title);
  EXPECT_EQ(lines.front().text, "Quelvara");
  std::string all;
  for (const auto& line : lines) all += line.text + "\n";
  EXPECT_NE(all.find("difones"), std::string::npos);
  EXPECT_NE(all.find("português europeu"), std::string::npos);
  EXPECT_NE(all.find("eSpeak NG"), std::string::npos);
  EXPECT_NE(all.find("GPL-3"), std::string::npos);
}

// Drawing needs a toolkit application (fonts), but no screen.
class Pictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QGuiApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_assets";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
  }
};

// Share of pixels that are clearly not white: text and bands, not an empty page.
double inked_share(const QImage& image) {
  long inked = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (QColor(image.pixel(x, y)).lightness() < 200) ++inked;
  return static_cast<double>(inked) / (image.width() * image.height());
}

TEST_F(Pictures, BuiltPicturesDecodeWithTheirSizes) {
  const QImage chart_picture(QString::fromStdString(app_dir + "/sampa.jpg"), "JPEG");
  ASSERT_FALSE(chart_picture.isNull());
  EXPECT_EQ(chart_picture.size(), pictures::chart_size * pictures::picture_scale);
  EXPECT_GT(inked_share(chart_picture), 0.05);

  const QImage credits_picture(QString::fromStdString(app_dir + "/fig_tts.jpg"), "JPEG");
  ASSERT_FALSE(credits_picture.isNull());
  EXPECT_EQ(credits_picture.size(), pictures::credits_size * pictures::picture_scale);
  EXPECT_GT(inked_share(credits_picture), 0.03);
}

TEST_F(Pictures, TablesTooLongForThePictureAreRefused) {
  auto rows = chart();
  const auto once = rows;
  rows.insert(rows.end(), once.begin(), once.end());
  rows.insert(rows.end(), once.begin(), once.end());
  EXPECT_THROW(pictures::draw_chart(rows), pictures::TableError);
  EXPECT_NO_THROW(pictures::draw_chart(once));

  std::vector<pictures::CreditLine> lines(40, {pictures::CreditLine::Style::text, "Quelvara"});
  EXPECT_THROW(pictures::draw_credits(lines), pictures::TableError);
}

}  // namespace
