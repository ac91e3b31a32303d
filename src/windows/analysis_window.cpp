// The analysis window: a picture of the joined and the resynthesised signal (drawn by the view
// that registered as the analysis display), and buttons to show everything, to play the
// selection of either signal and to export both for annotation.
#include "windows/analysis_window.h"

#include <algorithm>
#include <cmath>

#include "framework/window_data.h"
#include "framework/window_module.h"
#include "graphics/callbacks.h"
#include "graphics/file_chooser.h"
#include "inspection/praat_export.h"
#include "runtime/console.h"
#include "runtime/runtime_users.h"
#include "transcription/donor_front_end.h"
#include "wave/samples.h"
#include "windows/analysis_display.h"
#include "windows/analysis_record.h"
#include "windows/module_support.h"

namespace quelvara::windows {

namespace {

const runtime::RuntimeUser analise_user;

constexpr const char* graph_tag = "grafico";

std::optional<Handle> open_figure(const std::string& tag) {
  for (Handle f : graphics::figures())
    if (graphics::get_text(f, "Tag") == tag) return f;
  return std::nullopt;
}

// The main window's record as stored now; empty when the main window is gone.
Value main_record() {
  const auto main = open_figure("interface");
  return main ? framework::guidata(Value(*main)) : Value();
}

std::optional<inspection::Snapshot> current_snapshot() { return snapshot_of_record(main_record()); }

// The view that the window's controls ask for; a control the layout lacks keeps its default.
ViewOptions view_options(const Value& handles) {
  ViewOptions options;
  const auto value = [&](const char* tag) -> std::optional<double> {
    if (!handles.record().has(tag)) return std::nullopt;
    const Value v = graphics::get(handle_field(handles, tag), "Value");
    return v.is_number() ? std::optional(v.number()) : std::nullopt;
  };
  if (const auto kind = value("espectrograma"))
    options.spectrogram = *kind == 2 ? SpectrogramView::narrowband : *kind == 3 ? SpectrogramView::none : SpectrogramView::wideband;
  if (const auto on = value("formantes")) options.formants = *on != 0;
  if (const auto scale = value("escala")) options.semitones = *scale == 2;
  return options;
}

void draw(Handle figure, const Value& main_handles) {
  const Value handles = framework::guidata(Value(figure));
  if (!handles.is_record()) return;
  if (handles.record().has("comparar"))
    graphics::set(handle_field(handles, "comparar"), "Enable",
                  Value(spelling_of_record(main_handles).empty() ? "off" : "on"));
  AnalysisDisplay* display = analysis_display();
  if (!display || !handles.record().has(graph_tag)) return;
  display->set_options(handle_field(handles, graph_tag), view_options(handles));
  auto snapshot = snapshot_of_record(main_handles);
  display->show(handle_field(handles, graph_tag),
                snapshot ? std::make_shared<const inspection::Snapshot>(std::move(*snapshot)) : nullptr);
}

// The selected stretch of a signal, or all of it without a selection.
std::vector<double> selected(const std::vector<double>& signal, const Value& handles) {
  AnalysisDisplay* display = analysis_display();
  const auto selection = display ? display->selection(handle_field(handles, graph_tag)) : std::nullopt;
  if (!selection) return signal;
  const auto index = [&](double seconds) {
    const double k = std::round(seconds * inspection::sample_rate);
    return static_cast<std::size_t>(std::clamp(k, 0.0, static_cast<double>(signal.size())));
  };
  const std::size_t from = index(selection->start), to = index(selection->end);
  if (to <= from) return {};
  return {signal.begin() + static_cast<std::ptrdiff_t>(from), signal.begin() + static_cast<std::ptrdiff_t>(to)};
}

void play(const std::vector<double>& samples) {
  if (samples.empty()) return;
  play_samples(samples_row(samples), "Exportar");
}

Results opening(int, Args args) {
  Value handles = parameter(args, 2);
  if (!handles.is_record()) handles = Value(runtime::Record());
  handles.record().set("output", parameter(args, 0));
  framework::guidata(parameter(args, 0), handles);
  draw(handle_parameter(args, 0), main_record());
  return {};
}

Results output(int, Args args) {
  const Value& handles = parameter(args, 2);
  if (!handles.is_record()) return {Value()};
  return {field(handles, "output")};
}

Results show_everything(int, Args args) {
  if (AnalysisDisplay* display = analysis_display())
    display->show_everything(handle_field(parameter(args, 2), graph_tag));
  return {};
}

Results view_changed(int, Args args) {
  const Value& handles = parameter(args, 2);
  if (AnalysisDisplay* display = analysis_display()) display->set_options(handle_field(handles, graph_tag), view_options(handles));
  return {};
}

Results play_orig(int, Args args) {
  if (const auto s = current_snapshot()) play(selected(s->orig, parameter(args, 2)));
  return {};
}

Results play_sinal(int, Args args) {
  if (const auto s = current_snapshot(); s && s->result) play(selected(s->result->sinal, parameter(args, 2)));
  return {};
}

// Asks for a file with the file chooser, writes the WAVE files and TextGrids beside each other
// and says which.
Results export_files(int, Args) {
  const auto snapshot = current_snapshot();
  if (!snapshot) return {};
  const auto chosen = graphics::choose_file({graphics::FileQuestion::Kind::save, "Exportar sinais e anotações",
                                             "analise.TextGrid", {"TextGrid e WAVE (*.TextGrid)"}});
  if (!chosen || chosen->empty()) return {};
  try {
    const auto written =
        inspection::export_snapshot(*snapshot, *chosen, [](const std::string& text) { runtime::warning(text); });
    std::string names;
    for (const auto& path : written) names += (names.empty() ? "" : ", ") + path.filename().string();
    const auto folder = std::filesystem::absolute(*chosen).parent_path().string();
    show_message("Gravados em " + folder + ": " + names + ".");
  } catch (const wave::WavError& e) {
    show_message("Não foi possível exportar: " + std::string(e.what()));
  } catch (const std::system_error& e) {
    show_message("Não foi possível exportar " + std::string(e.what()) + ": " + e.code().message());
  }
  return {};
}

// The picture as shown, as PNG or SVG.
Results save_picture(int, Args args) {
  AnalysisDisplay* display = analysis_display();
  if (!display || !current_snapshot()) return {};
  const auto chosen = graphics::choose_file({graphics::FileQuestion::Kind::save, "Guardar imagem", "analise.png",
                                             {"Imagem PNG (*.png)", "Imagem SVG (*.svg)"}});
  if (!chosen || chosen->empty()) return {};
  const std::string fault = display->save_picture(handle_field(parameter(args, 2), graph_tag), *chosen);
  if (!fault.empty()) show_message("Não foi possível guardar a imagem: " + fault + ".");
  return {};
}

// The same text through the donor's own formant synthesis, beside the diphones.
Results compare(int, Args) {
  const std::string spelling = spelling_of_record(main_record());
  if (spelling.empty()) {
    show_message("Comparar fala o texto escrito em \"Texto em português\": transcreva um texto para o comparar.");
    return {};
  }
  const auto samples = transcription::donor_speech(spelling);
  if (!samples) {
    show_message("A síntese por formantes não está disponível nesta máquina.");
    return {};
  }
  play(*samples);
  return {};
}

Results close_current(int, Args) {
  graphics::close();
  return {};
}

}  // namespace

void refresh_analysis_window(const Value& handles) {
  if (const auto figure = open_figure("analise")) draw(*figure, handles);
}

void close_analysis_window() {
  if (const auto figure = open_figure("analise")) graphics::delete_object(*figure);
}

void register_analise() {
  framework::register_window_module({"analise",
                                     {{"analise_OpeningFcn", opening},
                                      {"analise_OutputFcn", output},
                                      {"botao_tudo_Callback", show_everything},
                                      {"ouvir_orig_Callback", play_orig},
                                      {"ouvir_sinal_Callback", play_sinal},
                                      {"exportar_Callback", export_files},
                                      {"comparar_Callback", compare},
                                      {"guardar_imagem_Callback", save_picture},
                                      {"espectrograma_Callback", view_changed},
                                      {"formantes_Callback", view_changed},
                                      {"escala_Callback", view_changed},
                                      {"fechar_Callback", close_current}}});
}

}  // namespace quelvara::windows
