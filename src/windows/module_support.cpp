#include "windows/module_support.h"

#include <cctype>

#include "audio/playback.h"
#include "graphics/event_loop.h"
#include "graphics/msgbox.h"
#include "runtime/argument_count.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "runtime/platform.h"

namespace quelvara::windows {

using runtime::RuntimeError;

const Value& parameter(const Args& args, std::size_t i) {
  if (i >= args.size()) throw RuntimeError(runtime::not_enough_inputs);
  return args[i];
}

const Value& field(const Value& handles, std::string_view name) {
  if (!handles.is_record() || !handles.record().has(name))
    throw RuntimeError("Reference to non-existent field '" + std::string(name) + "'.");
  return handles.record().get(name);
}

namespace {

Handle single_handle(const Value& v, std::string_view what) {
  if (!graphics::is_single_handle(v))
    throw RuntimeError("Invalid handle: " + std::string(what) + " is not the handle of an existing object.");
  return v.number();
}

}  // namespace

Handle handle_field(const Value& handles, std::string_view name) {
  return single_handle(field(handles, name), name);
}

Handle handle_parameter(const Args& args, std::size_t i) { return single_handle(parameter(args, i), "hObject"); }

void show_message(std::string_view message) { graphics::uiwait(graphics::msgbox(message, message_title)); }

void set_entry_background(Handle control) {
  if (runtime::ispc())
    graphics::set(control, "BackgroundColor", Value(runtime::Array::row({1, 1, 1})));
  else
    graphics::set(control, "BackgroundColor",
                  graphics::get(graphics::root_handle, "defaultUicontrolBackgroundColor"));
}

void play_samples(const Value& samples, std::string_view save_button) {
  constexpr double sample_rate = 22050;
  try {
    runtime::call_by_name("wavplay", 0, {samples, Value(sample_rate)});
  } catch (const RuntimeError& e) {
    if (e.message() != audio::no_output_device_message) throw;
    // A machine without any sound output is no fault of the user's: say so, and what can
    // still be done in this window, instead of the playback routine's report.
    show_message("Não foi encontrado nenhum dispositivo de saída de áudio, por isso o sinal não pode ser "
                 "ouvido. Pode ainda gravá-lo num ficheiro com " +
                 std::string(save_button) + ".");
  }
}

Value samples_row(std::span<const double> samples) {
  return Value(runtime::Array::row(std::vector<double>(samples.begin(), samples.end())));
}

Value samples_row(const synthesis::PitchMarks& marks) { return Value(runtime::Array::row(marks.row())); }

Value samples_row(const synthesis::VoicingCodes& codes) { return Value(runtime::Array::row(codes.row())); }

std::vector<double> samples_of(const Value& v, std::string_view name) {
  if (!v.is_array() || v.is_text())
    throw RuntimeError("The field '" + std::string(name) + "' must hold numbers.");
  return v.array().data();
}

std::string extension_in_lower_case(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

}  // namespace quelvara::windows
