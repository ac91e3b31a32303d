// The main window: the Portuguese text box with its transcribe button, the SAMPA text box, the
// intonation selector and the play, save, leave, credits and chart buttons. Its handles record
// carries the state of the whole application.
#include <string>

#include "framework/placement.h"
#include "framework/window_data.h"
#include "framework/window_module.h"
#include "graphics/callbacks.h"
#include "prosody/planning.h"
#include "road/intonation.h"
#include "road/phone_layout.h"
#include "synthesis/unit_index.h"
#include "runtime/console.h"
#include "runtime/data_folder.h"
#include "runtime/function_registry.h"
#include "runtime/mat_file.h"
#include "runtime/runtime_users.h"
#include "synthesis/analysis.h"
#include "transcription/transcriber.h"
#include "wave/wavwrite.h"
#include "windows/analysis_record.h"
#include "windows/analysis_window.h"
#include "windows/intonation_run.h"
#include "windows/module_support.h"
#include "windows/modules.h"
#include "windows/reply_dialog.h"

namespace quelvara::windows {

namespace {

using runtime::call_by_name;

const runtime::RuntimeUser interface_user;

constexpr double sample_rate = 22050;
constexpr int bits_per_sample = 16;

Value main_window() { return call_by_name("interface", 1, {}).at(0); }

// The database's index, read once; without one the phones run between the units' middles.
const std::optional<synthesis::UnitIndex>& database_index() {
  static const std::optional<synthesis::UnitIndex> index = synthesis::UnitIndex::read(runtime::data_folder_for("bd"));
  return index;
}

// A prosody target is planned on the phones' boundaries: without the index, that is said once.
void say_once_when_without_index() {
  static bool said = false;
  if (database_index() || said) return;
  said = true;
  runtime::warning(std::string("A base de dados não tem índice (") + synthesis::unit_index_name +
                   "): os fones vão do meio de um difone ao meio do seguinte.");
}

Results interface_OpeningFcn(int, Args args) {
  const Value window = parameter(args, 0);
  Value handles = parameter(args, 2);
  if (!handles.is_record()) handles = Value(runtime::Record());
  handles.record().set("output", window);
  handles.record().set("click", Value("off"));
  framework::guidata(window, handles);
  framework::centrarcaixas(handle_parameter(args, 0));
  return {};
}

Results interface_OutputFcn(int, Args args) {
  const Value& handles = parameter(args, 2);
  if (!handles.is_record()) return {Value()};
  return {field(handles, "output")};
}

// The analysis window belongs to the main window and goes with it, however it is closed.
Results interface_DeleteFcn(int, Args) {
  close_analysis_window();
  return {};
}

Results entry_CreateFcn(int, Args args) {
  set_entry_background(handle_parameter(args, 0));
  return {};
}

// Analysis of the confirmed text: diphones, units, joining and smoothing.
Results texto_Callback(int, Args args) {
  const std::string texto = graphics::get_text(handle_parameter(args, 0), "String");
  Value handles = parameter(args, 2);
  const synthesis::Analysis analysis =
      synthesis::analyse(texto, runtime::read_unit_file, runtime::data_folder_for("bd"));
  switch (analysis.status) {
    case synthesis::Analysis::Status::empty_text:
      return {};  // nothing to read, nothing stored
    case synthesis::Analysis::Status::missing_unit:
      show_status(handles, handles.record().has("sinal")
                               ? "O texto mostrado não foi analisado: Ouvir e Gravar usam o resultado anterior."
                               : "O texto mostrado não foi analisado.");
      show_message(synthesis::missing_unit_message);
      return {};
    case synthesis::Analysis::Status::ok:
      break;
  }
  auto& record = handles.record();
  record.set("pontuacao", Value(std::string(1, analysis.reading.pontuacao)));
  record.set("click", Value("on"));
  record.set("pitch", samples_row(analysis.joined.pitch));
  record.set("vzmto", samples_row(analysis.joined.vzmto));
  record.set("orig", samples_row(analysis.joined.orig));
  add_analysis_fields(record, analysis,
                      synthesis::unit_boundaries(analysis.reading, analysis.joined.limdf,
                                                 database_index() ? &*database_index() : nullptr),
                      texto);
  framework::guidata(main_window(), handles);
  if (handles.record().has("botao_analise"))
    graphics::set(handle_field(handles, "botao_analise"), "Enable", Value("on"));
  show_result_status(handles);
  refresh_analysis_window(handles);
  return {};
}

// Transcribes the Portuguese text into the SAMPA box and analyses it as if the user had
// confirmed that box. A text that cannot be transcribed only shows why: the SAMPA box and the
// record stay as they were.
Results botao_transcrever_Callback(int, Args args) {
  const Value& handles = parameter(args, 2);
  const std::string spelling = graphics::get_text(handle_field(handles, "texto_pt"), "String");
  const transcription::Transcription result = transcription::transcribe(spelling);
  if (result.status != transcription::Transcription::Status::ok) {
    show_message(transcription::message(result));
    return {};
  }
  const Handle box = handle_field(handles, "texto");
  graphics::set(box, "String", Value(result.sampa));
  graphics::fire_callback(box, "Callback");
  // Kept for Comparar in Análise, which speaks the spelling while the analysis is of its SAMPA.
  const auto window = graphics::ancestor_figure(box);
  Value now = window ? framework::guidata(Value(*window)) : Value();
  if (now.is_record()) {
    transcribed_from(now.record(), spelling, result.sampa);
    framework::guidata(Value(*window), now);
    refresh_analysis_window(now);
  }
  return {};
}

// The factor of mode "Factor": nullopt when the first dialog is cancelled. Once the range
// message has been shown, a cancel, an empty or a several-number reply is out of range too.
std::optional<double> ask_factor() {
  Value reply = call_by_name("val_factor", 1, {}).at(0);
  if (reply.is_text(cancel_reply)) return std::nullopt;
  while (!reply.is_number() || !prosody::factor_in_range(reply.number())) {
    show_message(prosody::factor_range_message);
    reply = call_by_name("val_factor", 1, {}).at(0);
  }
  return reply.number();
}

// The picked item's text of the selector.
std::string picked_item(Handle selector) {
  const Value items = graphics::get(selector, "String");
  const Value picked = graphics::get(selector, "Value");
  if (!picked.is_number() || picked.number() < 1) return {};
  const auto k = static_cast<std::size_t>(picked.number());
  if (items.is_cell()) {
    if (k > items.cell().items.size() || !items.cell().items[k - 1].is_text()) return {};
    return items.cell().items[k - 1].text();
  }
  return k == 1 && items.is_text() ? items.text() : std::string();
}

// Plans the new marks, resynthesises and stores sinal on the main window.
void synthesise(Value& handles, const road::Mode& mode) {
  if (road::plans_a_target(mode)) say_once_when_without_index();
  const road::Intonation result = run_intonation(handles, mode);
  if (result.placeholder_mismatch) runtime::print(std::string(prosody::mark_count_message) + "\n");
  if (result.mark_count_mismatch) show_message(prosody::mark_count_message);
  framework::guidata(main_window(), handles);
  refresh_analysis_window(handles);
}

Results tipo_variacao_Callback(int, Args args) {
  const Handle selector = handle_parameter(args, 0);
  Value handles = parameter(args, 2);
  if (!field(handles, "click").is_text("on")) {
    show_message("Não activou a caixa de texto");
  } else {
    const std::string item = picked_item(selector);
    if (item == "Factor") {
      if (const auto factor = ask_factor()) synthesise(handles, road::FactorMode{*factor});
    } else if (item == "Gráfica") {
      synthesise(handles, road::ContourMode{});
    } else if (item == "Natural") {
      synthesise(handles, road::NaturalMode{});
    }
    // Play and save read sinal: they are enabled once there is one, also after a cancel that
    // keeps the signal of an earlier run.
    if (handles.record().has("sinal")) {
      graphics::set(handle_field(handles, "botao_ouvir"), "Enable", Value("on"));
      graphics::set(handle_field(handles, "botao_gravar"), "Enable", Value("on"));
    }
    show_result_status(handles);
  }
  framework::guidata(Value(selector), handles);
  return {};
}

Results botao_ouvir_Callback(int, Args args) {
  play_samples(field(parameter(args, 2), "sinal"), "Gravar");
  return {};
}

Results botao_gravar_Callback(int, Args args) {
  const std::vector<double> sinal = samples_of(field(parameter(args, 2), "sinal"), "sinal");
  const Value reply = call_by_name("gravar", 1, {}).at(0);
  if (reply.is_text(cancel_reply)) return {};
  if (!reply.is_text()) throw runtime::RuntimeError("The file name must be a text.");
  wave::wavwrite(wave::SampleMatrix::row(sinal), sample_rate, bits_per_sample, reply.text() + ".wav",
                  [](const std::string& text) { runtime::warning(text); });
  return {};
}

Results botao_sair_Callback(int, Args) {
  graphics::close();
  return {};
}

Results botao_creditos_Callback(int, Args) {
  call_by_name("creditos", 0, {});
  return {};
}

Results sampa_Callback(int, Args) {
  call_by_name("sampa", 0, {});
  return {};
}

Results botao_analise_Callback(int, Args) {
  call_by_name("analise", 0, {});
  return {};
}

}  // namespace

void register_interface() {
  framework::register_window_module({"interface",
                                     {{"interface_OpeningFcn", interface_OpeningFcn},
                                      {"interface_DeleteFcn", interface_DeleteFcn},
                                      {"interface_OutputFcn", interface_OutputFcn},
                                      {"texto_CreateFcn", entry_CreateFcn},
                                      {"texto_Callback", texto_Callback},
                                      {"texto_pt_CreateFcn", entry_CreateFcn},
                                      {"botao_transcrever_Callback", botao_transcrever_Callback},
                                      {"tipo_variacao_CreateFcn", entry_CreateFcn},
                                      {"tipo_variacao_Callback", tipo_variacao_Callback},
                                      {"botao_ouvir_Callback", botao_ouvir_Callback},
                                      {"botao_gravar_Callback", botao_gravar_Callback},
                                      {"botao_sair_Callback", botao_sair_Callback},
                                      {"botao_creditos_Callback", botao_creditos_Callback},
                                      {"sampa_Callback", sampa_Callback},
                                      {"botao_analise_Callback", botao_analise_Callback}}});
}

}  // namespace quelvara::windows
