#pragma once
// The error value of the numeric runtime: what an error that ends a callback carries.
#include <optional>
#include <stdexcept>
#include <string>

namespace quelvara::runtime {

class RuntimeError : public std::runtime_error {
 public:
  explicit RuntimeError(std::string message, std::optional<std::string> file = std::nullopt,
                        int line = 0, std::optional<std::string> kind = std::string("RuntimeError"),
                        std::optional<std::string> detail = std::nullopt)
      : std::runtime_error(message), message_(std::move(message)), file_(std::move(file)),
        line_(line), kind_(std::move(kind)), detail_(std::move(detail)) {}

  const std::string& message() const { return message_; }
  const std::optional<std::string>& file() const { return file_; }
  int line() const { return line_; }
  const std::optional<std::string>& kind() const { return kind_; }
  const std::optional<std::string>& detail() const { return detail_; }

 private:
  std::string message_;
  std::optional<std::string> file_;
  int line_;
  std::optional<std::string> kind_;
  std::optional<std::string> detail_;
};

}  // namespace quelvara::runtime
