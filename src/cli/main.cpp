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

#include "cli/spelling_input.h"
#include "inspection/praat_export.h"
#include "inspection/record_of_run.h"
#include "prosody/planning.h"
#include "road/road.h"
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
  fs::path bd = ".";
  std::optional<std::string> factor_text;
  bool grafica = false;
  bool segment = false;
  bool pt = false;  // the texts are Portuguese spelling, transcribed first
  std::optional<std::string> output;
  std::optional<std::string> textgrid;  // base name of the export for annotation
  std::string texto;
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

// The writer's message, and on a line of its own the operating system's reason, when it has one.
void report_write_failure(const wave::WavError& e, const std::string& where) {
  say(where + e.what());
  if (e.reason) say(where + "causa: " + e.reason.message());
}

std::string describe_failure(const synthesis::Diphone& d) {
  std::string detail = "difone «" + d.dif + "» (" + d.fone1 + " + " + d.fone2 + ")";
  if (!d.fonum1) return detail + ": «" + d.fone1 + "» não é um fone do inventário";
  if (!d.fonum2) return detail + ": «" + d.fone2 + "» não é um fone do inventário";
  return detail + ": " + synthesis::unit_path(*d.fonum1, *d.fonum2).generic_string();
}

// Reports what stopped the analysis; true when the text was synthesised.
bool report(const synthesis::Analysis& analysis, const std::vector<std::string>& diagnostics,
            const std::string& where) {
  using Status = synthesis::Analysis::Status;
  switch (analysis.status) {
    case Status::empty_text:
      say(where + empty_text);
      return false;
    case Status::missing_unit:
      say(where + std::string(synthesis::missing_unit_message));
      if (analysis.failed) std::cerr << "  " << describe_failure(*analysis.failed) << '\n';
      return false;
    case Status::ok:
      for (const auto& line : diagnostics) say(where + line);
      return true;
  }
  return false;
}

template <typename Samples>
void write_wave(const Samples& sinal, const std::string& name) {
  const auto warn = [](const std::string& text) { say(text); };
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
  const std::string opened = output.find('.') == std::string::npos ? output + ".wav" : output;
  return output.ends_with('/') || fs::is_directory(opened);
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
                   const std::string& output, const std::string& where) {
  if (texto.size() > longest_text) {
    say(too_long_message(where));
    return exit_failure;
  }
  try {
    // The unit files' lengths are told first, so that the joined rows are reserved once.
    const synthesis::UnitReader read = runtime::read_unit_file;
    const synthesis::UnitLength length = runtime::unit_file_length;
    if (options.textgrid) {  // the export needs the new signal whole
      const auto result = road::run_road(texto, mode, read, options.bd, length);
      if (!report(result.analysis, result.diagnostics, where)) return exit_failure;
      write_wave(wave::SampleView::row(result.sinal), output);
      inspection::export_snapshot(inspection::snapshot_of(result, mode), *options.textgrid,
                                  [](const std::string& text) { say(text); });
      return exit_ok;
    }
    // Otherwise the new signal is made while it is written, and never held whole.
    const auto road = road::plan_road(texto, mode, read, options.bd, length);
    if (!report(road.analysis, road.diagnostics, where)) return exit_failure;
    write_wave(wave::MadeRow{road.plan.synthesis_length,
                             [&road](const wave::StretchSink& take) { road::make_signal(road, take); }},
               output);
    return exit_ok;
  } catch (const wave::WavError& e) {
    report_write_failure(e, where);
  } catch (const std::system_error& e) {
    say(where + "não foi possível escrever " + e.what() + ": " + e.code().message());
  } catch (const std::bad_alloc&) {
    say(where + out_of_memory);
  } catch (const std::exception& e) {
    say(where + "erro: " + e.what());
  }
  return exit_failure;
}

// Refuses, with its reason, a combination of options that names no single task.
void validate(const Options& options) {
  if (options.segment && (options.factor_text || options.grafica))
    throw UsageError{"--segment não sintetiza: não o junte a --factor ou --grafica"};
  if (!options.segment && options.factor_text.has_value() == options.grafica)
    throw UsageError{"escolha a entoação: --factor F ou --grafica"};
  if (!options.segment && !options.output)
    throw UsageError{"indique o ficheiro de saída com -o FICHEIRO (ou -o - para a saída padrão)"};
  if (!options.segment && options.output->empty())
    throw UsageError{"o nome do ficheiro de saída (-o) está vazio"};
  const bool batch = options.batch();
  if (options.textgrid && (batch || options.segment))
    throw UsageError{"--textgrid exporta um só texto: não o junte a --segment nem a TEXTO «-»"};
  if (options.textgrid && options.textgrid->empty()) throw UsageError{"o nome dado a --textgrid está vazio"};
  if (!batch && !options.segment && *options.output != "-" && names_a_folder(*options.output))
    throw UsageError{"«" + *options.output + "» é uma pasta: com um só texto, -o tem de ser o nome de um ficheiro"};
  if (batch && !options.segment) {
    const auto& out = *options.output;
    const bool folder = out.ends_with('/') || fs::is_directory(out);
    if (out == "-" || (out.find("{n}") == std::string::npos && !folder))
      throw UsageError{"com TEXTO «-», -o tem de ser uma pasta ou um padrão com {n}"};
  }
  if (!batch && !options.pt && options.texto.empty()) throw UsageError{empty_text};
  if (!batch && options.texto.size() > longest_text) throw UsageError{too_long_message("")};
}

int run(const Options& options) {
  validate(options);
  road::Mode mode = road::ContourMode{};
  if (options.factor_text) mode = road::FactorMode{parse_factor(*options.factor_text)};

  if (!options.segment && !fs::is_directory(options.bd / "bd")) {
    say("não encontrei a base de dados de difones em " + (options.bd / "bd").string());
    return exit_failure;
  }

  if (!options.batch()) {
    const auto texto = sampa_of(options, options.texto, "");
    if (!texto) return exit_failure;
    if (options.segment) return print_segmentation(*texto, "") ? exit_ok : exit_failure;
    return synthesize_one(options, mode, *texto, *options.output, "");
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
    } else if (synthesize_one(options, mode, *texto, batch_name(*options.output, n), where) != exit_ok) {
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
  CLI::App app{
      "Sintetizador de fala do português europeu por concatenação de difones.\n"
      "Lê uma transcrição SAMPA (terminada opcionalmente por «.», «!» ou «?»), junta os difones da\n"
      "base de dados, iguala os níveis, altera a entoação por sobreposição-adição síncrona com o\n"
      "período e grava um ficheiro WAVE mono de 16 bits a 22050 Hz, como o botão Gravar.",
      program};
  Options options;
  std::string bd;
  app.add_option("--bd", bd, "pasta que contém bd/ (por omissão, a pasta de trabalho)");
  auto* factor = app.add_option("--factor", options.factor_text,
                                "entoação «Factor»: divide cada período vozeado por F (0.5 a 2)");
  auto* grafica = app.add_flag("--grafica", options.grafica,
                               "entoação «Gráfica»: contorno fixo escolhido pela pontuação final");
  factor->excludes(grafica);
  app.add_flag("--segment", options.segment,
               "mostra os difones do texto, com os números dos fones e os ficheiros, sem sintetizar");
  app.add_option("-o", options.output,
                 "ficheiro WAVE a escrever («-» para a saída padrão; sem «.» no nome junta-se .wav);\n"
                 "com TEXTO «-», uma pasta (ficheiros N.wav) ou um padrão em que {n} é o número da linha");
  app.add_option("--textgrid", options.textgrid,
                 "exporta também para anotação: BASE-orig.wav e BASE-orig.TextGrid (sinal concatenado,\n"
                 "com difones, fones e marcas) e BASE-sinal.wav e BASE-sinal.TextGrid (resultado e marcas)")
      ->option_text("BASE");
  app.add_flag("--pt", options.pt,
               "TEXTO em português (ortografia): é transcrito em SAMPA antes da síntese;\n"
               "com --segment mostra a transcrição e os difones");
  app.add_option("texto", options.texto,
                 "a transcrição SAMPA (ou, com --pt, o texto em português); «-» lê um texto por linha da\n"
                 "entrada padrão")
      ->required();
  app.set_version_flag("--version", std::string(program) + " 0.1.0");
  app.footer(
      "Exemplos:\n"
      "  quelvara-synth --grafica -o voz _pa_.\n"
      "  quelvara-synth --factor 1.5 -o - _6fraz6kOmprid6_. | aplay\n"
      "  quelvara-synth --factor 0.8 -o saida/frase{n}.wav - < frases.txt\n"
      "  quelvara-synth --segment _p6~w_!\n"
      "  quelvara-synth --grafica -o voz --textgrid analise/voz _b6~j_.\n"
      "  quelvara-synth --pt --grafica -o voz \"Bom dia, Lisboa!\"\n"
      "  quelvara-synth --pt --segment \"Muito obrigado.\"\n"
      "Cada texto tem no máximo 10000 caracteres (um texto longo vai por linhas, com TEXTO «-»).\n"
      "Saída: 0 sucesso, 1 erro de síntese ou de ficheiro, 2 erro de utilização.");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return exit_ok;
  } catch (const CLI::CallForVersion&) {
    std::cout << program << " 0.1.0\n";
    return exit_ok;
  } catch (const CLI::ParseError& e) {
    say(std::string("argumentos inválidos: ") + e.what());
    std::cerr << "Use --help para ver a utilização.\n";
    return exit_usage;
  }
  if (!bd.empty()) options.bd = bd;

  try {
    return run(options);
  } catch (const UsageError& e) {
    say(e.message);
    return exit_usage;
  } catch (const wave::WavError& e) {
    report_write_failure(e, "");
    return exit_failure;
  } catch (const std::bad_alloc&) {
    say(out_of_memory);
    return exit_failure;
  } catch (const std::exception& e) {
    say(std::string("erro: ") + e.what());
    return exit_failure;
  }
}
