#pragma once
// The functions of the typed core made callable by name: thin adapters between dynamic values
// and the typed interfaces, each reached through its by-name entry.
#include <vector>

#include "runtime/value.h"

namespace quelvara::shell {

// Supplies the bodies of bartlett, signal/private/check_order, wavwrite and the writer's inner
// operations, and the stand-in interface unless a window module has supplied the real one.
void install_core_functions();

using Values = std::vector<runtime::Value>;
Values bartlett_by_name(int nargout, Values args);
Values check_order_by_name(int nargout, Values args);
Values wavwrite_by_name(int nargout, Values args);
// The writer's inner operations. Open files are named by numbers (3 and up), as a file layer
// names them; OpenWaveWrite gives -1 and the message when the file cannot be opened.
Values OpenWaveWrite_by_name(int nargout, Values args);
Values write_ckinfo_by_name(int nargout, Values args);
Values write_wavefmt_by_name(int nargout, Values args);
Values PCM_Quantize_by_name(int nargout, Values args);
Values write_wavedat_by_name(int nargout, Values args);

}  // namespace quelvara::shell
