// quelvara-synth-text: the road of quelvara-synth (without --textgrid) for a SAMPA text read from
// a file, of any length (quelvara-synth takes at most 10000 characters a text), into a 16-bit
// WAVE file. For measuring time and peak memory against the length of a text with
// /usr/bin/time -v.
// Usage: quelvara-synth-text --bd DIR (--factor F | --grafica) -o OUT.wav TEXT-FILE
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "road/road.h"
#include "runtime/mat_file.h"
#include "wave/wavwrite.h"

using namespace quelvara;

int main(int argc, char** argv) {
  std::string bd = ".", out, file;
  road::Mode mode = road::ContourMode{};
  for (int k = 1; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--bd" && k + 1 < argc) {
      bd = argv[++k];
    } else if (arg == "--factor" && k + 1 < argc) {
      mode = road::FactorMode{std::stod(argv[++k])};
    } else if (arg == "--grafica") {
      mode = road::ContourMode{};
    } else if (arg == "-o" && k + 1 < argc) {
      out = argv[++k];
    } else {
      file = arg;
    }
  }
  std::ifstream in(file);
  if (out.empty() || !in) {
    std::cerr << "usage: quelvara-synth-text --bd DIR (--factor F | --grafica) -o OUT.wav TEXT-FILE\n";
    return 2;
  }
  std::string text(std::istreambuf_iterator<char>(in), {});
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();

  // As quelvara-synth does it: the unit lengths told first, the new signal written as it is made.
  const auto road = road::plan_road(text, mode, runtime::read_unit_file, bd, runtime::unit_file_length);
  if (road.analysis.status != synthesis::Analysis::Status::ok) {
    std::cerr << "the text did not synthesise\n";
    return 1;
  }
  wave::wavwrite(wave::MadeRow{road.plan.synthesis_length,
                               [&road](const wave::StretchSink& take) { road::make_signal(road, take); }},
                 22050, 16, out);
  std::cout << text.size() << " characters, " << road.plan.synthesis_length << " samples\n";
  return 0;
}
