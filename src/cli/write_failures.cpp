#include "cli/write_failures.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

#include "wave/replacing_output.h"

namespace quelvara::cli {

namespace {

// The reasons a write of a file can fail for.
constexpr std::pair<int, std::string_view> reasons[] = {
    {EACCES, "permissão negada"},
    {EPERM, "operação não permitida"},
    {ENOENT, "a pasta não existe"},
    {ENOTDIR, "uma parte do caminho não é uma pasta"},
    {EISDIR, "é uma pasta"},
    {ENAMETOOLONG, "o nome é demasiado longo"},
    {ELOOP, "ligações simbólicas em ciclo"},
    {EROFS, "o sistema de ficheiros só permite leitura"},
    {ENOSPC, "não há espaço no disco"},
    {EDQUOT, "a quota do disco esgotou-se"},
    {EFBIG, "o ficheiro excede o tamanho permitido"},
    {EIO, "erro de entrada/saída"},
    {EPIPE, "quem lia a saída fechou-a"},
    {EBADF, "o ficheiro não está aberto"},
    {EMFILE, "demasiados ficheiros abertos"},
    {ENFILE, "demasiados ficheiros abertos"},
    {ETXTBSY, "o ficheiro está ocupado"},
    {EEXIST, "o ficheiro já existe"},
};

std::string reason_text(int code) {
  for (const auto& [known, text] : reasons)
    if (known == code) return std::string(text);
  return "erro " + std::to_string(code) + " do sistema (" + std::generic_category().message(code) + ")";
}

// The operating system's reason, in Portuguese. A file that exists is written beside it and
// then put in its place: a folder that allows no new file keeps the old one whole.
std::string reason_in_portuguese(std::error_code reason) {
  if (reason.category() == wave::replacement_category())
    return "a pasta não permite o ficheiro novo que substituiria o existente com segurança (" +
           reason_text(reason.value()) + ")";
  return reason_text(reason.value());
}

}  // namespace

std::string write_failure(const std::string& doing, std::error_code reason) {
  std::string message = "não foi possível " + doing;
  if (reason) message += ": " + reason_in_portuguese(reason);
  return message;
}

std::string clipping_warning(const std::string& name) {
  return "aviso: amostras cortadas ao gravar «" + name + "» (o sinal passa de -1 a +1)";
}

std::string folder_problem(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
  std::error_code ec;
  const auto status = std::filesystem::status(folder, ec);
  const std::string named = "a pasta «" + folder.string() + "» ";
  if (!std::filesystem::exists(status)) return named + "não existe";
  if (!std::filesystem::is_directory(status)) return named + "não é uma pasta";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return named + "não permite criar ficheiros";
  return {};
}

}  // namespace quelvara::cli
