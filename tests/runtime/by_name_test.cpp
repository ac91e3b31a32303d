#include "runtime/by_name.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/error.h"

namespace quelvara::runtime {
namespace {

constexpr int any = -1;

struct Row {
  const char* name;
  int line;
  int inputs;
  int results;
};

// The declared checks, row for row, as the entries must enforce them.
const Row expected_rows[] = {
    {"audio/private/playsnd", 1, 3, 0},
    {"bartlett", 1, 1, 1},
    {"centrarcaixas", 1, 1, 0},
    {"creditos/creditos_OpeningFcn", 48, any, 0},
    {"creditos/creditos_OutputFcn", 72, 3, any},
    {"creditos/ok_Callback", 83, 3, 0},
    {"gravar/gravar_OpeningFcn", 21, any, 0},
    {"gravar/gravar_OutputFcn", 29, 3, any},
    {"gravar/nome_CreateFcn", 35, 3, 0},
    {"gravar/nome_Callback", 44, 3, 0},
    {"gravar/ok_Callback", 47, 3, 0},
    {"gravar/cancelar_Callback", 57, 3, 0},
    {"gui_mainfcn/local_openfig", 182, 2, 1},
    {"guidata", 1, 2, 1},
    {"guidata/getParentFigure", 99, 1, 1},
    {"guihandles", 1, 1, 1},
    {"guihandles/getParentFigure", 78, 1, 1},
    {"guihandles/createHandles", 86, 1, 1},
    {"images/private/qorprefs", 1, 0, 1},
    {"imread", 1, any, 3},
    {"imread/delete_download", 298, 1, 0},
    {"imread/parse_inputs", 312, any, 4},
    {"imshow", 1, any, 1},
    {"imshow/ParseInputs", 191, any, 9},
    {"imshow/IsVector", 518, 1, 1},
    {"imshow/SingleImageDefaultPos", 526, 2, 1},
    {"interface/interface_OpeningFcn", 20, any, 0},
    {"interface/interface_OutputFcn", 28, 3, any},
    {"interface/texto_CreateFcn", 33, 3, 0},
    {"interface/texto_Callback", 41, 3, 0},
    {"interface/tipo_variacao_CreateFcn", 211, 3, 0},
    {"interface/tipo_variacao_Callback", 220, 3, 0},
    {"interface/botao_ouvir_Callback", 425, 3, 0},
    {"interface/botao_gravar_Callback", 433, 3, 0},
    {"interface/botao_sair_Callback", 445, 3, 0},
    {"interface/botao_creditos_Callback", 450, 3, 0},
    {"interface/sampa_Callback", 455, 3, 0},
    {"iskeyword", 1, 1, 1},
    {"isvarname", 1, 1, 1},
    {"movegui", 1, any, 0},
    {"movegui/get_parent_fig", 214, 1, 1},
    {"openfig", 1, 3, 1},
    {"qorgetpref", 1, 1, 1},
    {"sampa/sampa_OpeningFcn", 48, any, 0},
    {"sampa/sampa_OutputFcn", 83, 3, any},
    {"sampa/sampa_ResizeFcn", 94, 3, 0},
    {"sampa/ok_Callback", 101, 3, 0},
    {"signal/private/check_order", 1, 1, 3},
    {"truesize", 1, any, 0},
    {"truesize/ParseInputs", 55, any, 6},
    {"truesize/Resize1", 176, 3, 0},
    {"truesize/Resize2", 317, 3, 0},
    {"truesize/Resize3", 439, 4, 0},
    {"val_factor/val_factor_OpeningFcn", 48, any, 0},
    {"val_factor/val_factor_OutputFcn", 67, 3, any},
    {"val_factor/valor_CreateFcn", 79, 3, 0},
    {"val_factor/valor_Callback", 92, 3, 0},
    {"val_factor/ok_Callback", 102, 3, 0},
    {"val_factor/cancelar_Callback", 116, 3, 0},
    {"wavplay", 1, any, 0},
    {"wavwrite", 1, 4, 0},
    {"wavwrite/OpenWaveWrite", 126, 1, 2},
    {"wavwrite/write_ckinfo", 146, 1, 1},
    {"wavwrite/write_wavefmt", 175, 2, 1},
    {"wavwrite/PCM_Quantize", 208, 2, 1},
    {"wavwrite/write_wavedat", 255, 3, 1},
};

std::string expected_message(const Row& row, const char* what, int k) {
  const std::string name = row.name;
  return "Run-time Error: File: " + name + " Line: " + std::to_string(row.line) +
         " Column: 1 The function \"" + name + "\" was called with more than the declared number of " +
         what + " (" + std::to_string(k) + ").";
}

std::vector<Value> args_of(int n) { return std::vector<Value>(static_cast<std::size_t>(n), Value(1.0)); }

// The message of a call through the named entry, or "" when the call went through.
std::string message_of(std::string_view name, int nargout, int nargin, bool* ran = nullptr) {
  if (ran) *ran = false;
  auto ref = make_entry(name, [ran](int, std::vector<Value>) {
    if (ran) *ran = true;
    return std::vector<Value>{};
  });
  try {
    (*ref.call)(nargout, args_of(nargin));
  } catch (const RuntimeError& e) {
    return e.message();
  }
  return "";
}

TEST(EntryCheckTable, HoldsExactlyTheDeclaredRowsInOrder) {
  const auto table = entry_check_table();
  ASSERT_EQ(table.size(), std::size(expected_rows));
  for (std::size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(expected_rows[i].name);
    EXPECT_EQ(table[i].qualified_name, expected_rows[i].name);
    EXPECT_EQ(table[i].line, expected_rows[i].line);
    EXPECT_EQ(table[i].max_inputs, expected_rows[i].inputs);
    EXPECT_EQ(table[i].max_outputs, expected_rows[i].results);
  }
}

TEST(EntryCheckTable, EveryRowGivesItsExactMessagesAndAcceptsItsLimits) {
  for (const Row& row : expected_rows) {
    SCOPED_TRACE(row.name);
    const auto& check = entry_check(row.name);
    EXPECT_EQ(check.qualified_name, row.name);
    const int in_ok = row.inputs == any ? 12 : row.inputs;
    const int out_ok = row.results == any ? 12 : row.results;
    bool ran = false;
    EXPECT_EQ(message_of(row.name, out_ok, in_ok, &ran), "");
    EXPECT_TRUE(ran);
    if (row.results != any) {
      EXPECT_EQ(message_of(row.name, row.results + 1, in_ok, &ran),
                expected_message(row, "outputs", row.results));
      EXPECT_FALSE(ran);
    }
    if (row.inputs != any) {
      EXPECT_EQ(message_of(row.name, out_ok, row.inputs + 1, &ran),
                expected_message(row, "inputs", row.inputs));
      EXPECT_FALSE(ran);
    }
    // Only the first failing check is reported.
    if (row.results != any && row.inputs != any) {
      EXPECT_EQ(message_of(row.name, row.results + 1, row.inputs + 1),
                expected_message(row, "outputs", row.results));
    }
  }
}

TEST(EntryCheckTable, FunctionsWithoutACheckAcceptAnyCount) {
  for (const char* name : {"interface", "creditos", "gravar", "sampa", "val_factor", "gui_mainfcn",
                           "audio/private/playsndb", "images/private/qorregistry"}) {
    SCOPED_TRACE(name);
    const auto& check = entry_check(name);
    EXPECT_EQ(check.qualified_name, name);
    EXPECT_FALSE(limits(check.max_inputs));
    EXPECT_FALSE(limits(check.max_outputs));
    bool ran = false;
    EXPECT_EQ(message_of(name, 40, 40, &ran), "");
    EXPECT_TRUE(ran);
  }
  EXPECT_EQ(&entry_check("gui_mainfcn"), &entry_check("gui_mainfcn"));
}

TEST(ByNameEntry, WorkedExamples) {
  EXPECT_EQ(message_of("interface/texto_Callback", 0, 4),
            "Run-time Error: File: interface/texto_Callback Line: 41 Column: 1 The function "
            "\"interface/texto_Callback\" was called with more than the declared number of inputs (3).");
  for (int nargin : {0, 3, 9})
    EXPECT_EQ(message_of("interface/interface_OpeningFcn", 1, nargin),
              "Run-time Error: File: interface/interface_OpeningFcn Line: 20 Column: 1 The function "
              "\"interface/interface_OpeningFcn\" was called with more than the declared number of "
              "outputs (0).");
  EXPECT_EQ(message_of("bartlett", 2, 2),
            "Run-time Error: File: bartlett Line: 1 Column: 1 The function \"bartlett\" was called "
            "with more than the declared number of outputs (1).");
  EXPECT_EQ(message_of("wavwrite", 0, 5),
            "Run-time Error: File: wavwrite Line: 1 Column: 1 The function \"wavwrite\" was called "
            "with more than the declared number of inputs (4).");
}

TEST(ByNameEntry, PassesFewerArgumentsAndResultsThrough) {
  std::vector<Value> seen;
  int seen_nargout = -5;
  auto ref = make_entry("guidata", [&](int nargout, std::vector<Value> args) {
    seen = args;
    seen_nargout = nargout;
    return std::vector<Value>{Value(7.0)};
  });
  EXPECT_EQ(ref.name, "guidata");
  const auto results = (*ref.call)(0, {Value("a")});
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].is_text("a"));
  EXPECT_EQ(seen_nargout, 0);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].number(), 7.0);
}

TEST(ByNameEntry, TurnsEscapingErrorsIntoRuntimeErrors) {
  const auto& check = entry_check("openfig");
  auto fails_with = [&](auto thrower) -> RuntimeError {
    try {
      call_through_entry(check, 1, {}, [&](int, std::vector<Value>) -> std::vector<Value> {
        thrower();
        return {};
      });
    } catch (const RuntimeError& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return RuntimeError("");
  };
  EXPECT_EQ(fails_with([] { throw std::invalid_argument("bad thing"); }).message(), "bad thing");
  EXPECT_EQ(fails_with([] { throw std::bad_alloc(); }).message(), "A memory allocation request failed.");
  const auto kept = fails_with([] { throw RuntimeError("m", std::string("f"), 9, std::nullopt, "d"); });
  EXPECT_EQ(kept.message(), "m");
  EXPECT_EQ(kept.file(), "f");
  EXPECT_EQ(kept.line(), 9);
  EXPECT_FALSE(kept.kind().has_value());
  EXPECT_EQ(kept.detail(), "d");
}

TEST(ByNameEntry, AnythingThatIsNoStandardExceptionIsAnUnknownError) {
  const auto caught = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return current_runtime_error();
    }
    return RuntimeError("nothing thrown");
  };
  EXPECT_EQ(caught([] { throw 42; }).message(), "Unknown error.");
  EXPECT_EQ(caught([] { throw std::bad_alloc(); }).message(), "A memory allocation request failed.");
  EXPECT_EQ(caught([] { throw std::out_of_range("index 9"); }).message(), "index 9");
}

}  // namespace
}  // namespace quelvara::runtime
