#include "framework/openfig.h"

#include <algorithm>
#include <cctype>

#include "framework/placement.h"
#include "graphics/layout.h"
#include "runtime/error.h"

namespace quelvara::framework {

namespace {

using graphics::Handle;
using runtime::Array;
using runtime::RuntimeError;
using runtime::Value;

constexpr std::size_t max_key_length = 31;

std::string lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool is_text_row(const Value& v) { return v.is_text() && v.array().rows() <= 1; }

struct FileParts {
  std::string folder;  // with its trailing separator, or empty
  std::string base;
  std::string extension;  // with its dot, or empty
};

FileParts split(const std::string& file) {
  FileParts p;
  const auto sep = file.find_last_of("/\\");
  const std::string name = sep == std::string::npos ? file : file.substr(sep + 1);
  if (sep != std::string::npos) p.folder = file.substr(0, sep + 1);
  const auto dot = name.find_last_of('.');
  p.base = dot == std::string::npos ? name : name.substr(0, dot);
  p.extension = dot == std::string::npos ? "" : name.substr(dot);
  return p;
}

}  // namespace

std::string openfig_registry_key(const std::string& file_name) {
  std::string token;
  for (char c : file_name)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') token += c;
  std::reverse(token.begin(), token.end());
  std::string key = "OpenFig_" + token + "_SINGLETON";
  if (key.size() > max_key_length) key.resize(max_key_length);
  return key;
}

Handle openfig(const Value& filename, const std::optional<Value>& policy_arg, const std::optional<Value>& visible_arg) {
  std::string visible;
  if (visible_arg && !visible_arg->is_empty()) {
    if (!is_text_row(*visible_arg)) throw RuntimeError("Third input argument must be 'invisible' or 'visible'.");
    visible = lower(visible_arg->text());
    if (visible != "invisible" && visible != "visible" && visible != "auto")
      throw RuntimeError("Third input argument must be 'invisible' or 'visible'.");
  }
  std::string policy = "new";
  if (policy_arg) {
    if (!policy_arg->is_text("new") && !policy_arg->is_text("reuse"))
      throw RuntimeError("Second input argument must be 'new' or 'reuse'.");
    policy = policy_arg->text();
  }
  if (!is_text_row(filename)) throw RuntimeError("Argument must be a .fig file");
  auto parts = split(filename.text());
  if (parts.extension.empty()) parts.extension = ".fig";
  if (lower(parts.extension) != ".fig") throw RuntimeError("Argument must be a .fig file");
  const std::string file = parts.folder + parts.base + parts.extension;

  const std::string key = openfig_registry_key(file);
  std::vector<double> open;
  const Value listed = graphics::getappdata(graphics::root_handle, key);
  if (listed.is_array() && !listed.is_text())
    for (double h : listed.array().data())
      if (graphics::ishandle(h)) open.push_back(h);

  Handle figure = 0;
  Value saved_visible;
  bool reused = false;
  if (policy == "reuse" && !open.empty()) {
    figure = open.back();
    reused = true;
  } else {
    runtime::Record overrides;
    overrides.set("Visible", Value("off"));
    const auto loaded = graphics::hgload(file, overrides);
    figure = loaded.figure;
    if (loaded.saved.has("Visible")) saved_visible = loaded.saved.get("Visible");
    if (policy == "new")
      open.push_back(figure);
    else
      open = {figure};
  }
  if (reused || !saved_visible.is_text()) saved_visible = graphics::get(graphics::root_handle, "DefaultFigureVisible");

  graphics::setappdata(graphics::root_handle, key, Array::row(open));
  if (!graphics::ishandle(figure)) return figure;  // a creation callback deleted it
  movegui({Value(figure), Value("onscreen")});

  if (visible.empty())
    graphics::set(figure, "Visible", saved_visible);
  else if (visible == "invisible")
    graphics::set(figure, "Visible", Value("off"));
  else if (visible == "visible")
    graphics::set(figure, "Visible", Value("on"));
  else
    graphics::set(figure, "Visible", reused ? saved_visible : Value("off"));
  return figure;
}

}  // namespace quelvara::framework
