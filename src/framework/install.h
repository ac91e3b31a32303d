#pragma once
// Plugs the framework into the program: supplies the bodies of its functions callable by name
// (guidata, guihandles, isvarname, iskeyword, movegui, centrarcaixas, openfig, gui_mainfcn and
// their inner functions such as "guidata/getParentFigure") to the runtime's registry, and makes
// the layouts' callbacks call the module's entry function with (callback name, object, event
// value, the handles record fetched from the object). Safe to call more than once.
namespace quelvara::framework {

void install_framework();

}  // namespace quelvara::framework
