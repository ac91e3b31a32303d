#include "listening_texts.h"

#include "synthesis/phones.h"

namespace quelvara::tools {

const std::vector<ListeningText>& everyday_texts() {
  static const std::vector<ListeningText> texts = {
      {"_s6patu_.", "sapato"},
      {"_obrigadu_.", "obrigado"},
      {"_ewgOStud@liZbo6_.", "eu gosto de Lisboa"},
      {"_bo6tard@_.", "boa tarde"},
      {"_k6fE_?", "café?"},
      {"_6kaz6_.", "a casa"},
      {"_6p@so6_.", "a pessoa"},
      {"_aSuk@SOv@_.", "acho que chove"},
      {"_mu~jtuobrigadu_!", "muito obrigado!"},
      {"_bo~di6_.", "bom dia"},
      {"_6tEam6J6~_.", "até amanhã"},
      {"_purf6vor_.", "por favor"},
      {"_d@Skul~p@_.", "desculpe"},
      {"_purtugal~_.", "Portugal"},
      {"_usOl~_.", "o sol"},
      {"_6pat6_.", "a pata"},
      {"_ugatu_.", "o gato"},
      {"_6fak6_.", "a faca"},
      {"_usapu_.", "o sapo"},
      {"_sidad@_.", "cidade"},
      {"_6mez6_.", "a mesa"},
      {"_uk6jZu_.", "o queijo"},
      {"_up6jS@_.", "o peixe"},
      {"_6kajS6_.", "a caixa"},
      {"_upaj_?", "o pai?"},
      {"_ubojid6dOj_.", "o boi e a dor"},
      {"_up6~w_.", "o pão"},
      {"_6m6~j_!", "a mãe!"},
      {"_usEw_.", "o céu"},
      {"_b6k6Law_.", "bacalhau"},
      {"_ul6jt@_.", "o leite"},
      {"_6sop6ke~t@_.", "a sopa quente"},
      {"_f@Sar6pOrt6_.", "fechar a porta"},
      {"_6k6bes6_.", "a cabeça"},
      {"_d@pojSdu~_.", "depois do um"},
      {"_p@kenu_.", "pequeno"},
      {"_al~tu_.", "alto"},
      {"_6vak6_.", "a vaca"},
      {"_ufogu_.", "o fogo"},
      {"_po~j6mEz6_.", "põe a mesa"},
      {"_kur6s6~w_.", "coração"},
      {"_ko~tigu_.", "contigo"},
  };
  return texts;
}

std::vector<ListeningText> sweep_texts() {
  std::vector<ListeningText> texts;
  for (std::size_t k = 1; k < synthesis::fonemas.size(); ++k) {
    const std::string phone(synthesis::fonemas[k]);
    const bool vowel = k >= 21;  // the inventory lists the vowels from "i" on
    if (vowel) {
      texts.push_back({"_t" + phone + "t6_.", "[" + phone + "] entre oclusivas"});
      texts.push_back({"_m" + phone + "s6_.", "[" + phone + "] entre nasal e fricativa"});
    } else {
      texts.push_back({"_a" + phone + "a_.", "[" + phone + "] entre vogais"});
      texts.push_back({"_i" + phone + "u_.", "[" + phone + "] entre [i] e [u]"});
    }
  }
  return texts;
}

}  // namespace quelvara::tools
