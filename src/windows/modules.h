#pragma once
// The five window modules; each call defines the module's entry function and its table.
namespace quelvara::windows {

void register_interface();
void register_gravar();
void register_val_factor();
void register_creditos();
void register_sampa();

}  // namespace quelvara::windows
