#include "tools/quelvara-bd/phone_table.h"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "synthesis/phones.h"

namespace quelvara::tools {
namespace {

const std::map<std::string, PhoneKind>& kinds() {
  static const std::map<std::string, PhoneKind> table = {
      {"pause", PhoneKind::pause},       {"plosive", PhoneKind::plosive},
      {"voiced-plosive", PhoneKind::voiced_plosive},
      {"fricative", PhoneKind::fricative}, {"nasal", PhoneKind::nasal},
      {"lateral", PhoneKind::lateral},   {"tap", PhoneKind::tap},
      {"uvular", PhoneKind::uvular},     {"vowel", PhoneKind::vowel}};
  return table;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

PhoneEntry parse_row(const std::string& line) {
  const auto fields = split(line, '\t');
  if (fields.size() < 5) throw std::runtime_error("expected at least 5 tab-separated fields");
  PhoneEntry entry;
  std::size_t used = 0;
  entry.number = std::stoi(fields[0], &used);
  if (used != fields[0].size()) throw std::runtime_error("bad number '" + fields[0] + "'");
  entry.sampa = fields[1];
  for (const auto& code : split(fields[2], ' '))
    if (!code.empty()) entry.codes.push_back(code);
  if (entry.codes.empty() || entry.codes.size() > 2)
    throw std::runtime_error("a phone needs one or two donor codes");
  entry.reduced = fields[3] == "reduced-vowel";
  const auto kind = kinds().find(entry.reduced ? "vowel" : fields[3]);
  if (kind == kinds().end()) throw std::runtime_error("unknown kind '" + fields[3] + "'");
  entry.kind = kind->second;
  const auto fraction = [](const std::string& text) {
    std::size_t used = 0;
    const double value = std::stod(text, &used);
    if (used != text.size() || !(value > 0 && value < 1))
      throw std::runtime_error("centre must be a fraction between 0 and 1, or a range of two");
    return value;
  };
  if (const auto dash = fields[4].find('-'); dash != std::string::npos) {
    entry.steady_from = fraction(fields[4].substr(0, dash));
    entry.steady_to = fraction(fields[4].substr(dash + 1));
    if (entry.steady_from >= entry.steady_to) throw std::runtime_error("empty range '" + fields[4] + "'");
    entry.centre = (entry.steady_from + entry.steady_to) / 2;
  } else {
    entry.centre = fraction(fields[4]);
  }
  return entry;
}

}  // namespace

PhoneTable read_phone_table(std::istream& in) {
  PhoneTable table(synthesis::fonemas.size());
  std::vector<bool> seen(table.size(), false);
  std::string line;
  for (int line_number = 1; std::getline(in, line); ++line_number) {
    if (line.empty() || line[0] == '#') continue;
    const std::string where = "phone table line " + std::to_string(line_number) + ": ";
    PhoneEntry entry;
    try {
      entry = parse_row(line);
    } catch (const std::logic_error&) {  // stoi / stod
      throw std::runtime_error(where + "bad number");
    } catch (const std::runtime_error& e) {
      throw std::runtime_error(where + e.what());
    }
    if (entry.number < 1 || entry.number > static_cast<int>(table.size()))
      throw std::runtime_error(where + "number out of range");
    const auto index = static_cast<std::size_t>(entry.number - 1);
    if (synthesis::fonemas[index] != entry.sampa)
      throw std::runtime_error(where + "phone " + std::to_string(entry.number) + " is '" +
                               std::string(synthesis::fonemas[index]) + "', not '" + entry.sampa + "'");
    if (seen[index]) throw std::runtime_error(where + "phone listed twice");
    if ((entry.kind == PhoneKind::pause) != (entry.number == 1))
      throw std::runtime_error(where + "only '_' is a pause");
    seen[index] = true;
    table[index] = std::move(entry);
  }
  for (std::size_t k = 0; k < seen.size(); ++k)
    if (!seen[k]) throw std::runtime_error("phone table lacks '" + std::string(synthesis::fonemas[k]) + "'");
  return table;
}

PhoneTable read_phone_table(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot open phone table " + file.string());
  return read_phone_table(in);
}

}  // namespace quelvara::tools
