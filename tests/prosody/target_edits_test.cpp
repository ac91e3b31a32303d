// Edits of a prosody target by hand, their bounds, the history that undoes them, and a target
// written as Praat tiers on a joined signal and read back.
#include <gtest/gtest.h>

#include <cmath>

#include "prosody/praat_tiers.h"
#include "prosody/target_edits.h"

namespace quelvara::prosody {
namespace {

// Three phones of 100, 200 and 100 ms; the middle one's points given out of order.
ProsodyTarget three_phones() {
  ProsodyTarget t;
  t.phones = {{"_", 100, Stress::none, {{50, 120}}},
              {"a", 200, Stress::primary, {{80, 150}, {20, 140}}},
              {"_", 100, Stress::none, {{100, 90}}}};
  return t;
}

std::vector<CurvePoint> curve_of(const std::optional<ProsodyTarget>& t) { return t ? pitch_curve(*t) : std::vector<CurvePoint>{}; }

struct EditCase {
  const char* what;
  std::function<std::optional<ProsodyTarget>(const ProsodyTarget&)> edit;
  std::vector<CurvePoint> curve;  // the curve after the edit; empty: the edit does not apply
  std::vector<double> lengths;    // the phones' lengths after it
};

TEST(TargetEdits, EachEditChangesWhatItNamesWithinItsBounds) {
  const std::vector<double> same{100, 200, 100};
  const std::vector<EditCase> cases = {
      {"the second point in time is the 20 % one", [](auto& t) { return with_point_moved(t, 1, 170); },
       {{50, 120}, {140, 170}, {260, 150}, {400, 90}}, same},
      {"a point is held at 600 Hz", [](auto& t) { return with_point_moved(t, 3, 1000); },
       {{50, 120}, {140, 140}, {260, 150}, {400, 600}}, same},
      {"and at 40 Hz", [](auto& t) { return with_point_moved(t, 0, 5); }, {{40 + 10, 40}, {140, 140}, {260, 150}, {400, 90}}, same},
      {"no fifth point to move", [](auto& t) { return with_point_moved(t, 4, 100); }, {}, {}},
      {"a point added in the phone that holds its time", [](auto& t) { return with_point_added(t, 200, 160); },
       {{50, 120}, {140, 140}, {200, 160}, {260, 150}, {400, 90}}, same},
      {"past the end, at the end", [](auto& t) { return with_point_added(t, 900, 700); },
       {{50, 120}, {140, 140}, {260, 150}, {400, 90}, {400, 600}}, same},
      {"a point removed by its rank in time", [](auto& t) { return with_point_removed(t, 2); },
       {{50, 120}, {140, 140}, {400, 90}}, same},
      {"no point to remove", [](auto& t) { return with_point_removed(t, 9); }, {}, {}},
      {"a phone's end moved: its points go with it, the phones after keep their lengths",
       [](auto& t) { return with_phone_end_moved(t, 1, 400); }, {{50, 120}, {160, 140}, {340, 150}, {500, 90}},
       {100, 300, 100}},
      {"no phone shorter than 10 ms", [](auto& t) { return with_phone_end_moved(t, 0, -50); },
       {{5, 120}, {50, 140}, {170, 150}, {310, 90}}, {10, 200, 100}},
      {"nor longer than 10 s", [](auto& t) { return with_phone_end_moved(t, 2, 1e9); },
       {{50, 120}, {140, 140}, {260, 150}, {10300, 90}}, {100, 200, 10000}},
      {"no fourth phone", [](auto& t) { return with_phone_end_moved(t, 3, 500); }, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto edited = c.edit(three_phones());
    ASSERT_EQ(edited.has_value(), !c.curve.empty());
    if (!edited) continue;
    const auto curve = curve_of(edited);
    ASSERT_EQ(curve.size(), c.curve.size());
    for (std::size_t i = 0; i < curve.size(); ++i) {
      EXPECT_NEAR(curve[i].ms, c.curve[i].ms, 1e-9) << i;
      EXPECT_NEAR(curve[i].hz, c.curve[i].hz, 1e-9) << i;
    }
    for (std::size_t k = 0; k < c.lengths.size(); ++k) EXPECT_DOUBLE_EQ(edited->phones[k].length_ms, c.lengths[k]);
  }
}

// A curve read off every period of a voice at about 130 Hz, with a rise in the middle, keeps
// only the points where it turns.
TEST(TargetEdits, ASimplifiedCurveKeepsItsTurnsAndStaysWithinTheTolerance) {
  ProsodyTarget t;
  std::vector<CurvePoint> every;
  for (int k = 0; k < 40; ++k) {
    const double hz = (k < 20 ? 130 : 130 + 3 * (k - 20)) * (k % 2 ? 1.002 : 0.998);
    t.phones.push_back({"a", 10, Stress::none, {{50, hz}}});
  }
  const auto before = pitch_curve(t);
  const ProsodyTarget simple = with_simplified_pitch(t, 0.5);
  const auto after = pitch_curve(simple);
  EXPECT_LE(after.size(), 5u);
  EXPECT_EQ(after.front().ms, before.front().ms);
  EXPECT_EQ(after.back().ms, before.back().ms);
  for (const auto& p : before) EXPECT_LT(std::abs(12 * std::log2(hz_at(after, p.ms) / p.hz)), 0.5) << p.ms;
  for (std::size_t k = 0; k < t.phones.size(); ++k) EXPECT_EQ(simple.phones[k].length_ms, t.phones[k].length_ms);
}

TEST(TargetEdits, TheHistoryUndoesRedoesForgetsWhatANewEditReplacesAndKeepsItsBound) {
  EditHistory history(4);
  EXPECT_FALSE(history.current());
  EXPECT_FALSE(history.undo());
  const auto target_of = [](double length) { return ProsodyTarget{{{"a", length, Stress::none, {}}}}; };
  const auto length = [&] { return history.current() ? history.current()->phones[0].length_ms : 0.0; };
  for (double l : {1, 2, 3}) history.push(target_of(l));
  EXPECT_EQ(length(), 3);
  ASSERT_TRUE(history.undo());
  ASSERT_TRUE(history.undo());
  EXPECT_EQ(length(), 1);
  ASSERT_TRUE(history.redo());
  EXPECT_EQ(length(), 2);
  history.push(target_of(7));  // 3 can no longer be redone
  EXPECT_FALSE(history.can_redo());
  history.push(std::nullopt);  // back to the plan, as a step of its own
  EXPECT_EQ(length(), 0);
  EXPECT_EQ(history.size(), 4u);  // the plan at the start went first
  while (history.undo()) {
  }
  EXPECT_EQ(length(), 1);
}

// On phones that start at whole samples, as a joined signal's do, the tiers read back as the
// same lengths to the last bit, and the same curve to a nanosecond.
TEST(TargetTiers, ATargetWrittenAsTiersReadsBackExactly) {
  const std::vector<JoinedPhone> phones = {{"_", Stress::none, 0},    {"p", Stress::none, 1501}, {"a", Stress::primary, 2990},
                                           {"S", Stress::none, 5017}, {"6", Stress::none, 7777}};
  const std::size_t length = 9300;
  ProsodyTarget t;
  const double lengths[] = {150.0 / 7, 71.3, 187.654321, 120, 99.99};
  const std::vector<std::vector<PitchTarget>> points = {{}, {{100, 123.4}}, {{5, 150}, {33.3, 171.17}, {87.5, 140}}, {}, {{60, 95.5}, {100, 80}}};
  for (std::size_t k = 0; k < phones.size(); ++k) t.phones.push_back({phones[k].phone, lengths[k], phones[k].stress, points[k]});

  const auto tiers = tiers_of_target(phones, length, t);
  ASSERT_TRUE(std::holds_alternative<TargetTiers>(tiers));
  const auto& [pitch, duration] = std::get<TargetTiers>(tiers);
  const auto pitch_back = read_tier(tier_text(pitch, TierKind::pitch), TierKind::pitch);
  const auto duration_back = read_tier(tier_text(duration, TierKind::duration), TierKind::duration);
  ASSERT_TRUE(std::holds_alternative<Tier>(pitch_back));
  ASSERT_TRUE(std::holds_alternative<Tier>(duration_back));
  EXPECT_EQ(std::get<Tier>(duration_back).xmax, length / 22050.0);
  const ProsodyTarget back = target_from_tiers(phones, length, &std::get<Tier>(pitch_back), &std::get<Tier>(duration_back));
  ASSERT_EQ(back.phones.size(), t.phones.size());
  for (std::size_t k = 0; k < t.phones.size(); ++k) EXPECT_EQ(back.phones[k].length_ms, t.phones[k].length_ms) << k;
  const auto a = pitch_curve(t), b = pitch_curve(back);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_NEAR(a[i].ms, b[i].ms, 1e-6) << i;
    EXPECT_EQ(a[i].hz, b[i].hz) << i;
  }

  // What a DurationTier cannot say: a phone eleven times as long as in the joined signal.
  t.phones[3].length_ms = 11 * (7777 - 5017) / 22.05;
  const auto refused = tiers_of_target(phones, length, t);
  ASSERT_TRUE(std::holds_alternative<std::size_t>(refused));
  EXPECT_EQ(std::get<std::size_t>(refused), 3u);
}

TEST(TargetTiers, TheObjectClassOfAPraatTextFileIsFoundAndOtherTextIsNone) {
  EXPECT_EQ(praat_object_class("\xEF\xBB\xBF" "File type = \"ooTextFile\"\nObject class = \"DurationTier\"\n"), "DurationTier");
  EXPECT_EQ(praat_object_class("File type = \"ooTextFile short\"\n\"TextGrid\"\n"), "TextGrid");
  EXPECT_FALSE(praat_object_class("; a .pho file\n_ 100\n"));
  EXPECT_FALSE(praat_object_class(""));
}

}  // namespace
}  // namespace quelvara::prosody
