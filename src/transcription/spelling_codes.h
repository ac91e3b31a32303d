#pragma once
// The donor codes of one word mended where its spelling tells what the codes cannot: a coda l
// the front end writes as a glide, and the two sibilants of sc.
#include <string>
#include <string_view>
#include <vector>

namespace quelvara::transcription {

// codes: the front end's codes for the word spelling (lower case) read alone.
void mend_by_spelling(std::string_view spelling, std::vector<std::string>& codes);

}  // namespace quelvara::transcription
