#pragma once
// The transcription tables, compiled in from their text files by the build.
#include <string_view>

namespace quelvara::transcription::tables {

extern const std::string_view donor_codes;     // donor-codes.tsv: what the front end writes
extern const std::string_view builder_phones;  // the database builder's phone -> codes table
extern const std::string_view exceptions;      // exceptions.tsv: words spelt -> transcription

}  // namespace quelvara::transcription::tables
