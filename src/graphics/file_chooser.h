#pragma once
// File choosers: asking the user for a file to open or a name to save under. The view shows
// the toolkit's chooser; without a view, tests queue the answers, and a question that nothing
// answers fails instead of blocking.
#include <optional>
#include <string>
#include <vector>

namespace quelvara::graphics {

struct FileQuestion {
  enum class Kind { open, save };
  Kind kind = Kind::save;
  std::string title;
  std::string suggested;              // a name, or a path, to start from
  std::vector<std::string> filters;   // "Descrição (*.ext *.ext2)", the first chosen at start
};

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen file's path, or nullopt when the user cancels.
  virtual std::optional<std::string> choose(const FileQuestion& question) = 0;
};

// Installs the chooser (nullptr: back to the queued answers). The caller keeps ownership.
void set_file_chooser(FileChooser* chooser);

// Asks the installed chooser, or takes the oldest queued answer (runtime::RuntimeError when
// none is queued).
std::optional<std::string> choose_file(const FileQuestion& question);

// Headless: queue the answer of the next question (nullopt: the user cancels), and read the
// questions asked so far.
void queue_file_answer(std::optional<std::string> answer);
const std::vector<FileQuestion>& file_questions_asked();
void clear_file_answers();

}  // namespace quelvara::graphics
