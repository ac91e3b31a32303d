#include "windows/analysis_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quelvara::windows {

namespace {

using runtime::Value;

const Value* find(const Value& record, std::string_view name) {
  if (!record.is_record() || !record.record().has(name)) return nullptr;
  return &record.record().get(name);
}

std::optional<std::vector<double>> numbers(const Value* v) {
  if (!v || !v->is_array() || v->is_text()) return std::nullopt;
  return v->array().data();
}

// Whole positive numbers only: positions and lengths.
std::optional<std::vector<std::size_t>> counts(const Value* v) {
  const auto x = numbers(v);
  if (!x) return std::nullopt;
  std::vector<std::size_t> out;
  for (double d : *x) {
    if (!(d >= 0) || d != std::floor(d) || d > 1e12) return std::nullopt;
    out.push_back(static_cast<std::size_t>(d));
  }
  return out;
}

std::optional<std::vector<std::string>> texts(const Value* v) {
  if (!v || !v->is_cell()) return std::nullopt;
  std::vector<std::string> out;
  for (const Value& item : v->cell().items) {
    if (!item.is_text()) return std::nullopt;
    out.push_back(item.text());
  }
  return out;
}

std::optional<std::string> text_field(const Value& record, std::string_view name) {
  const Value* v = find(record, name);
  if (!v || !v->is_text()) return std::nullopt;
  return v->text();
}

Value text_cell(const std::vector<std::string>& items) {
  runtime::Cell cell;
  for (const auto& item : items) cell.items.emplace_back(item);
  return Value(std::move(cell));
}

Value count_row(const std::vector<std::size_t>& items) {
  return Value(runtime::Array::row(std::vector<double>(items.begin(), items.end())));
}

std::vector<synthesis::Stress> stress_of(const std::vector<std::size_t>& levels) {
  std::vector<synthesis::Stress> stress;
  for (std::size_t level : levels) stress.push_back(static_cast<synthesis::Stress>(std::min<std::size_t>(level, 2)));
  return stress;
}

}  // namespace

void add_analysis_fields(runtime::Record& record, const synthesis::Analysis& analysis,
                         std::span<const std::size_t> fronteiras, const std::string& texto) {
  std::vector<std::string> difones;
  for (const auto& d : analysis.reading.diphones) difones.push_back(d.dif);
  record.set("difones", text_cell(difones));
  record.set("limdf", count_row(analysis.joined.limdf));
  record.set("texto_analisado", Value(texto));
  record.set("fronteiras", count_row({fronteiras.begin(), fronteiras.end()}));
  std::vector<std::size_t> acentos;
  for (synthesis::Stress s : analysis.reading.stress) acentos.push_back(static_cast<std::size_t>(s));
  record.set("acentos", count_row(acentos));
}

std::optional<road::PhoneLayout> phone_layout_of_record(const Value& handles) {
  auto difones = texts(find(handles, "difones"));
  auto limdf = counts(find(handles, "limdf"));
  auto fronteiras = counts(find(handles, "fronteiras"));
  auto acentos = counts(find(handles, "acentos"));
  if (!difones || !limdf || !fronteiras || !acentos || fronteiras->size() != limdf->size()) return std::nullopt;
  for (std::size_t k = 0; k < limdf->size(); ++k)
    if ((*fronteiras)[k] > (*limdf)[k]) return std::nullopt;
  road::PhoneLayout layout = road::phone_layout(*difones, stress_of(*acentos), *limdf, *fronteiras);
  if (layout.phones.size() != (difones->empty() ? 0 : difones->size() + 1)) return std::nullopt;
  return layout;
}

void add_intonation_fields(runtime::Record& record, const inspection::MarkPositions& marks,
                           const road::Mode& mode, char pontuacao, const road::TargetRun* target,
                           std::string_view shown_as) {
  static double runs = 0;
  runtime::Record run;
  run.set("marcas_analise", count_row(marks.analysis));
  run.set("marcas_sintese", count_row(marks.synthesis));
  run.set("modo", Value(shown_as.empty() ? std::string_view(inspection::mode_name(mode)) : shown_as));
  const auto* factor = std::get_if<road::FactorMode>(&mode);
  run.set("factor", factor ? Value(factor->factor) : Value());
  run.set("pontuacao", Value(std::string(1, pontuacao)));
  run.set("texto", record.has("texto_analisado") ? record.get("texto_analisado") : Value(""));
  run.set("numero", Value(++runs));
  if (target) {
    std::vector<double> f0;  // column by column: time, Hz
    for (const auto& point : inspection::curve_points(target->target)) {
      f0.push_back(point.time);
      f0.push_back(point.hz);
    }
    const std::size_t points = f0.size() / 2;
    run.set("f0_planeado", Value(runtime::Array::matrix(2, points, std::move(f0))));
    std::vector<double> phones;
    for (double ms : prosody::phone_starts_ms(target->target)) phones.push_back(ms / 1000);
    run.set("fones_planeados", Value(runtime::Array::row(phones)));
  }
  record.set("entoacao", Value(std::move(run)));
}

bool result_is_current(const Value& handles) {
  const Value* run = find(handles, "entoacao");
  if (!run || !find(handles, "sinal")) return false;
  const auto made_from = text_field(*run, "texto");
  return made_from && made_from == text_field(handles, "texto_analisado");
}

std::optional<double> current_run(const Value& handles) {
  if (!result_is_current(handles)) return std::nullopt;
  const Value* numero = find(*find(handles, "entoacao"), "numero");
  return numero && numero->is_number() ? std::optional(numero->number()) : std::nullopt;
}

std::string spelling_of_record(const Value& handles) {
  const auto sampa = text_field(handles, "sampa_do_portugues");
  if (!sampa || sampa != text_field(handles, "texto_analisado")) return {};
  return text_field(handles, "texto_portugues").value_or("");
}

void transcribed_from(runtime::Record& record, const std::string& spelling, const std::string& sampa) {
  record.set("texto_portugues", Value(spelling));
  record.set("sampa_do_portugues", Value(sampa));
}

std::string status_of_record(const Value& handles) {
  if (const Value* click = find(handles, "click"); !click || !click->is_text("on"))
    return "Escreva um texto e confirme-o com Enter.";
  if (!find(handles, "sinal")) return "Texto analisado: escolha a entoação.";
  if (!result_is_current(handles)) return "o resultado é do texto anterior: escolha a entoação";
  const Value& run = *find(handles, "entoacao");
  const Value* modo = find(run, "modo");
  std::string how = modo && modo->is_text() ? modo->text() : std::string();
  if (const Value* factor = find(run, "factor"); factor && factor->is_number()) {
    char digits[32];
    std::snprintf(digits, sizeof digits, " %.2f", factor->number());
    how += digits;
    std::replace(how.begin(), how.end(), '.', ',');
  }
  return "O resultado é deste texto (" + how + "): Ouvir e Gravar usam-no.";
}

std::optional<inspection::Snapshot> snapshot_of_record(const Value& handles) {
  if (const Value* click = find(handles, "click"); !click || !click->is_text("on")) return std::nullopt;
  inspection::Snapshot s;
  auto orig = numbers(find(handles, "orig"));
  auto vzmto = numbers(find(handles, "vzmto"));
  auto pitch = numbers(find(handles, "pitch"));
  auto difones = texts(find(handles, "difones"));
  auto limdf = counts(find(handles, "limdf"));
  if (!orig || !vzmto || !pitch || !difones || !limdf) return std::nullopt;
  s.orig = std::move(*orig);
  s.vzmto = std::move(*vzmto);
  s.pitch_marks = inspection::mark_positions(*pitch);
  s.difones = std::move(*difones);
  s.limdf = std::move(*limdf);
  if (auto fronteiras = counts(find(handles, "fronteiras")); fronteiras && fronteiras->size() == s.limdf.size())
    s.fronteiras = std::move(*fronteiras);
  if (auto acentos = counts(find(handles, "acentos"))) s.acentos = stress_of(*acentos);

  const Value* run = find(handles, "entoacao");
  auto sinal = numbers(find(handles, "sinal"));
  if (run && sinal && result_is_current(handles)) {
    inspection::Resynthesis r;
    auto analysis_marks = counts(find(*run, "marcas_analise"));
    auto synthesis_marks = counts(find(*run, "marcas_sintese"));
    const Value* modo = find(*run, "modo");
    const Value* factor = find(*run, "factor");
    const Value* pontuacao = find(*run, "pontuacao");
    if (analysis_marks && synthesis_marks && modo && modo->is_text() && pontuacao && pontuacao->is_text()) {
      r.sinal = std::move(*sinal);
      r.analysis_marks = std::move(*analysis_marks);
      r.synthesis_marks = std::move(*synthesis_marks);
      r.mode = modo->text();
      if (factor && factor->is_number()) r.factor = factor->number();
      const std::string p = pontuacao->text();
      r.pontuacao = p.empty() ? '.' : p[0];
      if (const Value* f0 = find(*run, "f0_planeado"); f0 && f0->is_array() && !f0->is_text() && f0->array().rows() == 2) {
        for (std::size_t k = 1; k <= f0->array().cols(); ++k) r.planned_pitch.push_back({f0->array()(1, k), f0->array()(2, k)});
      }
      if (auto phones = numbers(find(*run, "fones_planeados"))) r.planned_phones = std::move(*phones);
      s.result = std::move(r);
    }
  }
  if (inspection::inconsistency(s)) {
    if (!s.result) return std::nullopt;
    s.result.reset();  // a result that does not fit is left out, the text still shown
    if (inspection::inconsistency(s)) return std::nullopt;
  }
  return s;
}

}  // namespace quelvara::windows
