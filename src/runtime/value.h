#pragma once
// The dynamic values that the window code passes around: arrays of doubles or characters,
// cell rows, records with ordered fields and function references. All have value semantics.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quelvara::runtime {

class Value;

// A dense 2-D array of doubles or of characters (code points), stored column by column.
// Positions are 1-based; assigning past the end of a row or column grows it with zeros.
class Array {
 public:
  Array() = default;  // the empty array (0 x 0 doubles)
  static Array empty() { return {}; }
  static Array scalar(double x);
  static Array row(std::vector<double> values);
  static Array column(std::vector<double> values);
  static Array zeros(std::size_t rows, std::size_t cols);
  static Array text(std::string_view utf8);  // a character row
  static Array matrix(std::size_t rows, std::size_t cols, std::vector<double> column_major);

  std::size_t rows() const { return rows_; }
  std::size_t cols() const { return cols_; }
  std::size_t numel() const { return data_.size(); }
  bool is_empty() const { return data_.empty(); }
  bool is_char() const { return is_char_; }
  bool is_scalar() const { return data_.size() == 1; }
  bool is_vector() const { return rows_ == 1 || cols_ == 1; }

  // 1-based linear and (row, column) access; out of range throws std::out_of_range.
  double operator()(std::size_t k) const;
  double operator()(std::size_t r, std::size_t c) const;
  // 1-based linear assignment; past the end grows a row (or an empty array) into a longer row
  // and a column into a longer column, new places holding 0.
  void set(std::size_t k, double x);

  const std::vector<double>& data() const { return data_; }
  std::vector<double>& data() { return data_; }
  // The characters as UTF-8 (for a char array; a numeric array gives its values as code points).
  std::string to_text() const;
  Array transposed() const;

  friend bool operator==(const Array&, const Array&) = default;

 private:
  std::size_t rows_ = 0;
  std::size_t cols_ = 0;
  bool is_char_ = false;
  std::vector<double> data_;
};

// A row of values of any kind.
struct Cell {
  std::vector<Value> items;
};

// A record whose fields keep the order in which they were created.
class Record {
 public:
  bool has(std::string_view name) const;
  const Value& get(std::string_view name) const;  // throws std::out_of_range when absent
  void set(std::string_view name, Value value);    // replaces, or appends a new field
  bool remove(std::string_view name);
  const std::vector<std::string>& names() const { return names_; }
  std::size_t size() const { return names_.size(); }
  const std::vector<Value>& values() const { return values_; }

 private:
  std::vector<std::string> names_;
  std::vector<Value> values_;
};

// A function reachable by reference: called with the number of results asked for and the
// arguments, it gives its results.
using Function = std::function<std::vector<Value>(int nargout, std::vector<Value> args)>;
struct FunctionRef {
  std::string name;
  std::shared_ptr<const Function> call;
};

class Value {
 public:
  Value() = default;  // the empty array
  Value(Array a) : v_(std::move(a)) {}
  Value(Cell c) : v_(std::move(c)) {}
  Value(Record r) : v_(std::move(r)) {}
  Value(FunctionRef f) : v_(std::move(f)) {}
  Value(double x) : v_(Array::scalar(x)) {}
  Value(int x) : v_(Array::scalar(x)) {}
  Value(const char* utf8) : v_(Array::text(utf8)) {}
  Value(std::string_view utf8) : v_(Array::text(utf8)) {}
  Value(const std::string& utf8) : v_(Array::text(utf8)) {}

  bool is_array() const { return std::holds_alternative<Array>(v_); }
  bool is_cell() const { return std::holds_alternative<Cell>(v_); }
  bool is_record() const { return std::holds_alternative<Record>(v_); }
  bool is_function() const { return std::holds_alternative<FunctionRef>(v_); }
  bool is_empty() const { return is_array() && array().is_empty(); }
  bool is_text() const { return is_array() && array().is_char(); }
  // A character array holding exactly the given text.
  bool is_text(std::string_view utf8) const;
  // A single number (not a character).
  bool is_number() const { return is_array() && !array().is_char() && array().is_scalar(); }

  const Array& array() const { return std::get<Array>(v_); }
  Array& array() { return std::get<Array>(v_); }
  const Cell& cell() const { return std::get<Cell>(v_); }
  Cell& cell() { return std::get<Cell>(v_); }
  const Record& record() const { return std::get<Record>(v_); }
  Record& record() { return std::get<Record>(v_); }
  const FunctionRef& function() const { return std::get<FunctionRef>(v_); }

  std::string text() const { return array().to_text(); }  // throws unless an array
  double number() const { return array()(1); }            // first element

 private:
  std::variant<Array, Cell, Record, FunctionRef> v_;
};

}  // namespace quelvara::runtime
