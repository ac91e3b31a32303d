#include "audio/install.h"

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "audio/wavplay.h"
#include "runtime/argument_count.h"
#include "runtime/console.h"
#include "runtime/error.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"
#include "wave/wavwrite.h"
#include "wave/wavwrite_operations.h"

namespace quelvara::audio {

namespace {

using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;
using Values = std::vector<Value>;

// Each module is a user of the numeric runtime for as long as the program runs.
const runtime::RuntimeUser wavwrite_user;
const runtime::RuntimeUser wavplay_user;
const runtime::RuntimeUser playsnd_user;
const runtime::RuntimeUser playsndb_user;

void warn_on_console(const std::string& text) { runtime::warning(text); }

const Value& argument(const Values& args, std::size_t k, const char* what) {
  if (k >= args.size()) throw RuntimeError(std::string("Missing argument: ") + what + ".");
  return args[k];
}

double number_of(const Value& v, const char* what) {
  if (!v.is_array() || v.array().is_empty())
    throw RuntimeError(std::string("The ") + what + " must be a number.");
  return v.array()(1);
}

wave::SampleMatrix samples_of(const Value& v) {
  if (!v.is_array()) throw RuntimeError("Data array must be numeric.");
  const Array& a = v.array();
  return wave::SampleMatrix{a.rows(), a.cols(), a.data()};
}

Array array_of(const wave::SampleMatrix& m) { return Array::matrix(m.rows, m.cols, m.data); }

int bits_of(const Value& v) {
  const double bits = number_of(v, "number of bits");
  // Depths that no int holds are no valid depth either; the writer refuses them.
  if (!std::isfinite(bits) || std::fabs(bits) > 1e6) return 0;
  return static_cast<int>(bits);
}

// The open files of the writer's inner operations called by name.
std::map<int, wave::BinaryFile>& open_files() {
  static std::map<int, wave::BinaryFile> files;
  return files;
}

wave::BinaryFile& file_of(const Value& v) {
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

wave::WaveFormat format_of(const Value& v) {
  const auto& r = record_of(v, "format");
  wave::WaveFormat f;
  f.filename = text_field(r, "filename");
  f.wFormatTag = number_field(r, "wFormatTag");
  f.nChannels = number_field(r, "nChannels");
  f.nSamplesPerSec = number_field(r, "nSamplesPerSec");
  f.nAvgBytesPerSec = number_field(r, "nAvgBytesPerSec");
  f.nBlockAlign = number_field(r, "nBlockAlign");
  f.nBitsPerSample = number_field(r, "nBitsPerSample");
  return f;
}

Values wavwrite_by_name(int, Values args) {
  const int n = static_cast<int>(args.size());
  runtime::check_argument_count(2, 4, n);
  const auto y = samples_of(args[0]);
  const Value& name = args[static_cast<std::size_t>(n - 1)];
  const double fs = n >= 3 ? number_of(args[1], "sample rate") : 8000;
  const int nbits = n == 4 ? bits_of(args[2]) : 16;
  if (!name.is_text()) throw RuntimeError(wave::name_not_string_message);
  wave::wavwrite(y, fs, nbits, name.text(), warn_on_console);
  return {};
}

// Open files are named by numbers (3 and up), as a file layer names them; OpenWaveWrite gives
// -1 and the message when the file cannot be opened.
Values OpenWaveWrite_by_name(int, Values args) {
  const Value& name = argument(args, 0, "wavefile");
  auto opened = wave::OpenWaveWrite(name.is_text() ? std::optional<std::string>(name.text()) : std::nullopt);
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
  wave::ChunkDescriptor ck;
  if (!r.has("fid")) throw RuntimeError("Reference to non-existent field 'fid'.");
  ck.fid = &file_of(r.get("fid"));
  ck.filename = text_field(r, "filename");
  ck.ID = text_field(r, "ID");
  if (r.has("Size") && !r.get("Size").is_empty()) ck.Size = number_of(r.get("Size"), "Size");
  return {Value(wave::write_ckinfo(ck))};
}

Values write_wavefmt_by_name(int, Values args) {
  auto& fid = file_of(argument(args, 0, "fid"));
  return {Value(wave::write_wavefmt(fid, format_of(argument(args, 1, "format"))))};
}

Values PCM_Quantize_by_name(int, Values args) {
  const auto x = samples_of(argument(args, 0, "samples"));
  return {Value(array_of(wave::PCM_Quantize(x, format_of(argument(args, 1, "format")), warn_on_console)))};
}

Values write_wavedat_by_name(int, Values args) {
  auto& fid = file_of(argument(args, 0, "fid"));
  const auto format = format_of(argument(args, 1, "format"));
  const auto data = samples_of(argument(args, 2, "data"));
  return {Value(wave::write_wavedat(fid, format, data, warn_on_console))};
}

runtime::Function by_name(const char* name) {
  return [name](int nargout, Values args) { return runtime::call_by_name(name, nargout, std::move(args)); };
}

Values wavplay_by_name(int, Values args) {
  wavplay(args, host_platform(), by_name("audio/private/playsndb"), by_name("audio/private/playsnd"));
  return {};
}

}  // namespace

void install_audio() {
  runtime::define_function("wavwrite", wavwrite_by_name);
  runtime::define_function("wavwrite/OpenWaveWrite", OpenWaveWrite_by_name);
  runtime::define_function("wavwrite/write_ckinfo", write_ckinfo_by_name);
  runtime::define_function("wavwrite/write_wavefmt", write_wavefmt_by_name);
  runtime::define_function("wavwrite/PCM_Quantize", PCM_Quantize_by_name);
  runtime::define_function("wavwrite/write_wavedat", write_wavedat_by_name);
  runtime::define_function("wavplay", wavplay_by_name);
  runtime::define_function("audio/private/playsndb", playsndb);
  runtime::define_function("audio/private/playsnd", playsnd);
}

}  // namespace quelvara::audio
