#pragma once
// European Portuguese spelling turned into a transcription the phonetic text reader accepts:
// inventory phones only, "_" at the start, at the end and at each pause the punctuation marks,
// the words of a phrase run together, no blanks, and the final ".", "!" or "?" kept.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "transcription/normalisation.h"

namespace quelvara::transcription {

struct Problem {
  enum class Kind { unreadable, invalid_utf8, control, emoji };
  std::size_t position = 0;  // of its first character, counted from 1
  std::string text;          // the character (or word) as typed
  Kind kind = Kind::unreadable;
};

struct Transcription {
  enum class Status { ok, empty_text, nothing_to_transcribe, untranscribable, invalid_text, unavailable };
  Status status = Status::ok;
  std::string sampa;              // when ok
  std::vector<Problem> problems;  // when untranscribable or invalid_text, in text order
  std::vector<Rewrite> rewrites;  // the written forms read as words ("1.º" -> "primeiro")
};

struct TranscriptionOptions {
  bool exceptions = true;  // false: the front end's reading for every word (for measuring it)
};

Transcription transcribe(std::string_view text, const TranscriptionOptions& options = {});

// What to tell the user when the transcription failed; empty when it did not.
std::string message(const Transcription& transcription);

}  // namespace quelvara::transcription
