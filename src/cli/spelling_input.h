#pragma once
// quelvara-synth --pt: texts arrive in Portuguese spelling and are transcribed before the road.
#include <functional>
#include <optional>
#include <string>

namespace quelvara::cli {

// The transcription of a spelt text; nullopt after telling say why it could not be made.
std::optional<std::string> transcribe_spelling(const std::string& text,
                                               const std::function<void(const std::string&)>& say);

}  // namespace quelvara::cli
