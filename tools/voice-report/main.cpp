// quelvara-voice-report: listens to a diphone database by numbers. On everyday words and a
// sweep through the inventory it prints how smooth the joins are, whether stop closures and
// voiceless fricatives keep their length in every intonation mode, how long the vowels last
// and whether the pitch follows the factor and the contour.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "road/road.h"
#include "listening_texts.h"
#include "prosody/planning.h"
#include "runtime/mat_file.h"
#include "synthesis/analysis.h"
#include "synthesis/phones.h"
#include "synthesis/unit_index.h"
#include "voice_measures.h"

namespace fs = std::filesystem;
using namespace quelvara;
using tools::median;

namespace {

double ms(double samples) { return 1000.0 * samples / tools::sample_rate; }

std::string symbol(int fonum) { return std::string(synthesis::fonemas[static_cast<std::size_t>(fonum - 1)]); }

struct Join {
  double ratio = 0;
  std::string text;
  std::string where;  // the phone at the join, between its two units
};

void report_joins(const fs::path& root, const std::vector<tools::ListeningText>& texts) {
  std::vector<double> inside, at_joins;
  std::vector<Join> joins;
  for (const auto& text : texts) {
    const auto analysis = synthesis::analyse(text.sampa, runtime::read_unit_file, root);
    if (analysis.status != synthesis::Analysis::Status::ok) {
      std::cout << "  (não analisado: " << text.sampa << ")\n";
      continue;
    }
    const auto& j = analysis.joined;
    std::size_t start = 0;
    for (std::size_t u = 0; u < j.limdf.size(); ++u) {
      const std::size_t end = start + j.limdf[u];
      for (std::size_t p = start + tools::spectral_frame; p + tools::spectral_frame <= end; p += 220)
        inside.push_back(tools::spectral_distance(j.orig, p));
      if (u + 1 < j.limdf.size() && end >= tools::spectral_frame && end + tools::spectral_frame <= j.orig.size()) {
        const auto& d1 = analysis.reading.diphones[u];
        const auto& d2 = analysis.reading.diphones[u + 1];
        at_joins.push_back(tools::spectral_distance(j.orig, end));
        joins.push_back({at_joins.back(), text.sampa,
                         d1.fone1 + "-[" + d1.fone2 + "]-" + d2.fone2});
      }
      start = end;
    }
  }
  const double reference = median(inside);
  for (auto& join : joins) join.ratio /= reference;
  std::sort(joins.begin(), joins.end(), [](const Join& a, const Join& b) { return a.ratio > b.ratio; });
  std::vector<double> ratios;
  for (const auto& join : joins) ratios.push_back(join.ratio);
  std::sort(ratios.begin(), ratios.end());
  std::printf("Junções: %zu junções, %zu pontos dentro das unidades (mediana %.2f dB)\n", joins.size(),
              inside.size(), reference);
  if (ratios.empty()) return;
  std::printf("  razão junção / mediana interna: mediana %.2f, percentil 90 %.2f, pior %.2f\n", median(ratios),
              ratios[ratios.size() * 9 / 10], ratios.back());
  std::printf("  as dez piores:\n");
  for (std::size_t k = 0; k < std::min<std::size_t>(10, joins.size()); ++k)
    std::printf("    %5.2f  %-12s em %s\n", joins[k].ratio, joins[k].where.c_str(), joins[k].text.c_str());
}

struct ModeFigures {
  std::string name;
  std::optional<double> factor;  // "Gráfica" without
  std::size_t closures = 0, fricatives = 0;
  double closure_total = 0, fricative_total = 0;
};

void report_unvoiced(const fs::path& root, const std::vector<tools::ListeningText>& texts) {
  std::vector<ModeFigures> modes = {{"Factor 1", 1.0}, {"Factor 0.5", 0.5}, {"Factor 2", 2.0}, {"Gráfica", std::nullopt}};
  std::size_t fricatives_in_texts = 0;
  for (const auto& text : texts) {
    std::vector<std::pair<std::size_t, std::size_t>> counts;
    for (auto& m : modes) {
      const road::Mode mode = m.factor ? road::Mode(road::FactorMode{*m.factor}) : road::Mode(road::ContourMode{});
      const auto result = road::run_road(text.sampa, mode, runtime::read_unit_file, root);
      if (result.analysis.status != synthesis::Analysis::Status::ok) continue;
      const auto& j = result.analysis.joined;
      const auto plan = m.factor ? prosody::plan_factor(j.pitch.row(), j.vzmto.row(), *m.factor)
                                 : prosody::plan_contour(j.pitch.row(), j.vzmto.row(), result.analysis.reading.pontuacao);
      const auto c = tools::closures(result.sinal);
      const auto f = tools::voiceless_fricatives(result.analysis, plan, result.sinal);
      if (&m == &modes.front()) fricatives_in_texts += f.size();
      std::size_t found = 0;
      m.closures += c.size();
      for (const auto& s : c) m.closure_total += static_cast<double>(s.length());
      for (const auto& s : f) {
        if (!s) continue;
        ++found;
        m.fricative_total += static_cast<double>(s->length());
      }
      m.fricatives += found;
      counts.emplace_back(c.size(), found);
    }
    if (std::any_of(counts.begin(), counts.end(), [&](const auto& c) { return c != counts.front(); })) {
      std::printf("  contagens diferentes em %s (oclusões/fricativas por modo):", text.sampa.c_str());
      for (const auto& c : counts) std::printf(" %zu/%zu", c.first, c.second);
      std::printf("\n");
    }
  }
  std::printf("Oclusões (silêncio exacto >= 10 ms) e fricativas surdas [s S f] (ruído >= 20 ms), %zu textos, "
              "%zu fricativas no texto:\n",
              texts.size(), fricatives_in_texts);
  for (const auto& m : modes)
    std::printf("  %-10s  oclusões %3zu, %7.1f ms (%6.1f %%)   fricativas %3zu, %7.1f ms (%6.1f %%)\n",
                m.name.c_str(), m.closures, ms(m.closure_total), 100 * m.closure_total / modes[0].closure_total,
                m.fricatives, ms(m.fricative_total), 100 * m.fricative_total / modes[0].fricative_total);
}

void report_durations(const fs::path& root, const std::vector<tools::ListeningText>& texts) {
  const auto index = synthesis::UnitIndex::read(root);
  if (!index) {
    std::printf("Durações: o índice não tem a coluna «fronteira»\n");
    return;
  }
  std::map<std::string, std::vector<double>> by_vowel;
  std::vector<double> reduced, all;
  for (const auto& text : texts) {
    const auto analysis = synthesis::analyse(text.sampa, runtime::read_unit_file, root);
    if (analysis.status != synthesis::Analysis::Status::ok) continue;
    const auto& d = analysis.reading.diphones;
    const auto& limdf = analysis.joined.limdf;
    for (std::size_t u = 0; u + 1 < d.size(); ++u) {
      const int phone = *d[u].fonum2;
      if (phone < 22) continue;  // vowels are numbered from 22 on
      const auto first = index->boundary(*d[u].fonum1, phone);
      const auto second = index->boundary(phone, *d[u + 1].fonum2);
      if (!first || !second) continue;
      const double length = ms(static_cast<double>(limdf[u] - *first + *second));
      by_vowel[symbol(phone)].push_back(length);
      all.push_back(length);
      if (phone == 26 || phone == 29 || phone == 30) reduced.push_back(length);
    }
  }
  std::printf("Durações das vogais (Factor 1): [6 u @] mediana %.0f ms (%zu), todas mediana %.0f ms (%zu)\n",
              median(reduced), reduced.size(), median(all), all.size());
  std::printf("  por vogal:");
  for (const auto& [vowel, lengths] : by_vowel) std::printf(" %s %.0f (%zu)", vowel.c_str(), median(lengths), lengths.size());
  std::printf("\n");
}

void report_pitch(const fs::path& root, const std::vector<tools::ListeningText>& texts) {
  std::printf("Altura (autocorrelação, tramas de 40 ms):\n");
  for (const double factor : {0.5, 0.75, 1.0, 1.5, 2.0}) {
    std::vector<double> f0s;
    for (const auto& text : texts) {
      const auto result = road::run_road(text.sampa, road::FactorMode{factor}, runtime::read_unit_file, root);
      for (const auto& frame : tools::pitch_track(result.sinal)) f0s.push_back(frame.f0);
    }
    const double expected = 130 * factor;
    const auto close = std::count_if(f0s.begin(), f0s.end(), [&](double f) { return std::abs(f - expected) <= 0.01 * expected; });
    std::printf("  Factor %-4g  F0 mediana %6.1f Hz (esperado %6.1f), %5.1f %% de %zu tramas a menos de 1 %%\n",
                factor, median(f0s), expected, 100.0 * static_cast<double>(close) / static_cast<double>(f0s.size()),
                f0s.size());
  }
  // Gráfica: each frame against the median planned period within it, over the frames whose
  // planned spacings are all contour periods (132 to 190 samples): a frame that holds an
  // unvoiced remainder or a voicing onset has no one pitch to follow.
  std::size_t frames = 0, within2 = 0, within5 = 0;
  for (const auto& text : texts) {
    const auto result = road::run_road(text.sampa, road::ContourMode{}, runtime::read_unit_file, root);
    if (result.analysis.status != synthesis::Analysis::Status::ok) continue;
    const auto& j = result.analysis.joined;
    const auto plan = prosody::plan_contour(j.pitch.row(), j.vzmto.row(), result.analysis.reading.pontuacao);
    std::vector<std::size_t> marks;
    for (std::size_t k = 0; k < plan.synthesis_marks.size(); ++k)
      if (plan.synthesis_marks[k] != 0) marks.push_back(k);
    for (const auto& frame : tools::pitch_track(result.sinal)) {
      const std::size_t first = frame.centre - 441, last = frame.centre + 441;
      std::vector<double> periods;
      for (std::size_t m = 0; m + 1 < marks.size(); ++m)
        if (marks[m] >= first && marks[m + 1] <= last) periods.push_back(static_cast<double>(marks[m + 1] - marks[m]));
      if (periods.empty() ||
          std::any_of(periods.begin(), periods.end(), [](double p) { return p < 132 || p > 190; }))
        continue;
      const double expected = tools::sample_rate / median(periods);
      ++frames;
      within2 += std::abs(frame.f0 - expected) <= 0.02 * expected;
      within5 += std::abs(frame.f0 - expected) <= 0.05 * expected;
    }
  }
  std::printf("  Gráfica     %5.1f %% de %zu tramas vozeadas a menos de 2 %% do contorno planeado (%5.1f %% a menos de 5 %%)\n",
              100.0 * static_cast<double>(within2) / static_cast<double>(frames), frames,
              100.0 * static_cast<double>(within5) / static_cast<double>(frames));
}

}  // namespace

int main(int argc, char** argv) {
  fs::path root = ".";
  CLI::App app{"Mede uma base de dados de difones em palavras do dia a dia e num varrimento do inventário."};
  app.add_option("--bd", root, "pasta que contém bd/ e bd-index.txt")->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  const auto& everyday = tools::everyday_texts();
  auto everything = everyday;
  const auto sweep = tools::sweep_texts();
  everything.insert(everything.end(), sweep.begin(), sweep.end());

  std::printf("Base de dados: %s\n", root.string().c_str());
  report_joins(root, everything);
  report_unvoiced(root, everyday);
  report_durations(root, everyday);
  report_pitch(root, everyday);
  return 0;
}
