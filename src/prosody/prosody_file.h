#pragma once
// What the readers and writers of prosody files share: the limits on an untrusted file, the
// problem they report (with its line), and the reading and writing of numbers.
#include <cstddef>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quelvara::prosody {

inline constexpr std::size_t largest_prosody_file = 4 << 20;  // bytes
inline constexpr double longest_phone_ms = 10000;
inline constexpr double longest_prosody_ms = 15 * 60 * 1000;  // the whole text
inline constexpr std::size_t most_phones = 10000;
inline constexpr double lowest_hz = 40;
inline constexpr double highest_hz = 600;

// Why a file cannot be read, at which line (counted from 1).
struct FileProblem {
  std::size_t line = 1;
  std::string message;  // in Portuguese, without the file's name
};

template <typename T>
using Read = std::variant<T, FileProblem>;

// All of in, up to largest_prosody_file bytes; a larger input is a problem at the line where
// it passes the limit.
Read<std::string> read_prosody_text(std::istream& in);

// The text of the file at path, as read_prosody_text reads it; nullopt when it cannot be opened
// (or is a folder).
std::optional<Read<std::string>> read_prosody_file(const std::filesystem::path& path);

// "FILE: linha N: why", as the program names a problem of a file to the user.
std::string problem_text(const std::string& file, const FileProblem& problem);

// A problem when text holds characters that no text file does (NUL and the other control
// characters but tab, line feed, carriage return and form feed), at the line of the first.
std::optional<FileProblem> binary_content(std::string_view text);

// A finite decimal number written in full, as C writes it ("12", "-0.5", "1e-3").
std::optional<double> number(std::string_view word);

// A word of a file as a message quotes it: «word».
std::string quoted(std::string_view word);

// The shortest decimal text that reads back as the same double.
std::string shortest_text(double x);

// Takes the first line off text and gives it, without its line break.
std::string_view take_line(std::string_view& text);

// The words of a line, between blanks (spaces, tabs, carriage returns, form feeds).
std::vector<std::string_view> words_of(std::string_view line);

}  // namespace quelvara::prosody
