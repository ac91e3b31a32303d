#include "cli/database_folder.h"

#include "runtime/data_folder.h"

namespace fs = std::filesystem;

namespace quelvara::cli {

namespace {

const fs::path database = "bd";

std::string database_in(const fs::path& folder) { return "«" + (folder / database).string() + "»"; }

}  // namespace

fs::path default_database_folder() { return runtime::data_folder_for(database); }

std::string default_database_sentence() {
  const fs::path folder = default_database_folder();
  const fs::path& installed = runtime::installed_data_folder();
  std::string sentence = "Sem --bd, a base de dados lida agora é " + database_in(folder);
  if (runtime::data_override()) return sentence + ", de " + runtime::data_variable + ".";
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
  std::string message = "não encontrei a base de dados de difones em " + database_in(folder);
  const fs::path& installed = runtime::installed_data_folder();
  if (!chosen && !runtime::data_override() && !installed.empty()) message += " nem em " + database_in(installed);
  return message + "; indique a pasta que contém bd/ com --bd PASTA ou com a variável " + runtime::data_variable;
}

}  // namespace quelvara::cli
