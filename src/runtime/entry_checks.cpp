// The one table of argument-count checks of the functions callable by name: qualified name,
// the function's line within its module, declared maximum of inputs and of results.
// Functions that accept any number of arguments and results have no row.
#include <span>

#include "runtime/by_name.h"

namespace quelvara::runtime {

namespace {

constexpr int any = any_count;

const EntryCheck checks[] = {
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

}  // namespace

std::span<const EntryCheck> entry_check_table() { return checks; }

}  // namespace quelvara::runtime
