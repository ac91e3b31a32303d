#include "tools/quelvara-bd/segmentation.h"

#include <algorithm>

namespace quelvara::tools {
namespace {

// The lateral of a coda has no samples of its own: the donor builds it into the tail of the
// vowel before it (the formants move towards the lateral over about 100 ms), and reports it
// where the vowel has ended.
constexpr std::size_t coda_lateral_tail = 2205;
// The part of a voiceless stop's closure that the unit ending in the stop keeps (20 ms).
constexpr std::size_t closure_share = 441;

std::string joined(const std::vector<std::string>& codes, std::size_t count) {
  std::string text;
  for (std::size_t k = 0; k < count && k < codes.size(); ++k) text += (k ? " " : "") + codes[k];
  return text;
}

std::size_t voiced_samples(const Utterance& u, std::size_t start, std::size_t end) {
  return static_cast<std::size_t>(std::count(u.classes.begin() + static_cast<std::ptrdiff_t>(start),
                                             u.classes.begin() + static_cast<std::ptrdiff_t>(end),
                                             SourceClass::voiced));
}

bool is_hiatus_glide(const std::string& code) { return code == ";"; }

}  // namespace

std::variant<std::vector<PhoneSpan>, std::string> segment(const Carrier& carrier,
                                                         const Utterance& utterance, double period) {
  // The donor may slip a glide between two vowels in hiatus; it belongs to the transition, so
  // it is counted in the span of the phone before it. Anything else it adds, drops or rewrites
  // fails the carrier.
  const auto expected = carrier.phonemes();
  std::vector<std::string> heard;
  for (const auto& event : utterance.phonemes) heard.push_back(event.name);
  std::vector<std::size_t> position(expected.size() + 1, heard.size());  // expected -> heard
  std::size_t h = 0;
  bool same = true;
  for (std::size_t e = 0; e < expected.size() && same; ++e, ++h) {
    while (e > 0 && h < heard.size() && heard[h] != expected[e] && is_hiatus_glide(heard[h])) ++h;
    same = h < heard.size() && heard[h] == expected[e];
    position[e] = h;
  }
  if (same && h < heard.size()) position[expected.size()] = h;
  for (; same && h < heard.size(); ++h) same = !heard[h].empty() && heard[h][0] == '_';  // closing pauses
  if (!same)
    return "o doador leu «" + carrier.codes() + "» como «" + joined(heard, heard.size()) + "»";

  const std::size_t length = utterance.samples.size();
  const auto& tokens = carrier.tokens;
  std::vector<PhoneSpan> spans(tokens.size());
  std::vector<std::size_t> events(tokens.size());  // the donor's own start of each token
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    events[k] = utterance.phonemes[position[carrier.first_event(k)]].sample;
    spans[k].start = events[k];
  }
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    const std::size_t next_event = position[carrier.first_event(k + 1)];
    spans[k].end = k + 1 < tokens.size()     ? spans[k + 1].start
                   : next_event < heard.size() ? utterance.phonemes[next_event].sample
                                               : length;
  }
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    if (spans[k].start > spans[k].end || spans[k].end > length)
      return "fronteiras fora de ordem em «" + carrier.codes() + "»";
  }

  // A voiceless stop is reported at its burst; its closure (exact silence) ends the phone
  // before it in the donor's count.
  for (std::size_t k = 1; k < tokens.size(); ++k) {
    if (tokens[k].kind != PhoneKind::plosive) continue;
    std::size_t start = spans[k].start;
    while (start > spans[k - 1].start + 1 && utterance.classes[start - 1] == SourceClass::silence) --start;
    spans[k].start = start;
    spans[k - 1].end = start;
  }

  std::vector<bool> in_vowel_tail(tokens.size(), false);
  for (std::size_t k = 1; k < tokens.size(); ++k) {
    const bool coda = k + 1 == tokens.size() || tokens[k + 1].kind != PhoneKind::vowel;
    if (tokens[k].kind != PhoneKind::lateral || !coda || tokens[k - 1].kind != PhoneKind::vowel) continue;
    if (voiced_samples(utterance, spans[k].start, spans[k].end) >= 2 * period) continue;
    in_vowel_tail[k] = true;
    const std::size_t vowel_end = spans[k].start;
    const std::size_t tail = std::min(coda_lateral_tail, (vowel_end - spans[k - 1].start) / 2);
    spans[k - 1].end = vowel_end - tail;
    spans[k].start = vowel_end - tail;
    spans[k].end = vowel_end;
  }

  for (std::size_t k = 0; k < tokens.size(); ++k) {
    PhoneSpan& span = spans[k];
    const double width = static_cast<double>(span.end - span.start);
    const PhoneEntry* phone = tokens[k].phone;
    if (phone != nullptr && phone->steady_to > 0) {
      // A lateral in a vowel's tail reaches its own sound only towards the tail's end.
      const double from = in_vowel_tail[k] ? 0.5 : phone->steady_from;
      const double to = in_vowel_tail[k] ? 0.95 : phone->steady_to;
      span.steady_first = span.start + static_cast<std::size_t>(from * width);
      span.steady_last = span.start + static_cast<std::size_t>(to * width);
    }
    double fraction = 0.5;
    if (tokens[k].kind == PhoneKind::plosive && events[k] > span.start) {
      // 20 ms into the closure, or its end: units then meet with silence on both sides for as
      // long as the closure allows, also where a fricative before the stop shortens it.
      span.centre = span.start + std::min(closure_share, events[k] - span.start);
      continue;
    }
    const bool vowel_follows = k + 1 < tokens.size() && tokens[k + 1].kind == PhoneKind::vowel;
    if (tokens[k].phone != nullptr && vowel_follows) fraction = tokens[k].phone->centre;
    span.centre = span.start + static_cast<std::size_t>(fraction * width);
    if (span.centre >= span.end && span.end > span.start) span.centre = span.end - 1;
  }
  return spans;
}

}  // namespace quelvara::tools
