#include "graphics/file_chooser.h"

#include <deque>

#include "runtime/error.h"

namespace quelvara::graphics {

namespace {

FileChooser* installed = nullptr;
std::deque<std::optional<std::string>> answers;
std::vector<FileQuestion> asked;

}  // namespace

void set_file_chooser(FileChooser* chooser) { installed = chooser; }

std::optional<std::string> choose_file(const FileQuestion& question) {
  if (installed) return installed->choose(question);
  asked.push_back(question);
  if (answers.empty()) throw runtime::RuntimeError("No answer is queued for the file chooser \"" + question.title + "\".");
  auto answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

void queue_file_answer(std::optional<std::string> answer) { answers.push_back(std::move(answer)); }

const std::vector<FileQuestion>& file_questions_asked() { return asked; }

void clear_file_answers() {
  answers.clear();
  asked.clear();
}

}  // namespace quelvara::graphics
