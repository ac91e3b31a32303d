#include "shell/core_functions.h"

#include <cmath>
#include <map>
#include <optional>
#include <string>

#include "audio/wavwrite.h"
#include "audio/wavwrite_operations.h"
#include "prosody/bartlett.h"
#include "runtime/argument_count.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"
#include "shell/interface_stub.h"

namespace quelvara::shell {

namespace {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

// Each module is a user of the numeric runtime for as long as the program runs.
const runtime::RuntimeUser bartlett_user;
const runtime::RuntimeUser check_order_user;
const runtime::RuntimeUser wavwrite_user;
const runtime::RuntimeUser interface_user;

void warn_on_console(const std::string& text) { runtime::warning(text); }

const Value& argument(const Values& args, std::size_t k, const char* what) {
  if (k >= args.size()) throw RuntimeError(std::string("Missing argument: ") + what + ".");
  return args[k];
}

std::optional<double> order_of(const Value& v) {
  if (v.is_empty()) return std::nullopt;
  if (!v.is_array() || !v.array().is_scalar()) throw RuntimeError("The order must be a single number.");
  return v.array()(1);
}

double number_of(const Value& v, const char* what) {
  if (!v.is_array() || v.array().is_empty())
    throw RuntimeError(std::string("The ") + what + " must be a number.");
  return v.array()(1);
}

Array column(const std::vector<double>& values) {
  return Array::matrix(values.size(), 1, values);  // 0 values: a column of 0 rows
}

audio::SampleMatrix samples_of(const Value& v) {
  if (!v.is_array()) throw RuntimeError("Data array must be numeric.");
  const Array& a = v.array();
  return audio::SampleMatrix{a.rows(), a.cols(), a.data()};
}

Array array_of(const audio::SampleMatrix& m) { return Array::matrix(m.rows, m.cols, m.data); }

int bits_of(const Value& v) {
  const double bits = number_of(v, "number of bits");
  // Depths that no int holds are no valid depth either; the writer refuses them.
  if (!std::isfinite(bits) || std::fabs(bits) > 1e6) return 0;
  return static_cast<int>(bits);
}

// The open files of the writer's inner operations called by name.
std::map<int, audio::BinaryFile>& open_files() {
  static std::map<int, audio::BinaryFile> files;
  return files;
}

audio::BinaryFile& file_of(const Value& v) {
  const double id = number_of(v, "file identifier");
  const auto it = open_files().find(static_cast<int>(id));
  if (id != std::floor(id) || it == open_files().end()) throw RuntimeError("Invalid file identifier.");
  return it->second;
}

std::string text_field(const runtime::Record& r, const char* name) {
  if (!r.has(name) || !r.get(name).is_text()) throw RuntimeError(std::string("The field ") + name + " must be a text.");
  return r.get(name).text();
}

double number_field(const runtime::Record& r, const char* name) {
  if (!r.has(name)) throw RuntimeError(std::string("Reference to non-existent field '") + name + "'.");
  return number_of(r.get(name), name);
}

const runtime::Record& record_of(const Value& v, const char* what) {
  if (!v.is_record()) throw RuntimeError(std::string("The ") + what + " must be a record.");
  return v.record();
}

audio::WaveFormat format_of(const Value& v) {
  const auto& r = record_of(v, "format");
  audio::WaveFormat f;
  f.filename = text_field(r, "filename");
  f.wFormatTag = number_field(r, "wFormatTag");
  f.nChannels = number_field(r, "nChannels");
  f.nSamplesPerSec = number_field(r, "nSamplesPerSec");
  f.nAvgBytesPerSec = number_field(r, "nAvgBytesPerSec");
  f.nBlockAlign = number_field(r, "nBlockAlign");
  f.nBitsPerSample = number_field(r, "nBitsPerSample");
  return f;
}

}  // namespace

Values bartlett_by_name(int, Values args) {
  runtime::check_argument_count(1, 1, static_cast<int>(args.size()));
  return {column(prosody::bartlett(order_of(args[0]), warn_on_console))};
}

Values check_order_by_name(int, Values args) {
  runtime::check_argument_count(1, 1, static_cast<int>(args.size()));
  const auto checked = prosody::check_order(order_of(args[0]), warn_on_console);
  const Value n_out = checked.n_out ? Value(*checked.n_out) : Value();
  const Value w = checked.trivalwin ? Value(column(checked.w)) : Value();
  return {n_out, w, Value(checked.trivalwin ? 1.0 : 0.0)};
}

Values wavwrite_by_name(int, Values args) {
  const int n = static_cast<int>(args.size());
  runtime::check_argument_count(2, 4, n);
  const auto y = samples_of(args[0]);
  const Value& name = args[static_cast<std::size_t>(n - 1)];
  const double fs = n >= 3 ? number_of(args[1], "sample rate") : 8000;
  const int nbits = n == 4 ? bits_of(args[2]) : 16;
  if (!name.is_text()) throw RuntimeError(audio::name_not_string_message);
  audio::wavwrite(y, fs, nbits, name.text(), warn_on_console);
  return {};
}

Values OpenWaveWrite_by_name(int, Values args) {
  const Value& name = argument(args, 0, "wavefile");
  auto opened = audio::OpenWaveWrite(name.is_text() ? std::optional<std::string>(name.text()) : std::nullopt);
  double id = -1;
  if (opened.fid) {
    auto& files = open_files();
    id = files.empty() ? 3 : files.rbegin()->first + 1;
    files.emplace(static_cast<int>(id), std::move(*opened.fid));
  }
  return {Value(id), Value(opened.message)};
}

Values write_ckinfo_by_name(int, Values args) {
  const auto& r = record_of(argument(args, 0, "chunk descriptor"), "chunk descriptor");
  audio::ChunkDescriptor ck;
  if (!r.has("fid")) throw RuntimeError("Reference to non-existent field 'fid'.");
  ck.fid = &file_of(r.get("fid"));
  ck.filename = text_field(r, "filename");
  ck.ID = text_field(r, "ID");
  if (r.has("Size") && !r.get("Size").is_empty()) ck.Size = number_of(r.get("Size"), "Size");
  return {Value(audio::write_ckinfo(ck))};
}

Values write_wavefmt_by_name(int, Values args) {
  auto& fid = file_of(argument(args, 0, "fid"));
  return {Value(audio::write_wavefmt(fid, format_of(argument(args, 1, "format"))))};
}

Values PCM_Quantize_by_name(int, Values args) {
  const auto x = samples_of(argument(args, 0, "samples"));
  return {Value(array_of(audio::PCM_Quantize(x, format_of(argument(args, 1, "format")), warn_on_console)))};
}

Values write_wavedat_by_name(int, Values args) {
  auto& fid = file_of(argument(args, 0, "fid"));
  const auto format = format_of(argument(args, 1, "format"));
  const auto data = samples_of(argument(args, 2, "data"));
  return {Value(audio::write_wavedat(fid, format, data, warn_on_console))};
}

void install_core_functions() {
  runtime::define_function("bartlett", bartlett_by_name);
  runtime::define_function("signal/private/check_order", check_order_by_name);
  runtime::define_function("wavwrite", wavwrite_by_name);
  runtime::define_function("wavwrite/OpenWaveWrite", OpenWaveWrite_by_name);
  runtime::define_function("wavwrite/write_ckinfo", write_ckinfo_by_name);
  runtime::define_function("wavwrite/write_wavefmt", write_wavefmt_by_name);
  runtime::define_function("wavwrite/PCM_Quantize", PCM_Quantize_by_name);
  runtime::define_function("wavwrite/write_wavedat", write_wavedat_by_name);
  runtime::define_function_if_absent("interface", interface_stub);
}

}  // namespace quelvara::shell
