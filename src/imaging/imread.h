#pragma once
// imread: reads a picture file into an image array.
#include <string>
#include <vector>

#include "runtime/value.h"

namespace quelvara::imaging {

// The image array of the file (JPEG, PNG and the other formats the toolkit decodes): grey
// pictures as one plane, all others as red, green and blue planes. A relative name is read from
// the folder that holds the program's data files (runtime/data_folder.h). Fails with
// "Unable to read the image file \"<file>\"." when the file is missing or cannot be decoded.
runtime::Value read_image(const std::string& name, const std::string& format = {});

// By name: imread(filename) or imread(filename, format) gives [image, map, alpha]; map and
// alpha are empty (no indexed or transparent pictures are read).
std::vector<runtime::Value> imread(int nargout, std::vector<runtime::Value> args);
// imread/parse_inputs: [filename, format, extra arguments, message]; a non-empty message when
// the arguments are unfit.
std::vector<runtime::Value> imread_parse_inputs(int nargout, std::vector<runtime::Value> args);
// imread/delete_download: imread reads local files only and never downloads one, so there is no
// downloaded copy to delete; called by name it fails saying so and deletes nothing.
std::vector<runtime::Value> imread_delete_download(int nargout, std::vector<runtime::Value> args);

}  // namespace quelvara::imaging
