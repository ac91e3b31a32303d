#include "windows/qt/analysis_picture.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>

#include "windows/module_support.h"
#include "windows/qt/analysis_canvas.h"

namespace quelvara::windows {

std::string save_analysis_picture(const AnalysisCanvas& canvas, const std::filesystem::path& path) {
  const QSize size = canvas.plot_size();
  const QString name = QString::fromStdString(path.string());
  // Written beside and renamed when complete, so that a failure leaves no half file.
  const QString partial = name + ".part";
  bool written = false;
  if (extension_in_lower_case(path) == ".svg") {
    QSvgGenerator svg;
    svg.setFileName(partial);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QStringLiteral("Análise"));
    QPainter painter;
    if (painter.begin(&svg)) {
      canvas.paint(painter, size);
      written = painter.end();
    }
  } else {
    QImage image(size * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    QPainter painter(&image);
    canvas.paint(painter, size);
    painter.end();
    written = image.save(partial, "PNG");
  }
  if (written) {
    QFile::remove(name);
    written = QFile::rename(partial, name);
  }
  if (!written) {
    QFile::remove(partial);
    return "não foi possível escrever " + path.string();
  }
  return {};
}

}  // namespace quelvara::windows
