#include "cli/write_failures.h"

#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "wave/replacing_output.h"

namespace quelvara::cli {

namespace {

// The reasons a write of a file can fail for.
std::string_view generic_reason(int code) {
  switch (code) {
    case EACCES: return "permissão negada";
    case EPERM: return "operação não permitida";
    case ENOENT: return "a pasta não existe";
    case ENOTDIR: return "uma parte do caminho não é uma pasta";
    case EISDIR: return "é uma pasta";
    case ENAMETOOLONG: return "o nome é demasiado longo";
    case ELOOP: return "ligações simbólicas em ciclo";
    case EROFS: return "o sistema de ficheiros só permite leitura";
    case ENOSPC: return "não há espaço no disco";
    case EDQUOT: return "a quota do disco esgotou-se";
    case EFBIG: return "o ficheiro excede o tamanho permitido";
    case EIO: return "erro de entrada/saída";
    case EPIPE: return "quem lia a saída fechou-a";
    case EBADF: return "o ficheiro não está aberto";
    case EMFILE:
    case ENFILE: return "demasiados ficheiros abertos";
    case ETXTBSY: return "o ficheiro está ocupado";
    case EEXIST: return "o ficheiro já existe";
    default: return {};
  }
}

}  // namespace

std::string reason_in_portuguese(std::error_code reason) {
  // A file that exists is written beside it and then put in its place; a folder that allows no
  // new file keeps the old one whole.
  const bool replacement = reason.category() == wave::replacement_category();
  std::string text(generic_reason(reason.value()));
  if (text.empty()) text = "erro " + std::to_string(reason.value()) + " do sistema (" + std::generic_category().message(reason.value()) + ")";
  if (replacement) return "a pasta não permite o ficheiro novo que substituiria o existente com segurança (" + text + ")";
  return text;
}

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
