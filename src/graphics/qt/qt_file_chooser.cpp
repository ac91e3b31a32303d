#include "graphics/qt/qt_file_chooser.h"

#include <QApplication>
#include <QFileDialog>
#include <QRegularExpression>

namespace quelvara::graphics {

namespace {

// The extension of a filter's first pattern ("Texto (*.pho)" -> "pho"), or "".
QString first_extension(const QString& filter) {
  const auto match = QRegularExpression(R"(\*\.([A-Za-z0-9]+))").match(filter);
  return match.hasMatch() ? match.captured(1) : QString();
}

class QtFileChooser final : public FileChooser {
 public:
  std::optional<std::string> choose(const FileQuestion& question) override {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(question.title));
    dialog.setWindowModality(Qt::ApplicationModal);
    const bool save = question.kind == FileQuestion::Kind::save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QStringList filters;
    for (const auto& f : question.filters) filters << QString::fromStdString(f);
    if (!filters.isEmpty()) {
      dialog.setNameFilters(filters);
      // A name typed without an extension gets the one of the chosen kind of file.
      if (save) {
        dialog.setDefaultSuffix(first_extension(filters.front()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& f) { dialog.setDefaultSuffix(first_extension(f)); });
      }
    }
    if (!question.suggested.empty()) dialog.selectFile(QString::fromStdString(question.suggested));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
  }
};

}  // namespace

FileChooser& qt_file_chooser() {
  static QtFileChooser chooser;
  return chooser;
}

}  // namespace quelvara::graphics
