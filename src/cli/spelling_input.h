#pragma once
// quelvara-synth --pt: texts arrive in Portuguese spelling and are transcribed before the road.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace quelvara::cli {

// The transcription of a spelt text; nullopt after telling say why it could not be made. With
// shown, the written forms read as words («1.º» → «primeiro») and the transcription are
// written there, one a line, each led by where.
std::optional<std::string> transcribe_spelling(const std::string& text,
                                               const std::function<void(const std::string&)>& say,
                                               std::ostream* shown = nullptr, const std::string& where = "");

}  // namespace quelvara::cli
