// The analysis window: a picture of the joined and the resynthesised signal (drawn by the view
// that registered as the analysis display), and buttons to show everything, to play the
// selection of either signal, to export both for annotation, and to edit, open and save the
// result's prosody.
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
#include "windows/intonation_run.h"
#include "windows/module_support.h"
#include "windows/prosody_editing.h"

namespace quelvara::windows {

namespace {

const runtime::RuntimeUser analise_user;

constexpr const char* graph_tag = "grafico";

// The prosody edits of the main window's result; they outlive the window, as the result does.
ProsodyEditing prosody_editing;

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

// The Value of the window's control tagged tag; nullopt when the layout lacks it.
std::optional<double> control_value(const Value& handles, const char* tag) {
  if (!handles.record().has(tag)) return std::nullopt;
  const Value v = graphics::get(handle_field(handles, tag), "Value");
  return v.is_number() ? std::optional(v.number()) : std::nullopt;
}

// The view that the window's controls ask for; a control the layout lacks keeps its default.
ViewOptions view_options(const Value& handles) {
  ViewOptions options;
  const auto value = [&](const char* tag) { return control_value(handles, tag); };
  if (const auto kind = value("espectrograma"))
    options.spectrogram = *kind == 2 ? SpectrogramView::narrowband : *kind == 3 ? SpectrogramView::none : SpectrogramView::wideband;
  if (const auto on = value("formantes")) options.formants = *on != 0;
  if (const auto scale = value("escala")) options.semitones = *scale == 2;
  return options;
}

void edit_prosody(const ProsodyEdit& edit);

void set_enabled(const Value& handles, const char* tag, bool on) {
  if (handles.record().has(tag)) graphics::set(handle_field(handles, tag), "Enable", Value(on ? "on" : "off"));
}

bool checked(const Value& handles, const char* tag) { return control_value(handles, tag) == 1.0; }

void draw(Handle figure, const Value& main_handles) {
  const Value handles = framework::guidata(Value(figure));
  if (!handles.is_record()) return;
  set_enabled(handles, "comparar", !spelling_of_record(main_handles).empty());
  prosody_editing.follow(main_handles);
  const bool result = prosody_editing.has_result();
  for (const char* tag : {"editar", "abrir_prosodia", "guardar_prosodia"}) set_enabled(handles, tag, result);
  set_enabled(handles, "repor", prosody_editing.edited());
  AnalysisDisplay* display = analysis_display();
  if (!display || !handles.record().has(graph_tag)) return;
  const Handle axes = handle_field(handles, graph_tag);
  display->set_options(axes, view_options(handles));
  auto snapshot = snapshot_of_record(main_handles);
  display->show(axes, snapshot ? std::make_shared<const inspection::Snapshot>(std::move(*snapshot)) : nullptr);
  if (result && checked(handles, "editar"))
    display->set_editing(axes, prosody_editing.shown(main_handles), edit_prosody);
  else
    display->set_editing(axes, std::nullopt, {});
}

// The main window's record after a change of its prosody: stored, told in its status line and
// shown here.
void store_main_record(const Value& handles) {
  const auto main = open_figure("interface");
  if (!main) return;
  framework::guidata(Value(*main), handles);
  show_result_status(handles);
  refresh_analysis_window(handles);
}

// An edit from the picture, which the view hands over outside any callback: an error ends it as
// it would end a callback.
void edit_prosody(const ProsodyEdit& edit) {
  try {
    Value handles = main_record();
    if (handles.is_record() && prosody_editing.apply(handles, edit)) store_main_record(handles);
  } catch (const std::exception& e) {
    graphics::report_callback_error(e);
  }
}

// "Gravados em FOLDER: a, b." for files written beside chosen.
void say_written(const std::vector<std::filesystem::path>& written, const std::string& chosen) {
  std::string names;
  for (const auto& path : written) names += (names.empty() ? "" : ", ") + path.filename().string();
  const auto folder = std::filesystem::absolute(chosen).parent_path().string();
  show_message("Gravados em " + folder + ": " + names + ".");
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
    say_written(inspection::export_snapshot(*snapshot, *chosen, [](const std::string& text) { runtime::warning(text); }),
                *chosen);
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

Results editing_changed(int, Args args) {
  if (const auto figure = graphics::ancestor_figure(handle_parameter(args, 0))) draw(*figure, main_record());
  return {};
}

Results reset_prosody(int, Args) {
  Value handles = main_record();
  if (handles.is_record() && prosody_editing.reset(handles)) store_main_record(handles);
  return {};
}

// A .pho file, a PitchTier or a DurationTier, applied to the result; a file that cannot be
// read changes nothing and says why, with its line.
Results open_prosody(int, Args) {
  Value handles = main_record();
  if (!handles.is_record()) return {};
  const auto chosen = graphics::choose_file({graphics::FileQuestion::Kind::open, "Abrir prosódia", "",
                                             {"Prosódia (*.pho *.PitchTier *.DurationTier)", "Todos os ficheiros (*)"}});
  if (!chosen || chosen->empty()) return {};
  if (const std::string problem = prosody_editing.open(handles, *chosen); !problem.empty()) {
    show_message("Não foi possível abrir a prosódia: " + problem + ".");
    return {};
  }
  store_main_record(handles);
  return {};
}

Results save_prosody(int, Args) {
  const Value handles = main_record();
  if (!handles.is_record()) return {};
  const auto chosen = graphics::choose_file({graphics::FileQuestion::Kind::save, "Guardar prosódia", "prosodia.pho",
                                             {"Ficheiro .pho (*.pho)", "PitchTier e DurationTier do Praat (*.PitchTier)"}});
  if (!chosen || chosen->empty()) return {};
  try {
    say_written(prosody_editing.save(handles, *chosen), *chosen);
  } catch (const std::system_error& e) {
    show_message("Não foi possível guardar " + std::string(e.what()) + ": " + e.code().message());
  } catch (const std::runtime_error& e) {
    show_message(e.what());
  }
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
                                      {"editar_Callback", editing_changed},
                                      {"repor_Callback", reset_prosody},
                                      {"abrir_prosodia_Callback", open_prosody},
                                      {"guardar_prosodia_Callback", save_prosody},
                                      {"fechar_Callback", close_current}}});
}

}  // namespace quelvara::windows
