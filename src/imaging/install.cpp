#include "imaging/install.h"

#include "imaging/imread.h"
#include "imaging/imshow.h"
#include "imaging/preferences.h"
#include "imaging/truesize.h"
#include "runtime/function_registry.h"
#include "runtime/runtime_users.h"

namespace quelvara::imaging {

namespace {
const runtime::RuntimeUser imread_user;
const runtime::RuntimeUser imshow_user;
const runtime::RuntimeUser truesize_user;
const runtime::RuntimeUser qorgetpref_user;
const runtime::RuntimeUser qorprefs_user;
const runtime::RuntimeUser qorregistry_user;
}  // namespace

void install_imaging() {
  using runtime::define_function;
  define_function("imread", imread);
  define_function("imread/parse_inputs", imread_parse_inputs);
  define_function("imread/delete_download", imread_delete_download);
  define_function("imshow", imshow);
  define_function("imshow/ParseInputs", imshow_parse_inputs);
  define_function("imshow/IsVector", imshow_is_vector);
  define_function("imshow/SingleImageDefaultPos", imshow_single_image_default_pos);
  define_function("truesize", truesize);
  define_function("truesize/ParseInputs", truesize_parse_inputs);
  define_function("truesize/Resize1", truesize_resize1);
  define_function("truesize/Resize2", truesize_resize2);
  define_function("truesize/Resize3", truesize_resize3);
  define_function("qorgetpref", qorgetpref);
  define_function("images/private/qorprefs", qorprefs);
  define_function("images/private/qorregistry", qorregistry);
}

}  // namespace quelvara::imaging
