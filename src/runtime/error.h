#pragma once
// The error value of the numeric runtime: what an error that ends a callback carries.
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace quelvara::runtime {

inline constexpr const char* out_of_memory_message = "A memory allocation request failed.";

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

// The one translation of an exception into an error of the numeric runtime, wherever an error
// reaches it (a by-name entry, the shell, a callback): a RuntimeError stays as it is, exhausted
// memory gives out_of_memory_message, any other exception its own text.
RuntimeError as_runtime_error(const std::exception& error);
// The same for the exception being handled, inside a catch block; one that is no
// std::exception gives "Unknown error.".
RuntimeError current_runtime_error();

}  // namespace quelvara::runtime
