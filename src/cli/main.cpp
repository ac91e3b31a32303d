// quelvara-synth: the signal road from the command line, for scripts and batch work.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/database_folder.h"
#include "cli/parse_errors.h"
#include "cli/prosody_input.h"
#include "cli/spelling_input.h"
#include "cli/usage.h"
#include "cli/write_failures.h"
#include "inspection/praat_export.h"
#include "inspection/record_of_run.h"
#include "prosody/planning.h"
#include "road/road.h"
#include "runtime/data_folder.h"
#include "runtime/mat_file.h"
#include "runtime/text_numbers.h"
#include "synthesis/unit_database.h"
#include "wave/replacing_output.h"
#include "wave/wavwrite.h"

namespace fs = std::filesystem;
using namespace quelvara;

namespace {

constexpr int exit_ok = 0;
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;
constexpr double sample_rate = 22050;
constexpr int bits = 16;
constexpr const char* program = "quelvara-synth";
// The longest text synthesised, in characters: some 13 minutes of speech, for which the road
// takes about 320 MB at its peak. It bounds the memory that one text, or one line of a batch,
// may take; longer works go line by line.
constexpr std::size_t longest_text = 10000;

struct UsageError {
  std::string message;
};

struct Options {
  fs::path bd;
  bool bd_given = false;  // --bd, else the folder the data lookup finds
  std::optional<std::string> factor_text;
  bool grafica = false;
  bool natural = false;
  cli::ProsodyFiles prosody;
  std::optional<std::string> write_pho;  // where to write the prosody of the run
  bool segment = false;
  bool pt = false;  // the texts are Portuguese spelling, transcribed first
  std::optional<std::string> output;
  std::optional<std::string> textgrid;  // base name of the export for annotation
  std::optional<std::string> texto;  // absent with --pho, whose phones are the text
  bool batch() const { return texto == "-"; }  // one text per line of standard input
};

void say(const std::string& line) { std::cerr << program << ": " << line << '\n'; }

// The factor as the main window reads it from its dialog: one decimal number from 0.5 to 2.
double parse_factor(const std::string& text) {
  const runtime::Array numbers = runtime::str2num(text);
  if (numbers.numel() != 1 || !prosody::factor_in_range(numbers(1)))
    throw UsageError{prosody::factor_range_message};
  return numbers(1);
}

std::string too_long_message(const std::string& where) {
  return where + "texto demasiado longo: o máximo é de " + std::to_string(longest_text) + " caracteres";
}

constexpr const char* empty_text = "texto vazio: escreva uma transcrição SAMPA";
constexpr const char* out_of_memory = "memória insuficiente para sintetizar este texto";

// The name the writer opens for an output name: ".wav" is added to a name without any ".".
std::string wave_file_name(const std::string& output) {
  return output.find('.') == std::string::npos ? output + ".wav" : output;
}

// What writing the output is, for a failure message.
std::string writing(const std::string& output) {
  return output == "-" ? "escrever na saída padrão" : "gravar «" + wave_file_name(output) + "»";
}

// The missing unit names its file as read: below the working folder as "bd/...", else in full.
std::string describe_failure(const synthesis::Diphone& d, const fs::path& bd) {
  std::string detail = "difone «" + d.dif + "» (" + d.fone1 + " + " + d.fone2 + ")";
  if (!d.fonum1) return detail + ": «" + d.fone1 + "» não é um fone do inventário";
  if (!d.fonum2) return detail + ": «" + d.fone2 + "» não é um fone do inventário";
  const fs::path unit = synthesis::unit_path(*d.fonum1, *d.fonum2);
  return detail + ": " + (bd == "." ? unit : bd / unit).generic_string();
}

// Reports what stopped the analysis; true when the text was synthesised.
bool report(const synthesis::Analysis& analysis, const std::vector<std::string>& diagnostics,
            const fs::path& bd, const std::string& where) {
  using Status = synthesis::Analysis::Status;
  switch (analysis.status) {
    case Status::empty_text:
      say(where + empty_text);
      return false;
    case Status::missing_unit:
      say(where + std::string(synthesis::missing_unit_message));
      if (analysis.failed) std::cerr << "  " << describe_failure(*analysis.failed, bd) << '\n';
      return false;
    case Status::ok:
      for (const auto& line : diagnostics) say(where + line);
      return true;
  }
  return false;
}

template <typename Samples>
void write_wave(const Samples& sinal, const std::string& name) {
  const auto warn = [&name](const std::string&) { say(cli::clipping_warning(wave_file_name(name))); };
  if (name != "-") {
    wave::wavwrite(sinal, sample_rate, bits, name, warn);
    return;
  }
  // The header's sizes are known before the samples, so the bytes go straight out.
  wave::BinaryFile out = wave::BinaryFile::standard_output();
  wave::wavwrite(out, sinal, sample_rate, bits, name, warn);
}

// A name that the writer would open as a folder ("out/", ".", an existing folder's name with a
// "."), or into a hidden ".wav" in one.
bool names_a_folder(const std::string& output) {
  return output.ends_with('/') || fs::is_directory(wave_file_name(output));
}

// Reads one line without its line break, keeping at most limit + 1 characters of it so that an
// endless line costs no memory; false at the end of the input.
bool read_line(std::istream& in, std::string& line, std::size_t limit) {
  line.clear();
  std::streambuf* buffer = in.rdbuf();
  int c = buffer->sbumpc();
  if (c == std::char_traits<char>::eof()) return false;
  for (; c != std::char_traits<char>::eof() && c != '\n'; c = buffer->sbumpc())
    if (line.size() <= limit) line.push_back(static_cast<char>(c));
  return true;
}

// Prints the cut of a text; false when the text is empty or holds a symbol that is no phone.
bool print_segmentation(const std::string& texto, const std::string& where) {
  const auto reading = synthesis::read_text(texto);
  if (!reading) {
    say(where + empty_text);
    return false;
  }
  bool known = true;
  std::cout << where << "pontuação «" << reading->pontuacao << "», " << reading->diphones.size()
            << " difones\n";
  int k = 1;
  for (const auto& d : reading->diphones) {
    const auto number = [](const std::optional<int>& n) { return n ? std::to_string(*n) : "?"; };
    std::cout << "  " << k++ << '\t' << d.dif << '\t' << d.fone1 << " + " << d.fone2 << '\t'
              << number(d.fonum1) << " + " << number(d.fonum2) << '\t';
    if (d.fonum1 && d.fonum2)
      std::cout << synthesis::unit_path(*d.fonum1, *d.fonum2).generic_string() << '\n';
    else
      std::cout << "(fone desconhecido)\n";
    known = known && d.fonum1 && d.fonum2;
  }
  return known;
}

// The SAMPA text of a command-line or input text: itself, or with --pt its transcription
// (printed with --segment); nullopt once the reason it has none has been said.
std::optional<std::string> sampa_of(const Options& options, const std::string& text, const std::string& where) {
  if (!options.pt) return text;
  return cli::transcribe_spelling(text, [&](const std::string& why) { say(where + why); },
                                  options.segment ? &std::cout : nullptr, where);
}

// Where the file of line n goes when the transcriptions come from standard input.
std::string batch_name(const std::string& output, std::size_t n) {
  const std::string number = std::to_string(n);
  if (const auto at = output.find("{n}"); at != std::string::npos)
    return std::string(output).replace(at, 3, number);
  return (fs::path(output) / (number + ".wav")).string();
}

// One text, from reading to the file. Every failure is reported with where (the line of a
// batch); the status tells whether the file was written.
int synthesize_one(const Options& options, const road::Mode& mode, const std::string& texto,
                   const std::string& output, const std::string& where, const synthesis::UnitIndex* index) {
  if (texto.size() > longest_text) {
    say(too_long_message(where));
    return exit_failure;
  }
  std::string doing = writing(output);
  try {
    // The unit files' lengths are told first, so that the joined rows are reserved once.
    const synthesis::UnitReader read = runtime::read_unit_file;
    const synthesis::UnitLength length = runtime::unit_file_length;
    if (options.textgrid || options.write_pho) {  // the exports need the new signal whole
      const auto result = road::run_road(texto, mode, read, options.bd, length, index);
      if (!report(result.analysis, result.diagnostics, options.bd, where)) return exit_failure;
      write_wave(wave::SampleView::row(result.sinal), output);
      if (options.textgrid) {
        doing = "exportar para «" + *options.textgrid + "»";
        inspection::export_snapshot(inspection::snapshot_of(result, mode), *options.textgrid,
                                    [&](const std::string&) { say(cli::clipping_warning(*options.textgrid)); });
      }
      if (options.write_pho) {
        doing = "escrever a prosódia em «" + *options.write_pho + "»";
        cli::write_prosody(result, mode, texto, *options.write_pho);
      }
      return exit_ok;
    }
    // Otherwise the new signal is made while it is written, and never held whole.
    const auto road = road::plan_road(texto, mode, read, options.bd, length, index);
    if (!report(road.analysis, road.diagnostics, options.bd, where)) return exit_failure;
    write_wave(wave::MadeRow{road.length(), [&road](const wave::StretchSink& take) { road::make_signal(road, take); }},
               output);
    return exit_ok;
  } catch (const wave::WavError& e) {
    say(where + cli::write_failure(doing, e.reason));
  } catch (const std::system_error& e) {
    say(where + cli::write_failure(doing, e.code()));
  } catch (const std::bad_alloc&) {
    say(where + out_of_memory);
  } catch (const std::exception& e) {
    say(where + "erro: " + e.what());
  }
  return exit_failure;
}

// Refuses, with its reason, a combination of options that names no single task.
void validate(const Options& options) {
  const int modes = options.factor_text.has_value() + options.grafica + options.natural +
                    options.prosody.pho.has_value() + (options.prosody.pitch_tier || options.prosody.duration_tier);
  const bool pho = options.prosody.pho.has_value();
  if (options.segment && modes > 0)
    throw UsageError{"--segment não sintetiza: não o junte a uma entoação (--factor, --grafica, --natural, --pho, "
                     "--pitch-tier, --duration-tier)"};
  if (!options.segment && modes != 1)
    throw UsageError{"escolha uma entoação: --factor F, --grafica, --natural, --pho FICHEIRO, ou --pitch-tier e/ou "
                     "--duration-tier"};
  if (pho && options.texto) throw UsageError{"com --pho, os fones vêm do ficheiro: não indique TEXTO"};
  if (pho && options.pt) throw UsageError{"--pho já dá os fones: não o junte a --pt"};
  if (!options.segment && !options.output)
    throw UsageError{"indique o ficheiro de saída com -o FICHEIRO (ou -o - para a saída padrão)"};
  if (!options.segment && options.output->empty())
    throw UsageError{"o nome do ficheiro de saída (-o) está vazio"};
  const bool batch = options.batch();
  if (options.textgrid && (batch || options.segment))
    throw UsageError{"--textgrid exporta um só texto: não o junte a --segment nem a TEXTO «-»"};
  if (options.textgrid && options.textgrid->empty()) throw UsageError{"o nome dado a --textgrid está vazio"};
  if (options.write_pho && (batch || options.segment))
    throw UsageError{"--write-pho escreve a prosódia de um só texto: não o junte a --segment nem a TEXTO «-»"};
  if (options.write_pho && options.write_pho->empty()) throw UsageError{"o nome dado a --write-pho está vazio"};
  if (!batch && !options.segment && *options.output != "-" && names_a_folder(*options.output))
    throw UsageError{"«" + *options.output + "» é uma pasta: com um só texto, -o tem de ser o nome de um ficheiro"};
  if (batch && !options.segment) {
    const auto& out = *options.output;
    const bool folder = out.ends_with('/') || fs::is_directory(out);
    if (out == "-" || (out.find("{n}") == std::string::npos && !folder))
      throw UsageError{"com TEXTO «-», -o tem de ser uma pasta ou um padrão com {n}"};
  }
  if (!batch && !pho && !options.pt && options.texto->empty()) throw UsageError{empty_text};
  if (!batch && !pho && options.texto->size() > longest_text) throw UsageError{too_long_message("")};
}

// The intonation the options ask for, once its files have been read; nullopt after saying
// what is wrong with them.
std::optional<road::Mode> chosen_mode(const Options& options) {
  if (options.factor_text) return road::Mode(road::FactorMode{parse_factor(*options.factor_text)});
  if (options.natural) return road::Mode(road::NaturalMode{});
  if (options.prosody.any()) return cli::prosody_mode(options.prosody, [](const std::string& line) { say(line); });
  return road::Mode(road::ContourMode{});
}

int run(const Options& options) {
  validate(options);
  const std::optional<road::Mode> chosen = options.segment ? road::Mode(road::ContourMode{}) : chosen_mode(options);
  if (!chosen) return exit_failure;
  const road::Mode& mode = *chosen;

  if (!options.segment) {
    if (const std::string problem = cli::database_problem(options.bd, options.bd_given); !problem.empty()) {
      say(problem);
      return exit_failure;
    }
  }
  // The exports' folders are checked before anything is made or written.
  if (options.textgrid) {
    if (const std::string problem = cli::folder_problem(*options.textgrid); !problem.empty()) {
      say("não é possível exportar para «" + *options.textgrid + "»: " + problem);
      return exit_failure;
    }
  }
  if (options.write_pho) {
    if (const std::string problem = cli::folder_problem(*options.write_pho); !problem.empty()) {
      say("não é possível escrever a prosódia em «" + *options.write_pho + "»: " + problem);
      return exit_failure;
    }
  }

  // The phones' real boundaries, for the prosody targets and the exports; without the index
  // they run between the units' middles.
  std::optional<synthesis::UnitIndex> index;
  if (!options.segment && (road::plans_a_target(mode) || options.textgrid || options.write_pho)) {
    index = synthesis::UnitIndex::read(options.bd);
    if (!index)
      say(std::string("aviso: a base de dados não tem índice (") + synthesis::unit_index_name +
          "): os fones vão do meio de um difone ao meio do seguinte");
  }
  const synthesis::UnitIndex* boundaries = index ? &*index : nullptr;

  if (!options.texto) return synthesize_one(options, mode, "", *options.output, "", boundaries);  // --pho
  if (!options.batch()) {
    const auto texto = sampa_of(options, *options.texto, "");
    if (!texto) return exit_failure;
    if (options.segment) return print_segmentation(*texto, "") ? exit_ok : exit_failure;
    return synthesize_one(options, mode, *texto, *options.output, "", boundaries);
  }

  // A failing line is reported with its number, and the next line is made all the same.
  int status = exit_ok;
  std::string line;
  for (std::size_t n = 1; read_line(std::cin, line, longest_text + 1); ++n) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::string where = "linha " + std::to_string(n) + ": ";
    if (line.size() > longest_text) {
      say(too_long_message(where));
      status = exit_failure;
      continue;
    }
    const auto texto = sampa_of(options, line, where);
    if (!texto) {
      status = exit_failure;
    } else if (options.segment) {
      if (!print_segmentation(*texto, where)) status = exit_failure;
    } else if (synthesize_one(options, mode, *texto, batch_name(*options.output, n), where, boundaries) != exit_ok) {
      status = exit_failure;
    }
  }
  return status;
}

// Ended by a signal, the program first removes the temporary file of an unfinished write.
extern "C" void end_by_signal(int signal_number) {
  wave::remove_unfinished_temporaries();
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

int usage_error(const std::string& message) {
  say(message);
  std::cerr << "Use --help para ver a utilização.\n";
  return exit_usage;
}

void handle_signals() {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction action {};
    action.sa_handler = end_by_signal;
    sigemptyset(&action.sa_mask);
    ::sigaction(s, &action, nullptr);
  }
  // A reader that goes away, or a file size limit, is then a write error with its reason,
  // reported like any other.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  handle_signals();
  // The option texts and the help are ours (cli/usage), in Portuguese; the parser only parses.
  CLI::App app{"", program};
  app.set_help_flag("-h,--help");
  app.set_version_flag("--version", QUELVARA_VERSION);
  app.allow_extras();  // said in Portuguese below
  Options options;
  std::string bd;
  app.add_option("--bd", bd);
  app.add_option("--factor", options.factor_text)->excludes(app.add_flag("--grafica", options.grafica));
  app.add_flag("--segment", options.segment);
  app.add_option("-o", options.output);
  app.add_option("--textgrid", options.textgrid);
  app.add_flag("--pt", options.pt);
  app.add_flag("--natural", options.natural);
  app.add_option("--pho", options.prosody.pho);
  app.add_option("--pitch-tier", options.prosody.pitch_tier);
  app.add_option("--duration-tier", options.prosody.duration_tier);
  app.add_option("--write-pho", options.write_pho);
  app.add_option("texto", options.texto);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << cli::usage::help_text(QUELVARA_VERSION, runtime::installed_data_folder().string(),
                                       cli::default_database_sentence());
    return exit_ok;
  } catch (const CLI::CallForVersion&) {
    std::cout << program << ' ' << QUELVARA_VERSION << '\n';
    return exit_ok;
  } catch (const CLI::ParseError& e) {
    return usage_error(cli::parse_error_message(e));
  }
  if (const std::string leftover = cli::leftover_message(app.remaining()); !leftover.empty())
    return usage_error(leftover);
  if (!options.texto && !options.prosody.pho) return usage_error(cli::missing_text_message);
  options.bd_given = !bd.empty();
  options.bd = options.bd_given ? fs::path(bd) : cli::default_database_folder();

  try {
    return run(options);
  } catch (const UsageError& e) {
    say(e.message);
    return exit_usage;
  } catch (const std::bad_alloc&) {
    say(out_of_memory);
    return exit_failure;
  } catch (const std::exception& e) {
    say(std::string("erro: ") + e.what());
    return exit_failure;
  }
}
