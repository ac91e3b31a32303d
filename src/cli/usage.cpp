#include "cli/usage.h"

#include <algorithm>
#include <cstddef>

namespace quelvara::cli::usage {

const std::string_view summary = "sintetizador de fala do português europeu por concatenação de difones";

const std::string_view synopsis = "[OPÇÕES] TEXTO, ou [OPÇÕES] --pho FICHEIRO";

const std::vector<std::string_view> description = {
    "Lê uma transcrição SAMPA (os 46 fones, terminada opcionalmente por «.», «!» ou «?»), corta-a "
    "em difones, junta as unidades da base de dados, iguala os níveis, altera a entoação e a "
    "duração por sobreposição-adição síncrona com o período e grava um ficheiro WAVE mono de 16 "
    "bits a 22050 Hz, como o botão «Gravar» da janela do quelvara.",
    "Com --pt, o TEXTO é português escrito, transcrito em SAMPA antes da síntese. Com TEXTO «-», "
    "lê um texto por linha da entrada padrão e grava um ficheiro por linha; uma linha que falha é "
    "indicada pelo seu número e as seguintes são feitas na mesma. Cada texto tem no máximo 10000 "
    "caracteres: um texto longo vai por linhas.",
    "A entoação «Natural» segue as regras do português de Lisboa: um acento no início da frase, a "
    "declinação e uma descida na última sílaba tónica, que numa pergunta sobe depois na última "
    "sílaba; vogais tónicas mais longas, 6, @ e u átonos breves, a última sílaba antes de uma pausa "
    "alongada. O acento escreve-se no TEXTO: \" antes de um fone marca como tónica a sílaba da vogal "
    "seguinte, % o acento secundário (_s6\"patu_.). Sem marcas de acento só vale a forma da frase: a "
    "descida ou subida na última vogal plena, o alongamento final e as pausas. «Factor» e «Gráfica» "
    "ignoram as marcas.",
};

const Item argument = {"TEXTO", "",
                       "a transcrição SAMPA (ou, com --pt, o texto em português); «-» lê um texto por "
                       "linha da entrada padrão"};

const std::vector<Item> options = {
    {"--factor", "F", "entoação «Factor»: divide cada período vozeado por F (0.5 a 2)"},
    {"--grafica", "", "entoação «Gráfica»: contorno fixo escolhido pela pontuação final"},
    {"--natural", "", "entoação e ritmo «Natural», sobre as marcas de acento do TEXTO"},
    {"--pho", "FICHEIRO",
     "a prosódia de um ficheiro .pho («-» para a entrada padrão): um fone por linha, a duração em ms "
     "e pares posição (% do fone) e frequência (Hz), «;» antes de um comentário; os fones do "
     "ficheiro são o texto, e não se dá TEXTO"},
    {"--pitch-tier", "FICHEIRO",
     "a altura de um PitchTier do Praat (texto, longo ou curto), com os tempos no eixo do sinal "
     "concatenado (BASE-orig.wav de --textgrid); sozinho mantém as durações"},
    {"--duration-tier", "FICHEIRO",
     "as durações de um DurationTier do Praat, no mesmo eixo; sozinho mantém a altura da voz"},
    {"--write-pho", "FICHEIRO", "escreve a prosódia do resultado, em qualquer entoação, num ficheiro .pho"},
    {"-o", "FICHEIRO",
     "o ficheiro WAVE a escrever («-» para a saída padrão; sem «.» no nome junta-se .wav); com "
     "TEXTO «-», uma pasta (ficheiros N.wav) ou um padrão em que {n} é o número da linha"},
    {"--textgrid", "BASE",
     "exporta também para anotação: BASE-orig.wav, BASE-orig.TextGrid e BASE-orig.PitchTier (o "
     "sinal concatenado, com difones, fones, marcas e altura) e BASE-sinal.wav, BASE-sinal.TextGrid "
     "e BASE-sinal.PitchTier (o resultado, com os seus fones, marcas e a altura planeada); a pasta de "
     "BASE tem de existir"},
    {"--pt", "", "TEXTO em português (ortografia): é transcrito em SAMPA antes da síntese"},
    {"--segment", "",
     "mostra os difones do texto, com os números dos fones e os ficheiros das unidades, sem "
     "sintetizar; com --pt mostra também as formas escritas lidas como palavras («1.º» → «primeiro») e a "
     "transcrição"},
    {"--bd", "PASTA",
     "a pasta que contém bd/, a base de dados de difones; sem --bd, a pasta de QUELVARA_DATA, "
     "quando definida, senão a pasta de trabalho, quando tem bd/, senão {dados}"},
    {"-h, --help", "", "mostra esta ajuda e sai"},
    {"--version", "", "mostra a versão e sai"},
};

const std::vector<Item> statuses = {
    {"0", "", "sucesso"},
    {"1", "",
     "erro de síntese ou de ficheiro: um difone que falta na base de dados, um texto que não se "
     "transcreve, um ficheiro que não se pode escrever; num lote, pelo menos uma linha falhou"},
    {"2", "", "erro de utilização: uma opção ou um argumento inválido"},
};

const std::vector<Item> environment = {
    {"QUELVARA_DATA", "",
     "a pasta dos dados (a que contém bd/), lida em vez da pasta de trabalho e da pasta instalada"},
};

const std::vector<Item> files = {
    {"./bd/, ./bd/oclus/", "", "a base de dados na pasta de trabalho, usada quando existe"},
    {"{dados}/bd/", "", "a base de dados instalada"},
};

const std::vector<Item> examples = {
    {"quelvara-synth --grafica -o voz _pa_.", "", "sintetiza «_pa_.» com a entoação «Gráfica» e grava voz.wav"},
    {"quelvara-synth --factor 1.5 -o - _6fraz6kOmprid6_. | aplay", "",
     "entoação «Factor» 1.5, para a saída padrão, que o aplay toca"},
    {"quelvara-synth --factor 0.8 -o saida/frase{n}.wav - < frases.txt", "",
     "um ficheiro por linha de frases.txt: saida/frase1.wav, saida/frase2.wav, ..."},
    {"quelvara-synth --grafica -o voz --textgrid analise/voz _b6~j_.", "",
     "grava voz.wav e exporta os dois sinais, com os seus TextGrids, para o Praat em analise/"},
    {"quelvara-synth --pt --grafica -o voz \"Bom dia, Lisboa!\"", "",
     "transcreve o português escrito em SAMPA e sintetiza-o"},
    {"quelvara-synth --natural -o voz --write-pho voz.pho '_6\"kaz6\"bEl6_.'", "",
     "entoação «Natural» e a sua prosódia em voz.pho"},
    {"quelvara-synth --pho voz.pho -o voz2", "", "a prosódia de voz.pho, dita de novo"},
    {"quelvara-synth --pitch-tier voz.PitchTier -o voz3 '_6\"kaz6\"bEl6_.'", "",
     "a altura desenhada no Praat sobre voz-orig.wav"},
    {"quelvara-synth --segment _p6~w_!", "", "mostra os difones e os ficheiros das suas unidades"},
    {"quelvara-synth --pt --segment \"Muito obrigado.\"", "", "mostra a transcrição e os seus difones"},
};

std::string with_data_folder(std::string_view text, std::string_view folder) {
  std::string out(text);
  for (std::size_t at = out.find(data_folder_mark); at != std::string::npos;
       at = out.find(data_folder_mark, at + folder.size()))
    out.replace(at, data_folder_mark.size(), folder);
  return out;
}

namespace {

constexpr std::size_t width = 80;
constexpr std::size_t term_column = 20;  // where the texts of a list begin

// Characters, not bytes: the texts are UTF-8.
std::size_t columns(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The words of text in lines of at most width columns, every line but the first indented by
// indent; the first goes on from column `at`.
std::string wrap(std::string_view text, std::size_t indent, std::size_t at) {
  std::string out;
  std::size_t column = at;
  bool first = true;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find(' '), text.size());
    const std::string_view word = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (word.empty()) continue;
    if (!first && column + 1 + columns(word) > width) {
      out += '\n' + std::string(indent, ' ');
      column = indent;
    } else if (!first) {
      out += ' ';
      ++column;
    }
    out += word;
    column += columns(word);
    first = false;
  }
  return out + '\n';
}

// A list: each term indented by two, its text from term_column (below the term when the term
// is longer).
std::string list(std::string_view heading, const std::vector<Item>& items, std::string_view data_folder) {
  std::string out = std::string(heading) + ":\n";
  for (const Item& item : items) {
    std::string term = "  " + with_data_folder(item.term, data_folder);
    if (!item.value.empty()) term += " " + std::string(item.value);
    const std::size_t used = columns(term);
    if (used + 2 <= term_column) {
      out += term + std::string(term_column - used, ' ');
    } else {
      out += term + '\n' + std::string(term_column, ' ');
    }
    out += wrap(with_data_folder(item.text, data_folder), term_column, term_column);
  }
  return out;
}

}  // namespace

std::string help_text(std::string_view version, std::string_view data_folder, std::string_view database) {
  std::string out = std::string(program) + " " + std::string(version) + ": " + std::string(summary) + "\n\n";
  out += "Utilização: " + std::string(program) + " " + std::string(synopsis) + "\n\n";
  for (const auto paragraph : description) out += wrap(paragraph, 0, 0) + '\n';
  out += list("Argumento", {argument}, data_folder) + '\n';
  out += list("Opções", options, data_folder) + '\n';
  out += wrap(database, 0, 0) + '\n';
  out += list("Estado de saída", statuses, data_folder) + '\n';
  out += list("Ambiente", environment, data_folder) + '\n';
  out += list("Ficheiros", files, data_folder) + '\n';
  out += "Exemplos:\n";
  for (const Item& example : examples)
    out += "  " + std::string(example.term) + "\n" + std::string(6, ' ') + wrap(example.text, 6, 6);
  return out;
}

}  // namespace quelvara::cli::usage
