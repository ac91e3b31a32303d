// quelvara-bd: builds the default diphone database from the donor voice.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>
#include <stdexcept>
#include <string>

#include "runtime/data_folder.h"
#include "tools/quelvara-bd/database_builder.h"

namespace {

// A file the builder reads by default: installed beside the data, else in its source folder
// (run from the build tree).
std::filesystem::path default_file(const char* name) {
  const auto installed = quelvara::runtime::beside_executable(QUELVARA_BD_INSTALLED_DATA);
  std::error_code ec;
  if (!installed.empty() && std::filesystem::exists(installed / name, ec)) return installed / name;
  return std::filesystem::path(QUELVARA_BD_DATA_DIR) / name;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quelvara::tools;
  BuildOptions options;
  options.out = ".";
  options.phone_table = default_file("sampa-espeak.tsv");
  options.voice = default_file("ptmono");
  std::string only;

  CLI::App app{"Constrói a base de dados de difones (bd/ e bd/oclus/) a partir da voz doadora."};
  app.add_option("-o,--out", options.out, "pasta que recebe bd/ e " + std::string(index_name))
      ->capture_default_str();
  app.add_option("--only", only, "reconstrói só estes pares, por exemplo p-a,a-_");
  app.add_option("--mapping", options.phone_table, "tabela SAMPA -> fonemas da voz doadora")
      ->capture_default_str();
  app.add_option("--voice", options.voice, "ficheiro de voz de tom constante")->capture_default_str();
  app.add_option("-j,--jobs", options.jobs, "processos de construção")->capture_default_str()->check(CLI::Range(1, 64));
  CLI11_PARSE(app, argc, argv);

  if (!only.empty()) {
    try {
      options.only = parse_pairs(only);
    } catch (const std::invalid_argument& e) {
      std::cerr << "quelvara-bd: " << e.what() << '\n';
      return 2;
    }
  }
  options.progress = ::isatty(STDERR_FILENO) == 1;
  return build_database(options, std::cerr);
}
