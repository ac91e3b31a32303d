#include "synthesis/unit_index.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace quelvara::synthesis {
namespace {

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  while (true) {
    const auto tab = line.find('\t');
    fields.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return fields;
    line.remove_prefix(tab + 1);
  }
}

template <typename T>
bool whole(std::string_view text, T& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<UnitIndex> UnitIndex::parse(std::string_view text) {
  UnitIndex index;
  index.boundaries_.fill(none);
  std::optional<std::size_t> column;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto fields = fields_of(line);
    if (!line.empty() && line.front() == '#') {
      for (std::size_t c = 0; c < fields.size(); ++c)
        if (fields[c] == "fronteira") column = c;
      continue;
    }
    if (!column || fields.size() <= *column) continue;
    const auto dash = fields[0].find('-');
    int fonum1 = 0, fonum2 = 0;
    std::uint32_t boundary = 0;
    if (dash == std::string_view::npos || !whole(fields[0].substr(0, dash), fonum1) ||
        !whole(fields[0].substr(dash + 1), fonum2) || !whole(fields[*column], boundary))
      continue;
    if (fonum1 < 1 || fonum1 > 46 || fonum2 < 1 || fonum2 > 46 || boundary == none) continue;
    index.boundaries_[static_cast<std::size_t>((fonum1 - 1) * 46 + fonum2 - 1)] = boundary;
  }
  if (!column) return std::nullopt;
  return index;
}

std::optional<UnitIndex> UnitIndex::read(const std::filesystem::path& database_root) {
  std::ifstream in(database_root / unit_index_name, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return parse(text.str());
}

std::optional<std::size_t> UnitIndex::boundary(int fonum1, int fonum2) const {
  if (fonum1 < 1 || fonum1 > 46 || fonum2 < 1 || fonum2 > 46) return std::nullopt;
  const std::uint32_t b = boundaries_[static_cast<std::size_t>((fonum1 - 1) * 46 + fonum2 - 1)];
  if (b == none) return std::nullopt;
  return b;
}

std::vector<std::size_t> unit_boundaries(const Reading& reading, std::span<const std::size_t> limdf,
                                         const UnitIndex* index) {
  std::vector<std::size_t> boundaries;
  boundaries.reserve(limdf.size());
  for (std::size_t u = 0; u < limdf.size(); ++u) {
    std::optional<std::size_t> b;
    if (index && u < reading.diphones.size() && reading.diphones[u].fonum1 && reading.diphones[u].fonum2)
      b = index->boundary(*reading.diphones[u].fonum1, *reading.diphones[u].fonum2);
    boundaries.push_back(b && *b <= limdf[u] ? *b : limdf[u] / 2);
  }
  return boundaries;
}

std::vector<std::size_t> phone_starts(std::span<const std::size_t> limdf, std::span<const std::size_t> boundaries) {
  std::vector<std::size_t> starts{0};
  std::size_t unit_start = 0;
  for (std::size_t u = 0; u < limdf.size() && u < boundaries.size(); ++u) {
    starts.push_back(unit_start + boundaries[u]);
    unit_start += limdf[u];
  }
  return starts;
}

}  // namespace quelvara::synthesis
