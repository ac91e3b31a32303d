#pragma once
// What the window modules share: reading their parameters and handles fields, the system's
// message box, the background colour of edit boxes, rows of samples as values, and the kind of
// file a chosen name ends in.
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/object_tree.h"
#include "runtime/value.h"
#include "synthesis/concatenation.h"

namespace quelvara::windows {

using graphics::Handle;
using runtime::Value;
using Args = std::vector<Value>;
using Results = std::vector<Value>;

inline constexpr const char* message_title = "Quelvara";

// Parameter i of a module function; a parameter the caller did not set fails as the runtime
// reports it ("Not enough input arguments.").
const Value& parameter(const Args& args, std::size_t i);

// A field of a handles record; a missing one fails with the runtime's
// "Reference to non-existent field '<name>'.".
const Value& field(const Value& handles, std::string_view name);
// A field that holds one object's handle.
Handle handle_field(const Value& handles, std::string_view name);
// A parameter that holds one object's handle.
Handle handle_parameter(const Args& args, std::size_t i);

// The message box titled "Quelvara", waited on until the user has closed it.
void show_message(std::string_view message);

// Edit boxes and pop-up lists: white on a PC desktop, else the root's default control colour.
void set_entry_background(Handle control);

// Plays samples at 22050 per second as the play button does; a machine without sound output
// gets a message saying so, and that the button named save_button can still save the signal,
// instead of the playback routine's report.
void play_samples(const Value& samples, std::string_view save_button);

Value samples_row(std::span<const double> samples);
// The joined pitch marks and voicing codes as the whole rows the handles record keeps.
Value samples_row(const synthesis::PitchMarks& marks);
Value samples_row(const synthesis::VoicingCodes& codes);
// The numbers of an array value, in storage order (a row's, left to right).
std::vector<double> samples_of(const Value& v, std::string_view name);

// A file's extension in lower case (".svg" for "Imagem.SVG"), by which a chosen name says what
// to write.
std::string extension_in_lower_case(const std::filesystem::path& file);

}  // namespace quelvara::windows
