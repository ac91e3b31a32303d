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
  constexpr double sample_rate = 22050;
  ProsodyTarget target;
  for (std::size_t k = 0; k < phones.size(); ++k) {
    const double start = static_cast<double>(phones[k].start) / sample_rate;
    const double end = static_cast<double>(k + 1 < phones.size() ? phones[k + 1].start : length) / sample_rate;
    const double ms = 1000 * (duration ? area(*duration, start, end) : end - start);
    target.phones.push_back({phones[k].phone, ms, phones[k].stress, {}});
  }
  if (!pitch || phones.empty()) return target;
  std::vector<double> starts;  // seconds, and the end of the signal
  for (const JoinedPhone& phone : phones) starts.push_back(static_cast<double>(phone.start) / sample_rate);
  starts.push_back(static_cast<double>(length) / sample_rate);
  for (const TierPoint& point : pitch->points) {
    const double seconds = std::clamp(point.seconds, 0.0, starts.back());
    const auto after = std::upper_bound(starts.begin(), starts.end() - 1, seconds);
    const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - starts.begin() - 1, 0));
    const double span = starts[k + 1] - starts[k];
    const double position = span > 0 ? std::clamp(100 * (seconds - starts[k]) / span, 0.0, 100.0) : 0.0;
    target.phones[k].pitch.push_back({position, point.value});
  }
  return target;
}

}  // namespace quelvara::prosody
