#include "cli/spelling_input.h"

#include "transcription/transcriber.h"

namespace quelvara::cli {

std::optional<std::string> transcribe_spelling(const std::string& text,
                                               const std::function<void(const std::string&)>& say,
                                               std::ostream* shown, const std::string& where) {
  const transcription::Transcription result = transcription::transcribe(text);
  if (result.status != transcription::Transcription::Status::ok) {
    say(transcription::message(result));
    return std::nullopt;
  }
  if (shown) {
    for (const auto& rewrite : result.rewrites)
      *shown << where << "lido como «" << rewrite.written << "» → «" << rewrite.said << "»\n";
    *shown << where << "transcrição «" << result.sampa << "»\n";
  }
  return result.sampa;
}

}  // namespace quelvara::cli
