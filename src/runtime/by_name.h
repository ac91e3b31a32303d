#pragma once
// By-name entries: every function callable by name is reached through one, which rejects
// surplus results, then surplus arguments, with the fixed "Run-time Error: File: ..." message,
// and turns any error that escapes the function into a RuntimeError for the caller.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/value.h"

namespace quelvara::runtime {

inline constexpr int any_count = -1;  // no limit

struct EntryCheck {
  std::string qualified_name;  // "wavwrite", "interface/texto_Callback", "audio/private/playsnd"
  int line = 1;
  int max_inputs = any_count;
  int max_outputs = any_count;
};

// Every row of the table of checks, in its order.
std::span<const EntryCheck> entry_check_table();

// True when a declared count limits (n >= 0); -1 and -(k+1) (k fixed, then any) do not.
constexpr bool limits(int declared) { return declared >= 0; }

// The fixed message of a call that asks for too many results (outputs) or gives too many
// arguments (inputs).
std::string outputs_message(const EntryCheck& check);
std::string inputs_message(const EntryCheck& check);

// The row of a qualified name in the table of checks, or nullptr when it has none.
const EntryCheck* find_entry_check(std::string_view qualified_name);
// The check of a qualified name, from the one table of checks; a name that has none gives a
// check with any_count for both.
const EntryCheck& entry_check(std::string_view qualified_name);

// Raises the outputs message, then the inputs message, when a call asks for more results or
// gives more arguments than check declares.
void check_counts(const EntryCheck& check, int nargout, std::size_t nargin);

// Runs f through the entry of check: check_counts, then the call.
std::vector<Value> call_through_entry(const EntryCheck& check, int nargout, std::vector<Value> args,
                                      const Function& f);

// A FunctionRef whose calls go through the entry of qualified_name.
FunctionRef make_entry(std::string_view qualified_name, Function f);

}  // namespace quelvara::runtime
