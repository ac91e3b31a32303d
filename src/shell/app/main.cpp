// The GUI program's process entry.
#include "shell/process_entry.h"

int main(int argc, char** argv) { return quelvara::shell::process_entry(argc, argv); }
