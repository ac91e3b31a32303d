// Draws the credits picture fig_tts.jpg and the SAMPA chart sampa.jpg from their tables.
// Usage: render-pictures SAMPA_CHART_TABLE CREDITS_TABLE OUTPUT_FOLDER
#include <QGuiApplication>
#include <cstdio>
#include <filesystem>

#include "pictures.h"

namespace {

constexpr int jpeg_quality = 92;

void save(const QImage& image, const std::filesystem::path& path) {
  if (!image.save(QString::fromStdString(path.string()), "JPEG", jpeg_quality))
    throw quelvara::pictures::TableError("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s SAMPA_CHART_TABLE CREDITS_TABLE OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  // Drawing needs fonts but no screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  namespace pictures = quelvara::pictures;
  try {
    const auto chart = pictures::parse_chart(pictures::read_file(argv[1]));
    const auto credits = pictures::parse_credits(pictures::read_file(argv[2]));
    const std::filesystem::path out = argv[3];
    save(pictures::draw_chart(chart), out / "sampa.jpg");
    save(pictures::draw_credits(credits), out / "fig_tts.jpg");
  } catch (const pictures::TableError& e) {
    std::fprintf(stderr, "render-pictures: %s\n", e.what());
    return 1;
  }
  return 0;
}
