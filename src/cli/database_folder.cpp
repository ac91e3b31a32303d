#include "cli/database_folder.h"

#include <cstdlib>

#include "runtime/data_folder.h"

namespace fs = std::filesystem;

namespace quelvara::cli {

namespace {

const fs::path database = "bd";

std::string in_guillemets(const fs::path& folder) { return "«" + (folder / database).string() + "»"; }

bool from_variable() {
  const char* folder = std::getenv(runtime::data_variable);
  return folder && *folder;
}

}  // namespace

fs::path default_database_folder() { return runtime::data_folder_for(database); }

std::string default_database_sentence() {
  const fs::path folder = default_database_folder();
  const fs::path& installed = runtime::installed_data_folder();
  std::string sentence = "Sem --bd, a base de dados lida agora é " + in_guillemets(folder);
  if (from_variable()) return sentence + ", de " + runtime::data_variable + ".";
  if (folder != ".") return sentence + ", a instalada.";
  if (fs::is_directory(folder / database)) return sentence + ", na pasta de trabalho.";
  return "Sem --bd, não há base de dados: nem a pasta de trabalho nem " +
         (installed.empty() ? std::string("a pasta instalada") : "«" + installed.string() + "»") + " têm bd/.";
}

std::string database_problem(const fs::path& folder, bool chosen) {
  if (!chosen) {
    if (std::string problem = runtime::data_folder_problem(); !problem.empty()) return problem;
  }
  if (fs::is_directory(folder / database)) return {};
  std::string message = "não encontrei a base de dados de difones em " + in_guillemets(folder);
  const fs::path& installed = runtime::installed_data_folder();
  if (!chosen && !from_variable() && !installed.empty()) message += " nem em " + in_guillemets(installed);
  return message + "; indique a pasta que contém bd/ com --bd PASTA ou com a variável " +
         runtime::data_variable;
}

}  // namespace quelvara::cli
