#include "prosody/praat_tiers.h"

#include <algorithm>
#include <cmath>

namespace quelvara::prosody {
namespace {

struct Word {
  std::string_view text;
  std::size_t line;
};

// The text between the first pair of quotes of a line, if it has one.
std::optional<std::string_view> quoted_of(std::string_view line) {
  const auto open = line.find('"');
  if (open == std::string_view::npos) return std::nullopt;
  const auto close = line.find('"', open + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(open + 1, close - open - 1);
}

// The values of the body: only numbers count. A long form's "name = value" gives its value,
// a label line ("points [3]:") nothing; the short and spreadsheet forms are numbers only.
std::vector<Word> body_words(std::span<const std::string_view> lines, std::size_t first_line) {
  std::vector<Word> words;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::string_view line = lines[k];
    if (const auto equals = line.rfind('='); equals != std::string_view::npos) {
      line = line.substr(equals + 1);
    } else if (const auto all = words_of(line); !all.empty() && all.back().ends_with(':')) {
      continue;
    }
    for (std::string_view word : words_of(line)) words.push_back({word, first_line + k});
  }
  return words;
}

const char* kind_name(TierKind kind) { return kind == TierKind::pitch ? "PitchTier" : "DurationTier"; }

// The integral of the tier's value from a to b (a <= b): linear between points, held at the
// ends.
double area(const Tier& tier, double a, double b) {
  const auto& p = tier.points;
  const auto value = [&](double t) {
    if (t <= p.front().seconds) return p.front().value;
    if (t >= p.back().seconds) return p.back().value;
    const auto after = std::upper_bound(p.begin(), p.end(), t, [](double x, const TierPoint& q) { return x < q.seconds; });
    const TierPoint& l = *(after - 1);
    const TierPoint& r = *after;
    return l.value + (r.value - l.value) * (t - l.seconds) / (r.seconds - l.seconds);
  };
  double sum = 0;
  double from = a;
  for (const TierPoint& point : p) {
    if (point.seconds <= from) continue;
    if (point.seconds >= b) break;
    sum += (point.seconds - from) * (value(from) + point.value) / 2;
    from = point.seconds;
  }
  return sum + (b - from) * (value(from) + value(b)) / 2;
}

// Where each phone starts in the joined signal, in seconds, and where the signal ends.
std::vector<double> start_seconds(std::span<const JoinedPhone> phones, std::size_t length) {
  std::vector<double> starts;
  for (const JoinedPhone& phone : phones) starts.push_back(static_cast<double>(phone.start) / sample_rate);
  starts.push_back(static_cast<double>(length) / sample_rate);
  return starts;
}

// Of first and the doubles next to it, the one for which score is least (first on a tie): a
// value worked out in one direction, made to read back exactly in the other where it can.
template <typename Score>
double nearest_exact(double first, Score score) {
  double best = first, least = score(first);
  for (const double toward : {HUGE_VAL, -HUGE_VAL}) {
    double x = first;
    for (int step = 0; step < 8 && least > 0; ++step) {
      x = std::nextafter(x, toward);
      if (const double s = score(x); s < least) least = s, best = x;
    }
  }
  return best;
}

}  // namespace

Read<Tier> read_tier(std::string_view text, TierKind kind) {
  if (auto problem = binary_content(text)) return *problem;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string_view> lines;
  for (std::string_view rest = text; !rest.empty();) lines.push_back(take_line(rest));
  if (lines.empty()) return FileProblem{1, "o ficheiro está vazio"};
  const auto file_type = quoted_of(lines[0]);
  if (!file_type || !file_type->starts_with("ooTextFile"))
    return FileProblem{1, "não é um ficheiro de texto do Praat (falta File type = \"ooTextFile\")"};
  const auto object_class = lines.size() > 1 ? quoted_of(lines[1]) : std::nullopt;
  if (!object_class) return FileProblem{std::min<std::size_t>(2, lines.size()), "falta a classe do objecto (Object class)"};
  if (*object_class != kind_name(kind))
    return FileProblem{2, "o ficheiro é um «" + std::string(*object_class) + "», não um " + kind_name(kind)};

  const auto words = body_words(std::span(lines).subspan(2), 3);
  const std::size_t last_line = std::max<std::size_t>(lines.size(), 1);
  std::vector<double> values;
  for (const Word& word : words) {
    const auto value = number(word.text);
    if (!value) return FileProblem{word.line, "valor inesperado «" + std::string(word.text) + "»"};
    values.push_back(*value);
  }
  if (values.size() < 3) return FileProblem{last_line, "faltam xmin, xmax e o número de pontos"};
  Tier tier{values[0], values[1], {}};
  const double count = values[2];
  if (count != std::floor(count) || count < 0)
    return FileProblem{words[2].line, "número de pontos inválido «" + std::string(words[2].text) + "»"};
  if (count == 0) return FileProblem{words[2].line, "o " + std::string(kind_name(kind)) + " não tem pontos"};
  const std::size_t announced = static_cast<std::size_t>(std::min(count, 1e9));
  if (values.size() < 3 + 2 * announced)
    return FileProblem{last_line, "faltam pontos: o ficheiro anuncia " + std::to_string(announced)};
  if (values.size() > 3 + 2 * announced)
    return FileProblem{words[3 + 2 * announced].line,
                       "sobram valores depois dos " + std::to_string(announced) + " pontos anunciados"};
  for (std::size_t k = 0; k < announced; ++k) {
    const double seconds = values[3 + 2 * k];
    const double value = values[4 + 2 * k];
    const std::size_t line = words[3 + 2 * k].line;
    if (!tier.points.empty() && seconds <= tier.points.back().seconds)
      return FileProblem{line, "tempos fora de ordem: " + std::string(words[3 + 2 * k].text) + " s vem depois de " +
                                   std::string(words[1 + 2 * k].text) + " s"};
    if (kind == TierKind::pitch && (value < lowest_hz || value > highest_hz))
      return FileProblem{words[4 + 2 * k].line, "frequência «" + std::string(words[4 + 2 * k].text) +
                                                    "» fora de 40 a 600 Hz"};
    if (kind == TierKind::duration && (value <= 0 || value > largest_duration_factor))
      return FileProblem{words[4 + 2 * k].line, "duração relativa «" + std::string(words[4 + 2 * k].text) +
                                                    "» fora de 0 a 10"};
    tier.points.push_back({seconds, value});
  }
  return tier;
}

ProsodyTarget target_from_tiers(std::span<const JoinedPhone> phones, std::size_t length, const Tier* pitch,
                                const Tier* duration) {
  const std::vector<double> starts = start_seconds(phones, length);
  ProsodyTarget target;
  for (std::size_t k = 0; k < phones.size(); ++k) {
    const double ms = 1000 * (duration ? area(*duration, starts[k], starts[k + 1]) : starts[k + 1] - starts[k]);
    target.phones.push_back({phones[k].phone, ms, phones[k].stress, {}});
  }
  if (!pitch || phones.empty()) return target;
  for (const TierPoint& point : pitch->points) {
    const auto [k, position] = place_in_phones(starts, point.seconds);
    target.phones[k].pitch.push_back({position, point.value});
  }
  return target;
}

std::optional<std::string> praat_object_class(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const auto file_type = quoted_of(take_line(text));
  if (!file_type || !file_type->starts_with("ooTextFile")) return std::nullopt;
  const auto object_class = quoted_of(take_line(text));
  return object_class ? std::string(*object_class) : std::string();
}

Tier pitch_tier_of(std::vector<TierPoint> points, double xmin, double xmax) {
  std::stable_sort(points.begin(), points.end(), [](const TierPoint& a, const TierPoint& b) { return a.seconds < b.seconds; });
  Tier tier{xmin, xmax, {}};
  for (TierPoint point : points) {
    if (!tier.points.empty() && point.seconds <= tier.points.back().seconds)
      point.seconds = tier.points.back().seconds + 1e-6;
    tier.points.push_back(point);
  }
  return tier;
}

std::string tier_text(const Tier& tier, TierKind kind) {
  std::string t = "File type = \"ooTextFile\"\nObject class = \"" + std::string(kind_name(kind)) + "\"\n\n";
  t += "xmin = " + shortest_text(tier.xmin) + " \nxmax = " + shortest_text(tier.xmax) + " \n";
  t += "points: size = " + std::to_string(tier.points.size()) + " \n";
  for (std::size_t i = 0; i < tier.points.size(); ++i) {
    t += "points [" + std::to_string(i + 1) + "]:\n";
    t += "    number = " + shortest_text(tier.points[i].seconds) + " \n    value = " +
         shortest_text(tier.points[i].value) + " \n";
  }
  return t;
}

std::variant<TargetTiers, std::size_t> tiers_of_target(std::span<const JoinedPhone> phones, std::size_t length,
                                                       const ProsodyTarget& target) {
  const std::vector<double> starts = start_seconds(phones, length);
  const std::size_t n = std::min(phones.size(), target.phones.size());
  // Each point at its share of its phone; on the result's axis, 100 % of a phone is 0 % of the
  // next, where the tier's time would put it.
  std::vector<TierPoint> points;
  for (std::size_t k = 0; k < n; ++k) {
    for (const PitchTarget& p : target.phones[k].pitch) {
      const double seconds = p.position >= 100 ? starts[k + 1] : starts[k] + p.position / 100 * (starts[k + 1] - starts[k]);
      points.push_back({seconds, p.hz});
    }
  }
  TargetTiers tiers{pitch_tier_of(std::move(points), 0, starts.back()), {0, starts.back(), {}}};

  // A plateau over each phone, the step to the next phone's in its last microsecond: worked out
  // from the last phone back, as each phone's integral takes in the start of the next step.
  constexpr double step = 1e-6;
  auto& d = tiers.duration.points;
  d.resize(2 * n);
  for (std::size_t k = n; k-- > 0;) {
    const double span = starts[k + 1] - starts[k];
    if (span <= 2 * step) return k;
    const double seconds = target.phones[k].length_ms / 1000;
    const double next = k + 1 < n ? d[2 * k + 2].value : 0;
    const double first = k + 1 < n ? (seconds - step * next / 2) / (span - step / 2) : seconds / span;
    d[2 * k] = {starts[k], first};
    d[2 * k + 1] = {starts[k + 1] - step, first};
    const double value = nearest_exact(first, [&](double v) {
      d[2 * k].value = d[2 * k + 1].value = v;
      return std::abs(1000 * area(tiers.duration, starts[k], starts[k + 1]) - target.phones[k].length_ms);
    });
    if (!(value > 0 && value <= largest_duration_factor)) return k;
    d[2 * k].value = d[2 * k + 1].value = value;
  }
  return tiers;
}

}  // namespace quelvara::prosody
