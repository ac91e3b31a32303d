#include "cli/parse_errors.h"

#include <algorithm>
#include <string_view>

namespace quelvara::cli {

namespace {

std::string in_guillemets(std::string_view text) { return "«" + std::string(text) + "»"; }

// The parser's messages begin with the option's names ("-o: 1 required TEXT missing").
std::string option_of(std::string_view message, std::string_view separator) {
  return std::string(message.substr(0, message.find(separator)));
}

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

std::string parse_error_message(const CLI::ParseError& error) {
  const std::string_view message = error.what();
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
    const std::string option = option_of(message, ":");
    if (contains(message, "missing")) return "falta o valor de " + option;
    if (contains(message, "At Most")) return option + " foi dada mais de uma vez: dê-a uma só vez";
    return "valores a mais ou a menos para " + option;
  }
  if (constexpr std::string_view excludes = " excludes ";
      dynamic_cast<const CLI::ExcludesError*>(&error) && contains(message, excludes))
    return option_of(message, excludes) + " e " +
           std::string(message.substr(message.find(excludes) + excludes.size())) +
           " excluem-se: escolha uma só entoação";
  if (dynamic_cast<const CLI::ConversionError*>(&error)) {
    // "Could not convert: --grafica = x": only the flags take no text.
    const std::size_t from = message.find(": "), to = message.find(" = ");
    if (from != std::string_view::npos && to != std::string_view::npos && from + 2 <= to)
      return std::string(message.substr(from + 2, to - from - 2)) + " não leva valor (foi dado " +
             in_guillemets(message.substr(to + 3)) + ")";
  }
  return "argumentos inválidos";
}

std::string leftover_message(const std::vector<std::string>& leftovers) {
  const auto unknown = std::find_if(leftovers.begin(), leftovers.end(), [](const std::string& argument) {
    return argument.size() > 1 && argument.front() == '-';
  });
  if (unknown != leftovers.end()) return "opção desconhecida: " + in_guillemets(*unknown);
  if (leftovers.empty()) return {};
  std::string list;
  for (const auto& argument : leftovers) list += (list.empty() ? "" : " ") + in_guillemets(argument);
  return (leftovers.size() == 1 ? "argumento a mais: " : "argumentos a mais: ") + list +
         " (um TEXTO com espaços vai entre aspas)";
}

}  // namespace quelvara::cli
