#include "imaging/imread.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include "runtime/argument_count.h"
#include "runtime/data_folder.h"
#include "runtime/error.h"

namespace quelvara::imaging {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

Value read_image(const std::string& name, const std::string& format) {
  const std::string file = runtime::data_file(name).string();
  QImageReader reader(QString::fromStdString(file));
  if (!format.empty()) reader.setFormat(QByteArray::fromStdString(format));
  QImage image = reader.read();
  if (image.isNull()) throw RuntimeError("Unable to read the image file \"" + file + "\".");
  const bool grey = image.isGrayscale();
  image = image.convertToFormat(QImage::Format_RGB888);
  const auto rows = static_cast<std::size_t>(image.height());
  const auto cols = static_cast<std::size_t>(image.width());
  Array planes[3] = {Array::zeros(rows, cols), Array::zeros(rows, cols), Array::zeros(rows, cols)};
  for (std::size_t r = 0; r < rows; ++r) {
    const uchar* line = image.constScanLine(static_cast<int>(r));
    for (std::size_t c = 0; c < cols; ++c)
      for (std::size_t k = 0; k < 3; ++k) planes[k].data()[c * rows + r] = line[3 * c + k];
  }
  if (grey) return Value(std::move(planes[0]));
  return Value(runtime::Cell{{Value(std::move(planes[0])), Value(std::move(planes[1])), Value(std::move(planes[2]))}});
}

std::vector<Value> imread_parse_inputs(int, std::vector<Value> args) {
  Value filename, format;
  std::string message;
  if (args.empty()) {
    message = runtime::not_enough_inputs;
  } else if (!args[0].is_text() || args[0].is_empty()) {
    message = "The file name must be a non-empty text.";
  } else {
    filename = args[0];
    if (args.size() > 1) {
      if (args[1].is_text()) format = args[1];
      else message = "The format must be a text.";
    }
  }
  runtime::Cell extra;
  for (std::size_t i = 2; i < args.size(); ++i) extra.items.push_back(args[i]);
  return {filename, format, Value(std::move(extra)), Value(message)};
}

std::vector<Value> imread_delete_download(int, std::vector<Value>) {
  throw RuntimeError("imread/delete_download has no part in this image display: imread reads local files only, so there is no download to delete.");
}

std::vector<Value> imread(int, std::vector<Value> args) {
  runtime::check_argument_count(1, 2, static_cast<int>(args.size()));
  const auto parsed = imread_parse_inputs(4, std::move(args));
  if (!parsed[3].is_empty()) throw RuntimeError(parsed[3].text());
  const std::string format = parsed[1].is_text() ? parsed[1].text() : std::string();
  return {read_image(parsed[0].text(), format), Value(), Value()};
}

}  // namespace quelvara::imaging
