#include <QFontDatabase>
#include <QGuiApplication>
#include <cstdio>

#include "pictures.h"

namespace quelvara::pictures {

QString picture_font_family() {
  static const QString family = [] {
    const QString preferred = QStringLiteral("DejaVu Sans");
    if (QFontDatabase::families().contains(preferred)) return preferred;
    const QString fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    std::fprintf(stderr,
                 "render-pictures: font \"DejaVu Sans\" not found (install fonts-dejavu-core); "
                 "using \"%s\", IPA letters may be missing\n",
                 fallback.toUtf8().constData());
    return fallback;
  }();
  return family;
}

QFont picture_font(int pixels, bool bold) {
  QFont f(picture_font_family());
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

}  // namespace quelvara::pictures
