#include "prosody/pho_file.h"

#include <vector>

#include "synthesis/phones.h"

namespace quelvara::prosody {
Read<ProsodyTarget> read_pho(std::string_view text, std::vector<std::size_t>* phone_lines) {
  if (phone_lines) phone_lines->clear();
  if (auto problem = binary_content(text)) return *problem;
  ProsodyTarget target;
  double total_ms = 0;
  std::size_t line_number = 0;
  while (!text.empty()) {
    ++line_number;
    std::string_view line = take_line(text);
    line = line.substr(0, std::min(line.find(';'), line.size()));
    const auto words = words_of(line);
    if (words.empty()) continue;
    const auto problem = [&](std::string message) { return FileProblem{line_number, std::move(message)}; };

    if (!synthesis::phone_number(words[0])) return problem(quoted(words[0]) + " não é um fone do inventário");
    PhoneTarget phone{std::string(words[0]), 0, Stress::none, {}};
    if (words.size() < 2) return problem("falta a duração de " + quoted(words[0]) + " (em ms)");
    const auto length = number(words[1]);
    if (!length || *length <= 0 || *length > longest_phone_ms)
      return problem("duração inválida " + quoted(words[1]) + ": tem de ser um número positivo de ms, até " +
                     shortest_text(longest_phone_ms));
    phone.length_ms = *length;
    if ((words.size() - 2) % 2 != 0)
      return problem("número ímpar de valores de altura: cada alvo é um par posição (%) e frequência (Hz)");
    for (std::size_t k = 2; k + 1 < words.size(); k += 2) {
      const auto position = number(words[k]);
      if (!position || *position < 0 || *position > 100)
        return problem("posição " + quoted(words[k]) + " fora de 0 a 100 %");
      const auto hz = number(words[k + 1]);
      if (!hz || *hz < lowest_hz || *hz > highest_hz)
        return problem("frequência " + quoted(words[k + 1]) + " fora de " + shortest_text(lowest_hz) + " a " +
                       shortest_text(highest_hz) + " Hz");
      phone.pitch.push_back({*position, *hz});
    }
    total_ms += phone.length_ms;
    if (total_ms > longest_prosody_ms) return problem("o texto passa de 15 minutos");
    if (target.phones.size() == most_phones)
      return problem("o ficheiro passa de " + std::to_string(most_phones) + " fones");
    target.phones.push_back(std::move(phone));
    if (phone_lines) phone_lines->push_back(line_number);
  }
  if (target.phones.empty()) return FileProblem{std::max<std::size_t>(line_number, 1), "o ficheiro não tem fones"};
  return target;
}

std::string pho_text(const ProsodyTarget& target, std::string_view heading) {
  std::string text = "; ";
  for (char c : heading) text += c == '\n' || c == '\r' ? ' ' : c;
  text += '\n';
  for (const PhoneTarget& phone : target.phones) {
    text += phone.phone + ' ' + shortest_text(phone.length_ms);
    for (const PitchTarget& point : phone.pitch) text += ' ' + shortest_text(point.position) + ' ' + shortest_text(point.hz);
    text += '\n';
  }
  return text;
}

}  // namespace quelvara::prosody
