#pragma once
// The command-line parser's errors, said in Portuguese like the program's other messages.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace quelvara::cli {

inline constexpr const char* missing_text_message =
    "falta o TEXTO: a transcrição SAMPA (ou, com --pt, o texto em português), ou «-» para ler um texto por "
    "linha da entrada padrão";

// The message for an error of the parser (an option without its value or given twice, --factor
// with --grafica, a value given to a flag).
std::string parse_error_message(const CLI::ParseError& error);

// The message for arguments the parser did not take (it keeps them with allow_extras): the
// first unknown option, else the surplus arguments; empty when there are none.
std::string leftover_message(const std::vector<std::string>& leftovers);

}  // namespace quelvara::cli
