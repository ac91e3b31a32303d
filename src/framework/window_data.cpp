#include "framework/window_data.h"

#include <array>

#include "runtime/error.h"

namespace quelvara::framework {

namespace {

using runtime::Array;
using runtime::Record;
using runtime::RuntimeError;

constexpr std::array<const char*, 17> keywords = {
    "break",  "case",   "catch",     "continue",   "else",   "elseif", "end",    "for",  "function",
    "global", "if",     "otherwise", "persistent", "return", "switch", "try",    "while"};

constexpr std::size_t max_name_length = 63;

const char* not_in_window = "H must be the handle to a figure or figure descendent.";

Handle window_of(const Value& h) {
  const auto f = get_parent_figure(h);
  if (!f) throw RuntimeError(not_in_window);
  return *f;
}

bool is_letter(double c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(double c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<Handle> get_parent_figure(const Value& h) {
  if (!graphics::is_single_handle(h)) return std::nullopt;
  std::optional<Handle> at = h.number();
  while (at && graphics::type_of(*at) != "figure") at = graphics::parent_of(*at);
  return at;
}

Value guidata(const Value& h) { return graphics::getappdata(window_of(h), handles_record_key); }

void guidata(const Value& h, Value data) {
  graphics::setappdata(window_of(h), handles_record_key, std::move(data));
}

Value create_handles(Handle figure) {
  Record record;
  for (Handle object : graphics::findall(figure)) {
    const Value tag = graphics::get(object, "Tag");
    if (tag.is_empty() || !isvarname(tag)) continue;
    const std::string name = tag.text();
    if (record.has(name)) {
      Array row = record.get(name).array();
      row.set(row.numel() + 1, object);
      record.set(name, row);
    } else {
      record.set(name, Value(object));
    }
  }
  return record.size() == 0 ? Value() : Value(record);
}

Value guihandles(const Value& h) { return create_handles(window_of(h)); }

Value guihandles() { return create_handles(graphics::gcf()); }

bool isvarname(const Value& s) {
  if (!s.is_text() || s.array().rows() != 1) return false;
  const auto& chars = s.array().data();
  if (chars.empty() || chars.size() > max_name_length || !is_letter(chars.front())) return false;
  for (double c : chars)
    if (!is_letter(c) && !is_digit(c) && c != '_') return false;
  return !iskeyword(s);
}

bool iskeyword(const Value& s) {
  if (!s.is_text()) return false;
  for (const char* word : keywords)
    if (s.is_text(word)) return true;
  return false;
}

runtime::Cell reserved_words() {
  runtime::Cell words;
  for (const char* word : keywords) words.items.emplace_back(word);
  return words;
}

}  // namespace quelvara::framework
