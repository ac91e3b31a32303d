#include "windows/intonation_run.h"

#include "inspection/record_of_run.h"
#include "road/phone_layout.h"
#include "runtime/error.h"
#include "windows/analysis_record.h"
#include "windows/module_support.h"

namespace quelvara::windows {

road::Intonation run_intonation(Value& handles, const road::Mode& mode, std::string_view shown_as) {
  const std::vector<double> pitch = samples_of(field(handles, "pitch"), "pitch");
  const std::vector<double> vzmto = samples_of(field(handles, "vzmto"), "vzmto");
  const std::vector<double> orig = samples_of(field(handles, "orig"), "orig");
  const std::string pontuacao = field(handles, "pontuacao").text();
  const char mark = pontuacao.empty() ? '.' : pontuacao[0];
  road::Intonation result;
  if (road::plans_a_target(mode)) {
    const auto layout = phone_layout_of_record(handles);
    if (!layout) throw runtime::RuntimeError("The analysis of the text has no usable phones.");
    synthesis::VoicingCodes codes;
    codes.append(vzmto);
    result = road::reshape(orig, prosody::marked_signal(pitch, vzmto), *layout, codes, mode, mark);
  } else {
    result = road::reshape(orig, pitch, vzmto, mode, mark);
  }
  handles.record().set("sinal", samples_row(result.sinal));
  add_intonation_fields(handles.record(), inspection::mark_positions(result.analysis_marks, result.synthesis_marks),
                        mode, mark, result.target ? &*result.target : nullptr, shown_as);
  return result;
}

void show_status(const Value& handles, const std::string& text) {
  if (handles.is_record() && handles.record().has("estado"))
    graphics::set(handle_field(handles, "estado"), "String", Value(text));
}

void show_result_status(const Value& handles) { show_status(handles, status_of_record(handles)); }

}  // namespace quelvara::windows
