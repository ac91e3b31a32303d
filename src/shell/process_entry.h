#pragma once
// The process entry: brings the runtimes up, calls the main window's entry function once with
// the command-line arguments, waits until no window is left and shuts everything down.
#include <string>
#include <vector>

#include "runtime/value.h"

namespace quelvara::shell {

// The arguments after the program name, each as a text value, in order.
std::vector<runtime::Value> interface_arguments(int argc, char** argv);

// Calls `interface` with the arguments and one result asked for. Gives the exit status of a
// normal run: 0, whatever the result (the main window's handle) holds.
int main_function(int argc, char** argv);

// The whole lifecycle. Exit status 0 after a normal run, 1 when an error reached the shell
// (from `interface` or from the graphics scope); such errors are printed as error reports.
int process_entry(int argc, char** argv);

}  // namespace quelvara::shell
